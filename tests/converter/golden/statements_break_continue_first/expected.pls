
CREATE OR REPLACE PROCEDURE b1
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0002)]:BREAK statement outside a loop ignored*/
	NULL;
	DBMS_OUTPUT.PUT_LINE(1) ;
END b1;
/

show errors;

CREATE OR REPLACE PROCEDURE c1
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0006)]:CONTINUE statement outside a loop ignored*/
	NULL;
	DBMS_OUTPUT.PUT_LINE(1) ;
END c1;
/

show errors;
