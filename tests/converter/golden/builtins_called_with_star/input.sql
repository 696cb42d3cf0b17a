create procedure st_one as
declare @d smalldatetime, @u varchar(30), @n int
select @d = getdate(*)
select @u = user_name(*)
select @n = suser_id(*)
go
create procedure st_two @m int as
declare @n int
if @m > 0
    select @n = host_id(*)
go
