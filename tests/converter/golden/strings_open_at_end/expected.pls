
CREATE OR REPLACE PROCEDURE p
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
/*[KESTRA-ERR(0003)]:String literal not closed before the end of the input: its quote is dropped*/

BEGIN
	DBMS_OUTPUT.PUT_LINE(done) ;
END p;
/

show errors;
