
CREATE OR REPLACE TRIGGER audit_ins
AFTER INSERT
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT id
	FROM orders;
END audit_ins;
/

show errors;

CREATE OR REPLACE PACKAGE faultsPkg AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE,
	name		 emp.name%TYPE,
	code		 dept.code%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE faults(
s 	VARCHAR2 ,
RC1 	IN OUT faultsPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	/*[KESTRA-ERR(0008)]:GRANT statement ignored*/

	NULL;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   id
		INTO faults.n
		FROM emp 
		WHERE id IN (
		SELECT  id
		FROM dept 
		WHERE x = 1) 
		AND name = faults.s;
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
	SELECT id
	,  name
	, NULL
	FROM emp;
	OPEN RC1 FOR
	SELECT NULL
	, NULL
	, code
	FROM dept;
END faults;
/

show errors;
