CREATE PROCEDURE p
AS
PRINT 'a'
/* note that
never ends
