create procedure nest_eq @a int, @b int as if @a > 0 if @a = @b print 'eq'
GO
create procedure nest_begin @a int, @b int
as
if @a > 0
begin
    if @a <> @b print 'ne'
    if @a = @b + 1 print 'next'
end
GO
create procedure nest_else @a int, @b int
as
if @a > 0
    if @b = 0 print 'zero'
    else if @a = @b print 'same'
    else print 'other'
GO
create procedure nest_while @a int, @b int
as
declare @n int
while @a > 0 begin while @a = @b
    select @n = 1
end
GO
