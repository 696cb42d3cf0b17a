CREATE PROCEDURE loop_demo
AS
BEGIN
    DECLARE @i int
    WHILE @i < 10
    BEGIN
        IF @i = 5
            BREAK
        IF @i = 3
            CONTINUE
        PRINT @i
    END
    WHILE @i > 0
        PRINT @i
    PRINT 'done'
END
GO
