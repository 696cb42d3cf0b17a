
CREATE OR REPLACE PROCEDURE b1
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	EXIT;
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
	GOTO i_loop0;
	DBMS_OUTPUT.PUT_LINE(1) ;
END c1;
/

show errors;
