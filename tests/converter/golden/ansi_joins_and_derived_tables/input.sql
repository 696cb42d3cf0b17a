CREATE PROCEDURE order_name @id int
AS
DECLARE @name varchar(30)
SELECT @name = c.name FROM orders o INNER JOIN customer c ON o.cust_id = c.id WHERE o.id = @id
DECLARE c1 CURSOR FOR SELECT o.id, c.name FROM orders o LEFT OUTER JOIN customer c ON o.cust_id = c.id CROSS JOIN region r
UPDATE o SET total = 0 FROM orders o JOIN customer c ON o.cust_id = c.id WHERE c.closed = 1
DELETE orders FROM orders join customer c ON orders.cust_id = c.id WHERE c.closed = 1
SELECT @name = x.name FROM region r, (SELECT id, name FROM customer) x WHERE x.id = r.id
GO
CREATE TRIGGER trg_orders ON orders FOR INSERT AS
DECLARE @n int
SELECT @n = c.credit FROM inserted i JOIN customer c ON c.id = i.cust_id WHERE i.total > 0
GO
