create procedure b1 as
break
print 1
go
create procedure c1 as
continue
print 1
go
