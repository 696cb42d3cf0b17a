CREATE PROCEDURE try_log @id int
AS
DECLARE @msg varchar(255), @num int
BEGIN TRY
    UPDATE orders SET qty = 0 WHERE id = @id
END TRY
BEGIN CATCH
    SELECT @num = ERROR_NUMBER(), @msg = ERROR_MESSAGE()
    PRINT @msg
    RAISERROR 50001 @msg
END CATCH
GO
CREATE PROCEDURE try_nested @n int
AS
BEGIN
    DECLARE @i int
    SELECT @i = @n
    WHILE @i > 0
    BEGIN
        BEGIN TRY
            EXEC purge_job @i
        END TRY
        BEGIN CATCH
        END CATCH
        SELECT @i = @i - 1
    END
    IF @n = 0
        BEGIN TRY
            THROW 50010, 'No jobs left', 1
        END TRY
        BEGIN CATCH
            IF ERROR_NUMBER() <> 0
                PRINT ERROR_MESSAGE()
            BEGIN TRY
                EXEC cleanup
            END TRY
            BEGIN CATCH
                PRINT ERROR_SEVERITY()
                THROW
            END CATCH
        END CATCH
    ELSE
        PRINT 'left'
END
GO
CREATE PROCEDURE try_fetch @id int
AS
DECLARE @qty int
BEGIN TRY
    SELECT @qty = qty FROM orders WHERE id = @id
END TRY
BEGIN CATCH
    INSERT INTO errlog VALUES (ERROR_NUMBER(), ERROR_MESSAGE())
END CATCH
GO
