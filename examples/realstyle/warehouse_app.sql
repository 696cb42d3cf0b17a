/* Stock procedures of a warehouse application: Sybase ASE code extended over the years on
   SQL Server (row limits, table variables, national texts, ANSI joins, derived tables). */
create procedure wh_top_movers @days int, @limit int
as
begin
    declare @since datetime
    select @since = dateadd(dd, -@days, getdate())
    select top (@limit) m.item_id, i.descr, sum(m.qty)
      from movements m inner join items i on i.item_id = m.item_id
     where m.moved >= @since
     group by m.item_id, i.descr
     order by 3 desc
end
go

create procedure wh_refill_plan @site char(4)
as
begin
    declare @plan table (item_id int not null, needed int null, label nvarchar(60) null)
    declare @n int
    insert into @plan (item_id, needed, label)
        select s.item_id, s.minimum - s.on_hand, i.descr
          from stock s, items i (nolock)
         where s.item_id = i.item_id and s.site = @site and s.on_hand < s.minimum
    update @plan set label = N'urgent: ' + label where needed > 100
    delete @plan where needed <= 0
    select @n = count(*) from @plan
    if @n = 0
    begin
        print 'nothing to refill'
        return 0
    end
    select top 1 p.item_id, p.needed from @plan p order by p.needed desc
    select p.item_id, p.label, v.vendor_name
      from @plan p left outer join vendors v on v.item_id = p.item_id
    return @n
end
go

create procedure wh_move_stock @item int, @from char(4), @to char(4), @qty int
as
begin
    declare @left int, @last_id int
    begin transaction move
    update stock set on_hand = on_hand - @qty where item_id = @item and site = @from
    if @@error != 0
    begin
        rollback transaction move
        raiserror 20001 'stock update failed'
        return 1
    end
    update stock set on_hand = on_hand + @qty where item_id = @item and site = @to
    select top 1 @last_id = move_id from movements with (nolock) where item_id = @item order by moved desc
    insert movements (item_id, qty, site_from, site_to, moved) values (@item, @qty, @from, @to, getdate())
    commit transaction
    select @left = on_hand from stock where item_id = @item and site = @from
    return 0
end
go

create procedure wh_slow_items @site char(4)
as
    select x.item_id, x.last_move
      from (select item_id, max(moved) last_move from movements group by item_id) x, stock s
     where s.item_id = x.item_id and s.site = @site
     order by x.last_move
go

create procedure wh_site_report @site char(4)
as
begin
    declare @item int, @qty int, @lines int
    create table #report (item_id int, qty int, remark nvarchar(40) null)
    declare items_cur cursor for
        select top 50 item_id, on_hand from stock where site = @site
    open items_cur
    fetch items_cur into @item, @qty
    while @@sqlstatus = 0
    begin
        insert #report values (@item, @qty, null)
        fetch items_cur into @item, @qty
    end
    close items_cur
    select @lines = count(*) from #report
    select distinct top 10 r.item_id, r.qty from #report r order by r.qty desc
end
go

create trigger trg_stock_guard on stock for update
as
begin
    declare @low int
    select top 1 @low = i.on_hand from inserted i where i.on_hand < 0
    if @low is not null
    begin
        raiserror 20002 'stock below zero'
        rollback transaction
    end
end
go

create procedure wh_close_day @site nchar(4)
as
begin
    declare @moved int = 0, @msg nvarchar(200)
    declare @done table (item_id int not null)
    begin try
        begin transaction
        insert into @done (item_id)
            select top 100 m.item_id from movements m join stock s on s.item_id = m.item_id
             where s.site = @site
        update stock set closed = 1 where site = @site
        select @moved = @@rowcount
        commit transaction
    end try
    begin catch
        rollback transaction
        select @msg = error_message()
        raiserror 20003 @msg
    end catch
    return @moved
end
go
