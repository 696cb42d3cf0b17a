CREATE PROCEDURE top_needs
AS
SELECT item_id, needed, qty, price FROM stock
SELECT TOP 1 p.item_id, p.needed FROM parts p ORDER BY p.needed DESC
SELECT TOP 5 NULL, NULL, qty FROM stock ORDER BY price
GO
