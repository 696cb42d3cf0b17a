CREATE PROCEDURE tmpflow
AS
SELECT id, name INTO #t FROM emp WHERE dept = 1
INSERT INTO #t (id, name) VALUES (9, 'x')
INSERT #t SELECT DISTINCT id, name FROM emp WHERE name = 'SELECT a'
UPDATE #t SET name = 'y' WHERE id = 9
DELETE #t
SELECT name FROM #t
GO
