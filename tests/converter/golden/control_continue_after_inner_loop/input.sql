CREATE PROCEDURE outer_inner @n int
AS
BEGIN
    WHILE @n > 0
    BEGIN
        WHILE @n > 5
        BEGIN
            IF @n = 7
                CONTINUE
            BREAK
        END
        IF @n = 2
            CONTINUE
        BREAK
    END
END
GO
