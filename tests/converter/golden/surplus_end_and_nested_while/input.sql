create procedure nest_loops @a int, @b int as
while @a < 10
    while @b < 5
        print 'inner'
print 'after loops'
go
create procedure loop_if @a int as
begin
    while @a < 10
        if @a = 3
            print 'three'
        else
            print 'other'
    if @a = 3
        while @a < 5
        begin
            print 'body'
        end
    print 'done'
end
go
create procedure one_end_too_many @a int as
begin
    print 'x'
end
end
go
create procedure surplus_without_begin as
print 'z'
end
go
