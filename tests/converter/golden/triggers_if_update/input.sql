CREATE TRIGGER trg ON orders FOR UPDATE AS
IF UPDATE(qty)
    PRINT 'qty'
IF UPDATE(price, qty)
    PRINT 'both'
GO
CREATE PROCEDURE notrig @a int AS
IF UPDATE(qty)
    PRINT 'x'
GO
