
CREATE OR REPLACE PROCEDURE chk
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	
	BEGIN
	Tarn_selcnt := 0;
	Tarn_error := 0;
	Tarn_rowcnt := 0;
	SELECT 1 INTO Tarn_selcnt
	FROM DUAL
	WHERE EXISTS (
		SELECT  *
		FROM jobs);
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_selcnt := 0;
			Tarn_error := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	IF Tarn_selcnt != 0 THEN
		DBMS_OUTPUT.PUT_LINE('yes') ;
	END IF;
END chk;
/

show errors;
