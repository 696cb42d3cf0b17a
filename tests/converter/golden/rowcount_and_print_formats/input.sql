create procedure limited_queries @n int as
declare @x int
set rowcount 10
select @x = count(*) from orders where id > @n
update orders set flag = 1 where id > @n
set rowcount 0
delete from orders where id = @n
go
create procedure print_formats @qty int, @shop int as
begin
    print 'Qty %d for %s', @qty, @shop
    print 'Value %1!'
    print '50%x off %1!', @qty
    raiserror ('Order %d of %s failed', 16, 1, @qty, @shop)
    raiserror 50005 'Stock %1! low'
end
go
