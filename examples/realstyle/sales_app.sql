/* Order entry procedures of a SQL Server 2000-era application */
CREATE OR ALTER PROCEDURE dbo.usp_add_customer
    @name nvarchar(80),
    @city nvarchar(40) = N'Unknown',
    @notes ntext = NULL,
    @id int OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    IF EXISTS (SELECT 1 FROM customers WITH (NOLOCK) WHERE cust_name = @name)
    BEGIN
        RAISERROR 50001 'customer exists'
        RETURN 1
    END
    INSERT INTO customers (cust_name, city, notes) VALUES (@name, @city, @notes)
    SELECT @id = max(cust_id) FROM customers (NOLOCK)
    RETURN 0
END
GO

CREATE PROCEDURE dbo.usp_find_customers @pattern nvarchar(40)
AS
    SELECT c.cust_id, c.cust_name, c.city
    FROM customers c WITH (NOLOCK)
    WHERE c.cust_name LIKE @pattern ESCAPE '\'
    AND c.city <> N''
    ORDER BY c.cust_name
GO

CREATE PROCEDURE usp_run_report @table sysname, @where varchar(200)
AS
BEGIN
    DECLARE @sql nvarchar(1000)
    SELECT @sql = 'select count(*) from ' + @table + ' where ' + @where
    EXECUTE (@sql)
    EXEC ('delete from report_cache where tab = ''' + @table + '''')
    EXEC sp_executesql @sql
END
GO

CREATE TRIGGER trg_orders_audit ON orders AFTER INSERT, UPDATE
AS
BEGIN
    IF UPDATE(status)
        INSERT INTO order_audit (order_id, status, changed) SELECT i.order_id, i.status, getdate() FROM inserted i
END
GO
