create procedure pr_bytes @v varchar(10) as
print 'xyz'
if @v = 'a1b' print 'same'
if @v = 'This literal is long enough to pass the sixtieth column of its line' print 'long'
select code from dept
go
