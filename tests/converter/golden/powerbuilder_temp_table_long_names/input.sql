CREATE PROCEDURE pb_fill
AS
PRINT 'fill'
SELECT id INTO #payroll_lines_of_the_month_for_every_employee_of_the_company FROM pay
SELECT id INTO #s FROM pay
GO
