CREATE PROCEDURE getsal @id int, @sal int OUTPUT
AS
DECLARE @n int
SELECT @n = 1, @sal = 0
SELECT @sal = sal, @n = dept FROM emp WHERE id = @id
GO
