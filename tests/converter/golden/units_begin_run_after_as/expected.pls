
CREATE OR REPLACE PROCEDURE twice
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
BEGIN
	DBMS_OUTPUT.PUT_LINE('x') ;
END;
END;
/

show errors;
