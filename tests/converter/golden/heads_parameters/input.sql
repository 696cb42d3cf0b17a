CREATE PROCEDURE upd_price @id int, @price numeric(10,2) = 0, @note varchar(40) = NULL,
    @old numeric(10,2) OUTPUT
AS
DECLARE @n int
PRINT @note
GO
