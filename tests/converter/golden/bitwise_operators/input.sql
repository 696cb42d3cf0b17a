create procedure bw_one @a int, @b int as
declare @x int
select @x = @a | @b
select @x = @a ^ 3
select @x = ~@a
update t1 set c1 = c1 | @a, c2 = ~c2 where c3 = @b
go
create procedure bw_two @a int, @b int as
if @a ^ @b > 0
    print 'differ'
go
