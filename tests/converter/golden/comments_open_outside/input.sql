-- header
/* disabled:
CREATE PROCEDURE p
AS
PRINT 'a'
GO
