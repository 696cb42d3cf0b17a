-- first unit
CREATE PROCEDURE one
AS
PRINT 'one'
GO
/* between one
   and two */
CREATE PROCEDURE two
AS
BEGIN
    PRINT 'two'
END
GO
-- before three
CREATE TRIGGER three ON t FOR INSERT
AS
PRINT 'three'
GO
