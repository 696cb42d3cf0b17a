-- maintenance script
/* no procedure here */
SELECT 1
GO
UPDATE t SET a = 1
GO
