CREATE PROCEDURE mix @x int OUTPUT
AS
SELECT @x = (SELECT max(id) FROM emp)
SELECT id FROM emp UNION ALL SELECT id FROM old_emp
IF @@rowcount = 0
    PRINT 'empty'
GO
