create procedure fine_one @a int
as
print 'fine'
GO
create procedure broken_one @a int
as
begin
    print 'first'
    if @a > 0
    begin
        print 'second'
    end
    while
end
GO
