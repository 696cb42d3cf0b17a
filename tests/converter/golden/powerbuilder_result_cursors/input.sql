CREATE PROCEDURE pbrows @d int
AS
SELECT id, 'a=b' FROM emp WHERE dept = @d
SELECT 'x=1', name, id FROM emp
GO
CREATE PROCEDURE pbunion
AS
SELECT id, 'a=b' FROM emp
UNION
SELECT id, 'c=d' FROM old_emp
SELECT name FROM emp WHERE name = 'it''s'
GO
