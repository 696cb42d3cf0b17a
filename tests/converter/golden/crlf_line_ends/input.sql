-- header comment
/* outer block
   comment */
create procedure crlf_one @a int
as
print @a
-- inside comment
print 'two
lines'
/* inside block
   comment */
print 'three'
GO
create procedure crlf_two
as
begin
    print 'barecr'
    drop table work_t
    print 'after' -- trailing comment
end
GO
