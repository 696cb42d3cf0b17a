create trigger trg_orders on orders for insert as
declare @t money, @id int
select @t = i.total from inserted i
select @id = order_id from inserted
if exists (select 1 from inserted i where i.total > 100)
    print 'big'
update stock set qty = qty - i.qty from stock s, inserted i where s.item = i.item
select @t = total from inserted where order_id > 0
insert into audit (id, total) select order_id, total from deleted
go
