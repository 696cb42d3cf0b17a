CREATE PROCEDURE fnsub @n int
AS
DECLARE @x int
SELECT @x = ISNULL((SELECT max(a) FROM t1), 0)
SELECT @x = ISNULL((SELECT max(a) FROM t1), @n * 2)
SELECT @x = ISNULL(@n, (SELECT max(a) FROM t1))
SELECT @x = SUBSTRING((SELECT name FROM t1), 1, (@n + 1))
SELECT @x = ISNULL((SELECT max(a) FROM t1), ABS(@n))
SELECT @x = ISNULL((SELECT max(a) FROM t1), b) FROM t2
GO
