create procedure dbo.own_one @a int
as
declare @x int
select @x = @a
if @x = 1
    select @x = 2
go
create procedure "Top Products" @d int
as
select id, name from emp where dept = @d order by name
go
create procedure sales."Order Lines" @d int
as
declare @x int
select @x = @d + 1
go
create trigger dbo.tr_own on orders for insert as
print 'inserted'
go
