-- Nightly batch of a Sybase ASE 16 application
create or replace proc nightly_close @run_date datetime
as
begin
    declare @err int, @cnt int, @ord int, @flags varbinary(4)
    select @flags = 0x00000001
    create table #open_orders (ord_id int not null, amount numeric(12,2) null)
    insert #open_orders select ord_id, amount from orders holdlock where status = 'O'
    declare ord_cur cursor for select ord_id from #open_orders
    open ord_cur
    fetch ord_cur into @ord
    while @@sqlstatus = 0
    begin
        update orders set status = 'C', flags = flags | 0x0100 where ord_id = @ord
        select @err = @@error
        if @err != 0
        begin
            rollback transaction
            return 1
        end
        fetch ord_cur into @ord
    end
    close ord_cur
    deallocate cursor ord_cur
    select @cnt = count(*) from orders (index ix_status) where status = 'C'
    exec @err = archsrv.archive..move_orders @run_date
    drop table #open_orders
    return 0
end
go

create or replace procedure purge_log @days int
as
    delete audit_log where logged < dateadd(dd, -@days, getdate())
    if @@rowcount = 0
        print 'nothing purged'
go

create trigger trg_orders_del on orders for delete
as
    if exists (select 1 from deleted where status = 'O')
    begin
        raiserror 20001 'open orders cannot be deleted'
        rollback trigger
    end
go
