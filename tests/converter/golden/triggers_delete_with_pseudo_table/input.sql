CREATE TRIGGER del_lines ON orders FOR DELETE AS
DELETE order_lines FROM order_lines, deleted d WHERE order_lines.order_id = d.id
GO
