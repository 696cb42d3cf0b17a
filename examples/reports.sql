/* Reporting procedures of the sales database, as found in an old code base.
   The first one limits its rows with TOP; the table hint of another is dropped with a
   diagnostic. */

-- The ten customers with the highest turnover.
create procedure report_top_customers
as
begin
    select top 10 customer_id, sum(amount)
      from orders
     group by customer_id
     order by 2 desc
end
go

-- Daily totals of one month.
create procedure report_daily_totals
    @month int,
    @year int
as
begin
    declare @days int

    select @days = count(distinct order_date)
      from orders
     where datepart(mm, order_date) = @month
       and datepart(yy, order_date) = @year

    if @days = 0
        print 'No orders in this month'
    else
        select order_date, sum(amount)
          from orders
         where datepart(mm, order_date) = @month
           and datepart(yy, order_date) = @year
         group by order_date
    return 0
end
go

-- Open orders read without locks.
create procedure report_open_orders
as
begin
    select order_id, customer_id, amount
      from orders with (nolock)
     where status = 'O'
end
go

-- Keeps the customer table and its orders consistent.
create trigger customers_del on customers for delete
as
begin
    delete orders
      from orders, deleted
     where orders.customer_id = deleted.customer_id
end
go

-- Where the reports run: names the target server spells differently.
create procedure report_context
as
begin
    declare @db varchar(30), @owner varchar(30)
    select @db = db_name()
    select @owner = object_name(5)
    print @db
end
go
