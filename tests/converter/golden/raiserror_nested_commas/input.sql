CREATE PROCEDURE raise_args @s varchar(20), @n int
AS
BEGIN
    RAISERROR 50010 'Bad %1 in %2.', SUBSTRING(@s, 1, 2), 'a,b'
    RAISERROR ('Code %1 for %2.', ISNULL(@s, 'n/a'), @n)
    RAISERROR 50011 'Next %1 after %2.', @n + 1, @n
    RAISERROR ('Only %1.', @n, @n - 1)
END
GO
