-- header comment

/* outer block
   comment */

CREATE OR REPLACE PROCEDURE crlf_one(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;-- inside comment
BEGIN
	DBMS_OUTPUT.PUT_LINE(crlf_one.a) ;
	/* inside block
   comment */

	DBMS_OUTPUT.PUT_LINE('two
lines') ;
	DBMS_OUTPUT.PUT_LINE('three') ;
END crlf_one;
/

show errors;

CREATE OR REPLACE PROCEDURE crlf_two
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('barecr') ;
	/*[KESTRA-ERR(0019)]:DROP TABLE work_t statement ignored*/

	NULL;-- trailing comment
	DBMS_OUTPUT.PUT_LINE('after') ;
END;
/

show errors;
