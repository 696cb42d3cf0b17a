CREATE PROCEDURE typed @a amount_t, @s stamp_t, @u unknown_t
AS
DECLARE @x amount_t, @y stamp_t
PRINT @a
GO
