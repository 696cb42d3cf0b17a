CREATE PROCEDURE waits @d datetime, @s varchar(30), @wait varchar(12)
AS
BEGIN
    DECLARE @id int
    WAITFOR DELAY '00:00:02'
    WAITFOR DELAY '01:02:03.250'
    WAITFOR DELAY '00:10'
    WAITFOR DELAY @wait
    WAITFOR DELAY '25:00:00'
    PRINT convert(varchar(19), @d, 120)
    PRINT convert(varchar(23), @d, 121)
    PRINT convert(varchar(10), @d, 23)
    PRINT convert(varchar(8), @d, 108)
    PRINT convert(varchar(30), @d, 126)
    PRINT convert(varchar(30), @d, 22)
    PRINT convert(varchar(30), @d, 13)
    PRINT convert(datetime, @s, 120)
    PRINT convert(datetime, @s, 103)
    PRINT convert(varchar(30), @d, 130)
    PRINT convert(varchar(30), @d, 99)
    PRINT convert(datetime, @s, 118)
    SELECT @id = @@identity
    PRINT @@identity
END
GO
