CREATE PROCEDURE cur_demo
AS
BEGIN
    DECLARE @id int, @nm varchar(20)
    DECLARE c1 CURSOR FOR SELECT id, name FROM emp WHERE id > 0
    OPEN c1
    FETCH c1 INTO @id, @nm
    WHILE @@sqlstatus = 0
    BEGIN
        PRINT @nm
        FETCH NEXT FROM c1 INTO @id, @nm
    END
    IF @@sqlstatus = 2
        PRINT 'end'
    IF @@sqlstatus != 2
        PRINT 'more'
    IF (@@sqlstatus) != 0
        PRINT 'x'
    IF (@@sqlstatus) = 1
        PRINT 'x1'
    IF @@sqlstatus = 1
        PRINT 'err'
    close c1
    DEALLOCATE CURSOR c1
    DECLARE c1 SCROLL CURSOR FOR SELECT id FROM dept FOR READ ONLY
    OPEN c1
    FETCH FIRST c1 INTO @id
    FETCH LAST c1 INTO @id
    WHILE @@fetch_status != -1
        FETCH c1 INTO @id
    IF (@@fetch_status) = 0
        PRINT 'y'
    IF @@fetch_status <> -2
        PRINT 'z'
    IF @@fetch_status = -1
        PRINT 'w'
    CLOSE c1
END
GO
CREATE PROCEDURE no_fetch_here
AS
BEGIN
    WHILE @@fetch_status = 0
        PRINT 'loop'
END
GO
