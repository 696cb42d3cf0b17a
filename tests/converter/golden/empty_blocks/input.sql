create procedure eb_one @a int as
if @a = 1
begin
end
else
begin
end
while @a > 0
begin
end
if @a = 2
begin
    begin
    end
end
go
create procedure eb_two @a int as
if @a = 1
    if @a = 2
    begin
    end
    else
    begin
    end
print 'done'
go
