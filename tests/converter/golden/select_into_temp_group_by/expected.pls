
CREATE OR REPLACE PACKAGE dept_totalsPkg AS
TYPE RT1 IS RECORD (
	dept		 temp_totals.dept%TYPE,
	cnt		 temp_totals.cnt%TYPE,
	Total		 temp_totals.Total%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE dept_totals(
RC1 	IN OUT dept_totalsPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
		/*CONVERTING SELECT  INTO temp_totals*/
	        /*TO INSERT INTO temp_totals*/
	DELETE FROM temp_totals WHERE temp_totals.SESSID = USERENV('SESSIONID');
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		INSERT INTO temp_totals
		SELECT  USERENV('SESSIONID'), 
		/*[KESTRA-ERR(0003)]:CREATE TABLE temp_totals statement added to ddl file*/dept, COUNT(*) "cnt", SUM(sal) "Total"
		FROM emp 
		WHERE sal > 0 
		GROUP BY dept, job;
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
	OPEN RC1 FOR
	SELECT dept
	,  cnt
	,  Total
	FROM temp_totals WHERE temp_totals.SESSID = USERENV('SESSIONID');
END dept_totals;
/

show errors;
