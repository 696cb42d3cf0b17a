CREATE PROCEDURE caller @a int
AS
EXEC notify @a, 'red,green', "x,y", 'it''s, here'
GO
