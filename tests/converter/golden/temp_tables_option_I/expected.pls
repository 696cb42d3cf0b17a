
CREATE OR REPLACE PROCEDURE one(
d 	INTEGER ,
id OUT emp.id%TYPE,
name OUT emp.name%TYPE)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT id, name
		INTO one.id
		, one.name
		FROM emp 
		WHERE dept = one.d;
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
		/*CONVERTING SELECT  INTO temp_ids*/
	        /*TO INSERT INTO temp_ids*/
	DELETE FROM temp_ids WHERE temp_ids.SESSID = USERENV('SESSIONID');
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		INSERT INTO temp_ids
		SELECT  USERENV('SESSIONID'), 
		/*[KESTRA-ERR(0005)]:CREATE TABLE temp_ids statement added to ddl file*/id
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
END one;
/

show errors;
