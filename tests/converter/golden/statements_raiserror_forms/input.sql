CREATE PROCEDURE check_qty @qty int
AS
BEGIN
    IF @qty < 0
        RAISERROR 50001 'Bad value'
    RAISERROR 50002 'Qty %1! too big, max %2!', @qty, 100
    RAISERROR ('Qty %1! is odd', @qty)
    RAISERROR 'Plain message', 1
END
GO
