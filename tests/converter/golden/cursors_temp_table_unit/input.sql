/* Month-end posting: moves the open orders of a region into the ledger. */
CREATE PROCEDURE post_month @region char(2), @posted int OUTPUT
AS
BEGIN
    DECLARE @ord int, @amt numeric(12,2), @cust varchar(30), @total numeric(14,2)
    SELECT @posted = 0, @total = 0
    CREATE TABLE #batch (ord int not null, amt numeric(12,2) null)
    DECLARE ord_cur CURSOR FOR
        SELECT o.ord_id, o.amount, c.name
        FROM orders o, customers c
        WHERE o.cust_id = c.cust_id AND o.region = @region AND o.status = 'O'
        FOR READ ONLY
    BEGIN TRANSACTION posting
    OPEN ord_cur
    FETCH ord_cur INTO @ord, @amt, @cust
    WHILE @@sqlstatus = 0
    BEGIN
        INSERT #batch (ord, amt) VALUES (@ord, @amt)
        UPDATE orders SET status = 'P' WHERE ord_id = @ord
        IF @@error != 0
        BEGIN
            ROLLBACK TRANSACTION posting
            CLOSE ord_cur
            RETURN 1
        END
        SELECT @posted = @posted + 1, @total = @total + @amt
        FETCH ord_cur INTO @ord, @amt, @cust
    END
    CLOSE ord_cur
    DEALLOCATE CURSOR ord_cur
    INSERT ledger (region, amount) SELECT @region, SUM(amt) FROM #batch
    TRUNCATE TABLE #batch
    COMMIT TRANSACTION
    UPDATE STATISTICS ledger
    RETURN 0
END
GO
