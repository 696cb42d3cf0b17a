CREATE PROCEDURE sub @a int
AS
SELECT e.id FROM emp e
WHERE 'x' IN (SELECT code FROM dept)
AND e.id NOT IN (SELECT id FROM gone)
AND EXISTS (SELECT 1 FROM dept WHERE dept.id = e.dept)
GO
