CREATE PROCEDURE caller @a int, @b int OUTPUT
AS
BEGIN
    EXECUTE @b = calc @a, 5
    EXEC sales.tidy
END
GO
