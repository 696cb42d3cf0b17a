CREATE PROCEDURE top_forms
AS
DECLARE @eid int, @ename varchar(30)
SELECT TOP 1 @eid = id FROM emp WHERE dept = 10
SELECT TOP 1 @ename = name FROM emp ORDER BY hired DESC
DECLARE c1 CURSOR FOR SELECT TOP 5 id FROM emp
SELECT @eid = id FROM emp WHERE id IN (SELECT TOP 3 id FROM emp ORDER BY pay)
SELECT DISTINCT TOP 2 dept INTO #d FROM emp
SELECT TOP 10 PERCENT @eid = id FROM emp
SELECT TOP 1 @eid = max(id) FROM emp
INSERT INTO log_t (id) SELECT TOP 5 id FROM emp WHERE dept = 1
GO
CREATE PROCEDURE top_customers @n int
AS
SELECT TOP (@n) cust_id, total FROM customer ORDER BY total DESC
GO
