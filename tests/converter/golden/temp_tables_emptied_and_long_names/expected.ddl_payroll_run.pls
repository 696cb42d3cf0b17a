CREATE TABLE temp_payroll_lines_of_the_month_for_every_employee_of_the_company (
	SESSID NUMBER,
 	id INTEGER  NOT NULL, 
	amount NUMBER(12, 2)  NULL  
);
CREATE TABLE temp_payroll_totals_of_the_month_for_every_employee_of_the_company AS
SELECT USERENV('SESSIONID') SESSID,
id, amount
FROM pay
WHERE 1 = 2;
