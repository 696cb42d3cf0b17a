CREATE PROCEDURE branch @x int
AS
BEGIN
    IF @x = 1
        PRINT 'one'
    ELSE
        PRINT 'other'
    IF @x > 5
    BEGIN
        PRINT 'big'
    END
    ELSE
    BEGIN
        PRINT 'small'
    END
    IF @x = 2
        PRINT 'two'
    ELSE IF @x = 3
        PRINT 'three'
    ELSE
        PRINT 'many'
    PRINT 'done'
END
GO
