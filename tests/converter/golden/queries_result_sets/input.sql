CREATE PROCEDURE lists @d int
AS
SELECT id, name FROM emp WHERE dept = @d ORDER BY name
IF @@rowcount = 0
    PRINT 'none'
SELECT code FROM dept
GO
