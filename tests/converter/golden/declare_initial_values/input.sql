CREATE PROCEDURE init_vars @p int
AS
DECLARE @a int = 1, @b varchar(10) = 'x'
DECLARE @c int = @p * 2
DECLARE @d datetime = getdate()
WHILE @a < 3
BEGIN
    DECLARE @k int = 0
    SELECT @k = @k + @a
    SELECT @a = @a + 1
END
PRINT @b
GO
CREATE OR ALTER PROCEDURE init_alter
AS
BEGIN
    DECLARE @n nvarchar(20) = N'abc', @m int = -1
    PRINT @n
END
GO
CREATE PROCEDURE init_catch
AS
BEGIN TRY
    PRINT 'work'
END TRY
BEGIN CATCH
    DECLARE @err int = ERROR_NUMBER(), @txt nvarchar(400) = ERROR_MESSAGE()
    PRINT @txt
END CATCH
GO
