
CREATE OR REPLACE PROCEDURE typed(
a 	NUMBER ,
s 	date ,
u 	USER_TYPE_unknown_t )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	NUMBER(12,2);
y 	date;
BEGIN
	DBMS_OUTPUT.PUT_LINE(typed.a) ;
END typed;
/

show errors;
