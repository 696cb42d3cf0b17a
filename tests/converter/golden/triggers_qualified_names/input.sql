CREATE TRIGGER sales.tr_del ON sales.orders FOR DELETE AS
PRINT 'deleted'
GO
CREATE TRIGGER "tr_ins" ON dbo.items FOR INSERT, UPDATE AS
PRINT 'inserted'
GO
