CREATE PROCEDURE strfns @s varchar(20), @t varchar(20), @n int
AS
BEGIN
    PRINT substring(@s, 2, 3)
    PRINT rtrim(@s)
    PRINT ltrim(@s)
    PRINT charindex('(', @s)
    PRINT charindex('a,b', substring(@s, 1, 5))
    PRINT datalength(@s)
    PRINT upper(@s)
    PRINT lower(@s)
    PRINT isnull(@s, ltrim(@t))
    PRINT ascii(@s)
    PRINT replicate('ab', @n)
    PRINT right(@s, 3)
    PRINT soundex(@s)
    PRINT space(1)
    PRINT str(@n)
    PRINT char(65)
    PRINT stuff(@s, 2, 3, 'xy')
    PRINT char_length(@s)
    PRINT difference(@s, @t)
    PRINT len(@s)
    PRINT LEFT(@s, 2)
    PRINT patindex('%a%', @s)
    PRINT patindex('b%', @t)
END
GO
