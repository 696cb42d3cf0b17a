
CREATE OR REPLACE FUNCTION jumps
RETURN INTEGER
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	<<start1>>
	DBMS_OUTPUT.PUT_LINE('again') ;
	GOTO start1;
	<<finish>>
	RETURN 1;
END jumps;
/

show errors;
