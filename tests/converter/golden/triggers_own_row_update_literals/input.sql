CREATE TRIGGER trg_note ON orders FOR UPDATE AS
UPDATE orders SET qty = orders.qty + i.qty, note = 'a,
b' FROM inserted i WHERE orders.id = i.id
UPDATE orders SET note = 'see orders.id' FROM inserted i WHERE orders.id = i.id
GO
