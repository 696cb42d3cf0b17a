
CREATE OR REPLACE PACKAGE mixPkg AS
TYPE RT1 IS RECORD (
	id		 old_emp.id%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE mix(
x 	IN OUT INTEGER,
RC1 	IN OUT mixPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
temp_var1 	VARCHAR2(255);
BEGIN
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT MAX(id)
	INTO temp_var1
	FROM emp;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN TOO_MANY_ROWS THEN
			Tarn_rowcnt  := 2;
		WHEN OTHERS THEN
			Tarn_rowcnt  := 0;
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	mix.x :=  temp_var1;
	OPEN RC1 FOR
	SELECT id
	FROM emp
	 UNION ALL
	SELECT id
	FROM old_emp;
	BEGIN
		Tarn_error   := 0;
		SELECT 1 INTO Tarn_rowcnt FROM DUAL
		WHERE EXISTS (
		SELECT id
		FROM emp
		   UNION
		SELECT id
		FROM old_emp
		);
		EXCEPTION
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
	END;
	IF Tarn_rowcnt = 0 THEN
		DBMS_OUTPUT.PUT_LINE('empty') ;
	END IF;
END mix;
/

show errors;
