CREATE PROCEDURE subq_ops @n int
AS
DECLARE @x int
SELECT @x = @n + (SELECT max(a) FROM t1)
SELECT @x = (SELECT max(a) FROM t1) + @n
SELECT @x = @n - (SELECT min(a) FROM t1)
SELECT @x = (SELECT min(a) FROM t1) - @n
SELECT @x = @n * (SELECT count(*) FROM t1)
SELECT @x = (SELECT count(*) FROM t1) * @n
SELECT @x = @n / (SELECT sum(a) FROM t1)
SELECT @x = (SELECT sum(a) FROM t1) / @n
GO
CREATE PROCEDURE subq_cmp
AS
DECLARE @x int
SELECT @x = a FROM t1 WHERE (SELECT max(a) FROM t2) = (SELECT max(b) FROM t3)
IF (SELECT count(*) FROM t2) > (SELECT count(*) FROM t3)
    PRINT 'more'
GO
