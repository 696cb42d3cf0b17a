CREATE PROCEDURE one @d int
AS
SELECT id, name FROM emp WHERE dept = @d
SELECT id INTO #ids FROM emp
GO
