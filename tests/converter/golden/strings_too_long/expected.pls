
CREATE OR REPLACE PROCEDURE one
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('a') ;
END one;
/

show errors;
/*[KESTRA-ERR(0007)]:String literal too long (limit 2048): conversion stopped*/
