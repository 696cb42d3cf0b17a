create procedure set_one @a int
as
set nocount on
declare @n int, @s varchar(20)
set @n = @a + 1
set @s = 'abc'
if @n > 1 set @n = 0 else set @n = @n * 2
SET @n=@n-1
GO
create procedure set_two @a int
as
declare @n int
select @n = @a + 1
GO
