CREATE PROCEDURE skip_rows @n int
AS
BEGIN
    IF @n = 0
        CONTINUE
    IF @n < 0
        BREAK
    WHILE @n > 0
    BEGIN
        IF @n = 2
            CONTINUE
        BREAK
    END
    CONTINUE
    PRINT 'done'
END
GO
