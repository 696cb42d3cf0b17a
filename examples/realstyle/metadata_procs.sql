/* Vendor metadata procedures */
CREATE PROCEDURE sp_meta_columns @table_name varchar(30), @column_name varchar(30) = '%'
AS
    SELECT c.name, t.name "type_name", c.length "PRECISION"
    FROM syscolumns c, systypes t
    WHERE c.id = object_id(@table_name)
    AND c.usertype = t.usertype
    AND c.name LIKE @column_name ESCAPE '['
    AND c.status & 0x80 = 0
GO

CREATE PROCEDURE sp_meta_setup
AS
BEGIN
    CREATE TABLE meta_objects (obj_id int CONSTRAINT pk_meta PRIMARY KEY CLUSTERED, obj_name nvarchar(128) NOT NULL UNIQUE,
        obj_kind nchar(2) DEFAULT N'U' CHECK (obj_kind IN ('U', 'V', 'P')),
        owner_id int REFERENCES meta_owners(owner_id), sig varbinary(16) NULL,
        created datetime DEFAULT getdate())
    UPDATE meta_objects SET sig = 0x0A0B WHERE obj_id = 1
    SELECT "Order Subtotals".OrderID, o."Freight" FROM order_subtotals "Order Subtotals", orders o
    WHERE o.OrderID = "Order Subtotals".OrderID
END
GO
