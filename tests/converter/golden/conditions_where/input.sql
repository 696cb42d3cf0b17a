CREATE PROCEDURE wh @a int
AS
SELECT e.id FROM emp e, dept d
WHERE e.dept *= d.id
AND e.boss =* d.head
AND e.x = NULL
AND e.y <> NULL
AND e.w > NULL
AND e.z = ''
AND e.n BETWEEN 1 AND @a
AND e.n NOT BETWEEN 5 AND 6
AND e.code LIKE 'A%1'
AND e.code NOT LIKE '50%'
AND e.mail = 'x@y.com'
AND e.id IN (1, 2)
AND e.id NOT IN (3)
AND NOT (e.a = 1 OR e.b = 2 AND e.c = 3)
GO
