
CREATE OR REPLACE PROCEDURE pb_fill
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('fill') ;
	/*[KESTRA-ERR(0005)]:TEMP tables are not supported by CORVANE*/

	/*Converting SELECT  INTO temp_payroll_lines_of_the_month_for_every_employee_of_the_company*/
	/*To INSERT INTO temp_payroll_lines_of_the_month_for_every_employee_of_the_company*/
	/*[KESTRA-ERR(0006)]:TEMP tables are not supported by CORVANE*/

	/*Converting SELECT  INTO temp_s         */
	/*To INSERT INTO temp_s                  */
END pb_fill;
/

show errors;
