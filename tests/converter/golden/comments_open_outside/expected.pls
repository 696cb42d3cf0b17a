-- header

/* disabled:
CREATE PROCEDURE p
AS
PRINT 'a'
GO
*/
/*[KESTRA-ERR(0002)]:Comment not closed before the end of the input*/
