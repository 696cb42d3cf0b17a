CREATE PROCEDURE ret_demo @x int
AS
IF @x > 0
    RETURN @x
RETURN
GO
