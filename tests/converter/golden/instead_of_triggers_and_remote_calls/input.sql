CREATE TRIGGER trg_io ON v_orders INSTEAD OF INSERT, UPDATE
AS
    PRINT 'io'
GO
CREATE PROCEDURE remote_calls @a int
AS
DECLARE @r int
EXEC @r = srv1.sales..calc @a
EXECUTE @r = srv1.sales.dbo.calc @a
EXEC srv2.sales.fin.post
EXEC srv3...ping
GO
