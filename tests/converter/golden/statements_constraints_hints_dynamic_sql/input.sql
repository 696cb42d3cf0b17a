CREATE PROCEDURE ddl_calls @sql varchar(255), @tab varchar(30)
AS
BEGIN
    CREATE TABLE parts (id int PRIMARY KEY, code char(3) NOT NULL UNIQUE, qty int DEFAULT 0 CHECK (qty >= 0), price numeric(10,2) DEFAULT -1 NOT NULL, made datetime DEFAULT getdate(), kind char(1) DEFAULT ('A') CHECK (kind = 'A' OR kind = 'B'), owner_id int REFERENCES owners(id), note nvarchar(50) NULL)
    SELECT id FROM parts WITH (NOLOCK) WHERE qty > 0
    UPDATE parts WITH (ROWLOCK) SET qty = 1 WHERE id = 2
    DELETE FROM parts (index ix_parts) WHERE qty = 0
    EXECUTE (@sql)
    EXEC ('delete from ' + @tab)
    EXEC sp_executesql @sql, N'@n int', @n = 1
    EXEC @sql = remote1.sales..calc_totals @tab
END
GO
CREATE PROCEDURE named_constraints
AS
    CREATE TABLE accounts (acc_id int CONSTRAINT pk_acc PRIMARY KEY CLUSTERED, branch char(4) CONSTRAINT df_branch DEFAULT 'MAIN' NOT NULL, CONSTRAINT uq_acc UNIQUE NONCLUSTERED (branch, acc_id), CONSTRAINT ck_acc CHECK (acc_id > 0))
GO
