CREATE PROCEDURE ddl_demo
AS
BEGIN
    IF @@sqlstatus = 2
        PRINT 'none'
    BEGIN TRAN
    create table #work (id int not null, name varchar(10) NULL, amt numeric(10,0) identity(1,1), unique (id, name))
    CREATE TABLE perm (a int NOT NULL, b char(2) not null unique)
    INSERT #work (id, name) VALUES (1, 'a')
    TRUNCATE TABLE #work
    TRUNCATE perm
    BEGIN TRANSACTION t1
    SAVE TRANSACTION s1
    IF 1 = 1
        DROP TABLE #work
    ELSE
        CREATE INDEX ix1 ON perm (a, b)
    WHILE 1 = 2
        GRANT SELECT ON perm TO public
    IF 1 = 1
        CREATE VIEW v1 AS SELECT a FROM perm WHERE a > 1
    ELSE
        DROP VIEW v1
    ROLLBACK TRANSACTION s1
    ROLLBACK
    COMMIT TRANSACTION t1
    COMMIT
    UPDATE STATISTICS perm
    UPDATE STATISTICS perm ix1
    IF 1 = 1
        DBCC CHECKTABLE (perm, skip_ncindex)
    DBCC CHECKDB (mydb)
    DBCC CHECKALLOC
    DBCC TABLEALLOC (perm, full, fix)
    DBCC INDEXALLOC (5, 2, fast, nofix)
    DBCC CHECKCATALOG (mydb)
    DBCC DBREPAIR (mydb, dropdb)
    DBCC REINDEX (perm)
    DBCC FIX_TEXT (perm)
END
GO
CREATE TRIGGER trg_demo ON emp FOR DELETE
AS
BEGIN
    IF 1 = 1
        ROLLBACK TRANSACTION
    ROLLBACK TRANSACTION s2
END
GO
