create procedure keep_sizes @db varchar(30), @code char(4), @amount numeric(10,2), @remark varchar as
select @db = 'x'
select @code = 'y'
select @amount = 1.5
select @remark = 'z'
go
