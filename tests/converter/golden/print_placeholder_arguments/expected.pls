
CREATE OR REPLACE PROCEDURE pr_one(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('Value '|| pr_one.a ||' is bad') ;
	DBMS_OUTPUT.PUT_LINE(pr_one.a ||' and '|| NVL(pr_one.b, 0)) ;
	/*[KESTRA-ERR(0005)]:PRINT argument without a placeholder not written: pr_one.b*/
	DBMS_OUTPUT.PUT_LINE('only '|| pr_one.a) ;
END pr_one;
/

show errors;

CREATE OR REPLACE PROCEDURE pr_two(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('Count: '|| pr_two.a) ;
	DBMS_OUTPUT.PUT_LINE('Done %1 '|| (pr_two.a + 1)) ;
	DBMS_OUTPUT.PUT_LINE((pr_two.a - 1) ||' left, '|| (pr_two.a * 2) ||' twice') ;
	DBMS_OUTPUT.PUT_LINE('Below '|| -1) ;
END;
/

show errors;
