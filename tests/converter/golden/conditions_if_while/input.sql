CREATE PROCEDURE conds @a int, @s varchar(10)
AS
BEGIN
    IF @a = NULL PRINT 'p0'
    IF @a != NULL PRINT 'p1'
    IF @a <> NULL PRINT 'p2'
    IF @a > NULL PRINT 'p3'
    IF @s = '' PRINT 'p4'
    IF @s <> '' AND @a BETWEEN 1 AND 5 PRINT 'p5'
    IF NOT (@a IN (1, 2, NULL) OR @s LIKE 'A%1') PRINT 'p6'
    IF @a IS NULL OR @s IS NOT NULL AND @a NOT IN (3) PRINT 'p7'
    IF @s LIKE '50%' AND @s NOT LIKE 'x!%' PRINT 'p8'
    IF @s = 'x@y.com' PRINT 'p9'
    WHILE @a < 10 AND @s != ''
        PRINT @a
    WHILE (@s = '' OR @a = NULL)
        PRINT @s
    IF @a + 1 > 2 * @a PRINT 'q'
END
GO
