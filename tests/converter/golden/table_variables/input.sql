CREATE PROCEDURE tvar_flow
AS
DECLARE @n int
DECLARE @t TABLE (id int NOT NULL, name varchar(30) NULL)
INSERT INTO @t (id, name) SELECT id, name FROM emp WHERE dept = 1
INSERT @t VALUES (9, 'x')
UPDATE @t SET name = 'y' WHERE id = 9
SELECT @n = count(*) FROM @t
DELETE FROM @t WHERE id = 9
SELECT e.id, t.name FROM emp e JOIN @t t ON t.id = e.id
GO
CREATE PROCEDURE tvar_other
AS
DECLARE @codes AS TABLE (code char(2))
DELETE @codes
GO
