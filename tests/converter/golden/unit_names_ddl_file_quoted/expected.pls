
CREATE OR REPLACE PROCEDURE "../x\y"
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
		/*CONVERTING SELECT  INTO temp_t*/
	        /*TO INSERT INTO temp_t*/
	DELETE FROM temp_t WHERE temp_t.SESSID = USERENV('SESSIONID');
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		INSERT INTO temp_t
		SELECT  USERENV('SESSIONID'), 
		/*[KESTRA-ERR(0003)]:CREATE TABLE temp_t statement added to ddl file*/id
		FROM emp;
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
END "../x\y";
/

show errors;
