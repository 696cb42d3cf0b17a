CREATE PROCEDURE ojr @k int
AS
DECLARE @sname varchar(30), @n int
SELECT @sname = s.name FROM parts p, suppliers s
WHERE p.sid *= s.id
AND s.kind = 'A'
AND s.rating BETWEEN @k AND 9
AND p.active = 1
AND upper(s.code) LIKE 'X%'
SELECT @n = p.id FROM parts p, suppliers s
WHERE p.sid =* s.id
AND p.kind = 'B'
AND s.region IN ('N', 'S')
AND s.id > p.id
SELECT @n = p.id FROM parts p, suppliers s
WHERE p.sid *= s.id
AND s.region IN ('N', 'S')
GO
CREATE PROCEDURE ojt
AS
DECLARE @n int
SELECT @n = p.id FROM parts p, #sup s
WHERE p.sid *= s.id
AND s.kind = 'A'
GO
