/* Order processing procedures of the sales database.
   Converted by: kestra sample.sql  (writes sample.sql.pls, and ddl_<procedure>.sql for the
   temporary table) */

-- Returns the open orders of one customer, newest first.
create procedure get_open_orders
    @customer_id int,
    @since datetime = null
as
begin
    declare @count int

    if @since is null
        select @since = dateadd(dd, -30, getdate())

    select @count = count(*)
      from orders
     where customer_id = @customer_id
       and status = 'O'

    if @count = 0
    begin
        print 'No open orders'
        return 1
    end
    else
        select order_id, order_date, amount
          from orders
         where customer_id = @customer_id
           and status = 'O'
           and order_date >= @since

    return 0
end
go

-- Closes every order of a customer whose balance is settled.
create procedure close_settled_orders
    @customer_id int,
    @closed int output
as
begin
    declare @balance money
    select @closed = 0

    select @balance = sum(amount - paid)
      from orders
     where customer_id = @customer_id

    while exists (select 1 from orders
                   where customer_id = @customer_id and status = 'O' and amount = paid)
    begin
        update orders
           set status = 'C'
         where customer_id = @customer_id
           and status = 'O'
           and amount = paid
        select @closed = @closed + @@rowcount
        if @@error != 0
            return -1
    end

    return 0
end
go

-- Keeps the customer's last change date current.
create trigger orders_upd on orders for update
as
begin
    update customers
       set last_change = getdate()
      from customers, inserted
     where customers.customer_id = inserted.customer_id
end
go

-- Moves a customer's closed orders to the archive and lists what was moved.
create procedure archive_closed_orders
    @customer_id int
as
begin
    select order_id, amount
      into #moved
      from orders
     where customer_id = @customer_id
       and status = 'C'

    insert into order_archive (order_id, amount)
        select order_id, amount from #moved

    delete from orders
     where customer_id = @customer_id
       and status = 'C'

    select order_id, amount from #moved order by order_id
end
go
