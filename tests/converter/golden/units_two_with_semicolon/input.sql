CREATE PROCEDURE first_one AS PRINT 1;
-- comment between
CREATE PROCEDURE second_one AS RETURN
