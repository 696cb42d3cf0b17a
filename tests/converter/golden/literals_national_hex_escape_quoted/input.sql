CREATE PROCEDURE nat_lit @name nvarchar(40), @code nchar(2) = N'AB', @note ntext
AS
BEGIN
    DECLARE @label nvarchar(100), @flag varbinary(4), @mask int
    IF @flag = 0x010100A1
        PRINT N'it''s set'
    IF @mask = 0xFF
        PRINT 'mask'
    SELECT e.id FROM emp e
    WHERE e.code LIKE 'A\_%' ESCAPE '\'
    AND e.name NOT LIKE @name ESCAPE '!'
    AND e.flags & 0x0F = 0x0A
    AND e.tag = N'Zoe'
END
GO
CREATE PROCEDURE quoted_names @id int
AS
    SELECT "O".id, o2."PRECISION" FROM orders O, order_lines o2
    WHERE o2.id = "O".id AND o2."PRECISION" > @id
GO
