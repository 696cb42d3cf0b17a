CREATE PROCEDURE charindex_start @s varchar(20)
AS
BEGIN
    PRINT charindex('(', @s, 3)
    PRINT charindex('a,b', substring(@s, 1, 5), 2)
END
GO
CREATE PROCEDURE datename_parts @d datetime
AS
BEGIN
    PRINT datename(mm, @d)
    PRINT datename('dw', @d)
    PRINT datename(year, @d)
    PRINT datename(dd, @d)
    PRINT datename(hh, @d)
    PRINT datename(dy, @d)
    PRINT datename(wk, @d)
    PRINT datename(ms, @d)
END
GO
CREATE PROCEDURE stuff_arguments @s varchar(20)
AS
BEGIN
    PRINT stuff(@s, 1, 2)
END
GO
