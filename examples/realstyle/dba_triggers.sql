-- DBA scripts: server and database triggers next to table triggers
CREATE TRIGGER ddl_no_drop ON DATABASE FOR DROP_TABLE, ALTER_TABLE
AS
BEGIN
    PRINT 'Tables cannot be dropped here'
    ROLLBACK
END
GO
CREATE TRIGGER trg_view_insert ON order_view INSTEAD OF INSERT
AS
BEGIN
    INSERT INTO orders (ord_id, status) SELECT ord_id, 'N' FROM inserted
END
GO
CREATE TRIGGER srv_logon_audit ON ALL SERVER FOR LOGON
AS
    INSERT INTO master..logon_audit (login_name) VALUES (ORIGINAL_LOGIN())
GO
CREATE TRIGGER trg_items_ins ON order_items FOR INSERT
AS
    IF @@rowcount = 0
        RETURN
    UPDATE orders SET item_count = item_count + 1 FROM orders, inserted WHERE orders.ord_id = inserted.ord_id
GO
