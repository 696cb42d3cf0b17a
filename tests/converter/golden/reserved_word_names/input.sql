create procedure r1 @uid int, @number int output, @long varchar(10) = 'x'
as
declare @group int, @check int
select @group = @uid + @number
if @group = 0 goto exception
select @check = @group
goto start
start:
print 'x'
exception:
return
go
create procedure r2 @unique int, @default int = 0
as
if @unique > @default
    goto exception
exception:
    print 'exit'
go
