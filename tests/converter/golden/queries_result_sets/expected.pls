
CREATE OR REPLACE PACKAGE listsPkg AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE,
	name		 emp.name%TYPE,
	code		 dept.code%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE lists(
d 	INTEGER ,
RC1 	IN OUT listsPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT id
	,  name
	, NULL
	FROM emp 
	WHERE dept = lists.d 
	ORDER BY name ;
	BEGIN
		Tarn_error   := 0;
		SELECT 1 INTO Tarn_rowcnt FROM DUAL
		WHERE EXISTS (
		SELECT id, name
		FROM emp 
		WHERE dept = lists.d 
		ORDER BY name 
		);
		EXCEPTION
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
	END;
	IF Tarn_rowcnt = 0 THEN
		DBMS_OUTPUT.PUT_LINE('none') ;
	END IF;
	OPEN RC1 FOR
	SELECT NULL
	, NULL
	, code
	FROM dept;
END lists;
/

show errors;
