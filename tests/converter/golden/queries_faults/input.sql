CREATE TRIGGER audit_ins ON orders FOR INSERT AS
SELECT id FROM orders
GO
CREATE PROCEDURE faults @s varchar(10)
AS
DECLARE @n int
GRANT INSERT ON orders TO clerk
SELECT @n = id FROM emp WHERE id IN (SELECT id FROM dept WHERE x = 1) AND name = @s
SELECT id, name FROM emp
SELECT code FROM dept
GO
