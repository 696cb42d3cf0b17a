CREATE PROCEDURE msg_lit @n int
AS
BEGIN
    RAISERROR ('Use a || || b for %d rows', 16, 1, @n)
    RAISERROR 50003 'Use || || for %1! rows', @n
    RAISERROR 50004 'No || slot', @n
    PRINT 'it''s %1! now'
    PRINT 'it''%1!', @n
END
GO
