
CREATE OR REPLACE PROCEDURE payroll_run
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0003)]:CREATE TABLE temp_payroll_lines_of_the_month_for_every_employee_of_the_company statement passed to ddl file*/

	DELETE FROM temp_payroll_lines_of_the_month_for_every_employee_of_the_company WHERE temp_payroll_lines_of_the_month_for_every_employee_of_the_company.SESSID = USERENV('SESSIONID');
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE  temp_payroll_lines_of_the_month_for_every_employee_of_the_company WHERE temp_payroll_lines_of_the_month_for_every_employee_of_the_company.SESSID = USERENV('SESSIONID');
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
		/*CONVERTING SELECT  INTO temp_payroll_totals_of_the_month_for_every_employee_of_the_company*/
	        /*TO INSERT INTO temp_payroll_totals_of_the_month_for_every_employee_of_the_company*/
	DELETE FROM temp_payroll_totals_of_the_month_for_every_employee_of_the_company WHERE temp_payroll_totals_of_the_month_for_every_employee_of_the_company.SESSID = USERENV('SESSIONID');
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		INSERT INTO temp_payroll_totals_of_the_month_for_every_employee_of_the_company
		SELECT  USERENV('SESSIONID'), 
		/*[KESTRA-ERR(0006)]:CREATE TABLE temp_payroll_totals_of_the_month_for_every_employee_of_the_company statement added to ddl file*/id, amount
		FROM pay;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
	/*[KESTRA-ERR(0007)]:DROP TABLE temp_payroll_lines_of_the_month_for_every_employee_of_the_company statement ignored*/

	DELETE FROM temp_payroll_lines_of_the_month_for_every_employee_of_the_company WHERE temp_payroll_lines_of_the_month_for_every_employee_of_the_company.SESSID = USERENV('SESSIONID');
	/*[KESTRA-ERR(0008)]:DROP TABLE temp_payroll_totals_of_the_month_for_every_employee_of_the_company statement ignored*/

	DELETE FROM temp_payroll_totals_of_the_month_for_every_employee_of_the_company WHERE temp_payroll_totals_of_the_month_for_every_employee_of_the_company.SESSID = USERENV('SESSIONID');
END payroll_run;
/

show errors;
