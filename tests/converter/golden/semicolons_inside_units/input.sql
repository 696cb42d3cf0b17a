create procedure semi_one @a int
as
declare @n int
if @a = 0 begin print 'x' end; select @n = 2
print 'last';
-- between units
create procedure semi_two
as
begin
    declare @n int;
    select @n = 1; select @n = @n + 1;
    print @n;
end;
GO
create procedure semi_three as print 'three'; print 'tail';
