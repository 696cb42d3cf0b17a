
CREATE OR REPLACE PROCEDURE charindex_start(
s 	VARCHAR2 )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE(INSTR( charindex_start.s, '(', 3)) ;
	DBMS_OUTPUT.PUT_LINE(INSTR( SUBSTR(charindex_start.s, 1, 5), 'a,b', 2)) ;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE datename_parts(
d 	DATE )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE(TO_CHAR( datename_parts.d, 'FMMonth')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR( datename_parts.d, 'FMDay')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR( datename_parts.d, 'FMYYYY')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR( datename_parts.d, 'FMDD')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR( datename_parts.d, 'FMHH24')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR( datename_parts.d, 'FMDDD')) ;
	/*[KESTRA-ERR(0017)]:Manual conversion required DATENAME()*/

	DBMS_OUTPUT.PUT_LINE(DATENAME(wk, datename_parts.d)) ;
	/*[KESTRA-ERR(0018)]:Manual conversion required DATENAME()*/

	DBMS_OUTPUT.PUT_LINE(DATENAME(ms, datename_parts.d)) ;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE stuff_arguments(
s 	VARCHAR2 )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0024)]:Manual conversion required STUFF()*/

	DBMS_OUTPUT.PUT_LINE(STUFF(stuff_arguments.s, 1, 2)) ;
END;
/

show errors;
