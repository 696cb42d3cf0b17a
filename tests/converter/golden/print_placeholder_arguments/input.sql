create procedure pr_one @a int, @b int as
print 'Value %1! is bad', @a
print '%1! and %2!', @a, isnull(@b, 0)
print 'only %1!', @a, @b
go
create procedure pr_two @a int as
begin
    print 'Count: %1', @a
    print 'Done %%1 %1!', @a + 1
    print '%1! left, %2! twice', @a - 1, @a * 2
    print 'Below %1!', -1
end
go
