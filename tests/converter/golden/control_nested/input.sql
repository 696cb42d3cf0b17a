CREATE PROCEDURE nest @a int, @b int
AS
BEGIN
    WHILE @a > 0
    BEGIN
        IF @a = @b
        BEGIN
            IF @b > 2
                PRINT 'x'
            ELSE
                PRINT 'y'
        END
        ELSE IF @a < @b
        BEGIN
            PRINT 'z'
        END
        ELSE
            BREAK
    END
END
GO
