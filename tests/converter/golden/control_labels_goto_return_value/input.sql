CREATE PROCEDURE jumps
AS
start:
    PRINT 'again'
    GOTO start
finish:
    RETURN 1
GO
