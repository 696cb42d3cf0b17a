CREATE PROCEDURE price_band @qty int, @a int, @b int
AS
DECLARE @r varchar(10)
SELECT @r = case when @qty >= 100 then 'bulk' when @qty >= 10 then 'box' else 'unit' end
SELECT @r = CASE WHEN @a IS NULL AND @b > 0 THEN 'b' ELSE 'a' END
SELECT @r = CASE WHEN @a BETWEEN 1 AND 5 THEN 'low' END
GO
