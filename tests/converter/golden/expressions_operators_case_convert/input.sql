CREATE PROCEDURE ops @a int, @b int, @s varchar(10), @d datetime
AS
BEGIN
    DECLARE @r varchar(30)
    PRINT @a + @b
    PRINT 'x@y.com' + @s
    PRINT 'a + b' + @s
    PRINT @a + @b + 'x+y'
    PRINT @a - @b * 2 / @a
    PRINT @a % 3
    PRINT @a & 6
    PRINT @a | @b
    PRINT @a ^ @b
    PRINT -@a + (@b)
    PRINT upper(@s) + @s
    IF @s = 'x' PRINT @a
    PRINT @a + @b
    PRINT convert(char(10), @d, 103)
    PRINT convert(char(5), @a)
    PRINT convert(char(3), '')
    PRINT convert(varchar(10), @d, 1)
    PRINT convert(varchar(20), @d, 109)
    PRINT convert(datetime, @s, 112)
    PRINT convert(int, @s)
    PRINT convert(numeric(10, 2), @s)
    PRINT convert(varchar(10), @d, 120)
    SELECT @r = CASE @a WHEN 1 THEN 'one' WHEN 2 THEN 'two' ELSE 'many' END
    SELECT @r = CASE WHEN @a = 1 THEN 'one' WHEN @a = 2 THEN 'two' END
    SELECT @r = CASE WHEN @a > 1 THEN 'big' ELSE 'small' END
    SELECT @r = CASE WHEN @a = 1 THEN 'one' WHEN @b = 2 THEN 'two' END
    SELECT @r = CASE @a WHEN 1 THEN 'one' WHEN 2 THEN CASE @b WHEN 1 THEN 'x' ELSE 'y' END ELSE 'z' END
END
GO
