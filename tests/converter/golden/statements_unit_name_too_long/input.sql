CREATE PROCEDURE short_one
AS
PRINT 'a'
GO
CREATE PROCEDURE nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn
AS
PRINT 'b'
GO
