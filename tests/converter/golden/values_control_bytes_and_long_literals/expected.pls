
CREATE OR REPLACE PACKAGE pr_bytesPkg AS
TYPE RT1 IS RECORD (
	code		 dept.code%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE pr_bytes(
v 	VARCHAR2 ,
RC1 	IN OUT pr_bytesPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('xyz') ;
	IF pr_bytes.v = 'a1b' THEN
		DBMS_OUTPUT.PUT_LINE('same') ;
	END IF;
	IF pr_bytes.v = 'This literal is long enough to pass the sixtieth column of its line' THEN
		DBMS_OUTPUT.PUT_LINE('long') ;
	END IF;
	OPEN RC1 FOR
	SELECT code
	FROM dept;
END pr_bytes;
/

show errors;
