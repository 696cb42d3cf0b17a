CREATE PROCEDURE pbq @d int
AS
DECLARE @n int
SELECT id, name FROM emp WHERE dept = @d
UNION
SELECT id, name FROM old_emp
SELECT @n = count FROM stats
GO
