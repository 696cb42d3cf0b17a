create procedure find_customer @customer_id int, @total money as
declare @name varchar(30)
select @name = name from customers where customer_id = @customer_id
update orders set total = @total where customer_id = @customer_id
delete from orders where @total = total
go
