
CREATE OR REPLACE PACKAGE tvar_flowPkg AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE,
	name		 temp_t.name%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE tvar_flow(
RC1 	IN OUT tvar_flowPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	/*[KESTRA-ERR(0004)]:Table variable @t: CREATE TABLE temp_t statement passed to ddl file*/

	DELETE FROM temp_t WHERE temp_t.SESSID = USERENV('SESSIONID');
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO temp_t (SESSID, id, 
		name)
			SELECT USERENV('SESSIONID'), id, name 
			FROM emp 
			WHERE dept = 1 ;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO temp_t 
			VALUES (USERENV('SESSIONID'), 9, 
			'x');
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	UPDATE temp_t
	SET name = 'y'
	WHERE (id = 9) AND temp_t.SESSID = USERENV('SESSIONID');
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   COUNT(*)
		INTO tvar_flow.n
		FROM temp_t WHERE temp_t.SESSID = USERENV('SESSIONID');
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE FROM temp_t WHERE (id = 9) AND temp_t.SESSID = USERENV('SESSIONID');
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	OPEN RC1 FOR
	SELECT e.id
	,  t.name
	FROM emp e JOIN temp_t t ON t.id = e.id WHERE t.SESSID = USERENV('SESSIONID');
END tvar_flow;
/

show errors;

CREATE OR REPLACE PROCEDURE tvar_other
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0014)]:Table variable @codes: CREATE TABLE temp_codes statement passed to ddl file*/

	DELETE FROM temp_codes WHERE temp_codes.SESSID = USERENV('SESSIONID');
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE  temp_codes WHERE temp_codes.SESSID = USERENV('SESSIONID');
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
END tvar_other;
/

show errors;
