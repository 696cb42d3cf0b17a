
CREATE OR REPLACE PACKAGE tmpflowPkg AS
TYPE RT1 IS RECORD (
	name		 temp_t.name%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE tmpflow(
RC1 	IN OUT tmpflowPkg.RCT1)
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
		/*[KESTRA-ERR(0004)]:CREATE TABLE temp_t statement added to ddl file*/id, name
		FROM emp 
		WHERE dept = 1;
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
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO temp_t (SESSID, id, 
		name)
			VALUES (USERENV('SESSIONID'), 9, 
			'x');
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO temp_t 
			SELECT DISTINCT USERENV('SESSIONID'), id, name 
			FROM emp 
			WHERE name = 'SELECT a' ;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	UPDATE temp_t
	SET name = 'y'
	WHERE (id = 9) AND temp_t.SESSID = USERENV('SESSIONID');
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE  temp_t WHERE temp_t.SESSID = USERENV('SESSIONID');
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	OPEN RC1 FOR
	SELECT name
	FROM temp_t WHERE temp_t.SESSID = USERENV('SESSIONID');
END tmpflow;
/

show errors;
