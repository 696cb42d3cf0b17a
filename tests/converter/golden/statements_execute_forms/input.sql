CREATE PROCEDURE runner @id int
AS
BEGIN
    EXEC calc @id, NULL, @id OUTPUT
    EXEC db.dbo.calc @p = @id
    EXEC db..calc
    EXEC sp_recompile orders
END
GO
