
CREATE OR REPLACE PROCEDURE ops(
a 	INTEGER ,
b 	INTEGER ,
s 	VARCHAR2 ,
d 	DATE )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
r 	VARCHAR2(30);
BEGIN
	DBMS_OUTPUT.PUT_LINE(ops.a + ops.b) ;
	DBMS_OUTPUT.PUT_LINE('x@y.com' || ops.s) ;
	DBMS_OUTPUT.PUT_LINE('a + b' || ops.s) ;
	DBMS_OUTPUT.PUT_LINE(ops.a || ops.b || 'x+y') ;
	DBMS_OUTPUT.PUT_LINE(ops.a - ops.b * 2 / ops.a) ;
	DBMS_OUTPUT.PUT_LINE(MOD(ops.a, 3)) ;
	DBMS_OUTPUT.PUT_LINE(BITAND(ops.a, 6)) ;
	DBMS_OUTPUT.PUT_LINE((ops.a + ops.b - BITAND(ops.a, ops.b))) ;
	DBMS_OUTPUT.PUT_LINE((ops.a + ops.b - 2 * BITAND(ops.a, ops.b))) ;
	DBMS_OUTPUT.PUT_LINE(-ops.a + (ops.b)) ;
	DBMS_OUTPUT.PUT_LINE(UPPER(ops.s) || ops.s) ;
	IF ops.s = 'x' THEN
		DBMS_OUTPUT.PUT_LINE(ops.a) ;
	END IF;
	DBMS_OUTPUT.PUT_LINE(ops.a + ops.b) ;
	DBMS_OUTPUT.PUT_LINE(RPAD(TO_CHAR(ops.d, 'dd/mm/yyyy'), 10, ' ')) ;
	DBMS_OUTPUT.PUT_LINE(RPAD(ops.a, 5, ' ')) ;
	DBMS_OUTPUT.PUT_LINE(RPAD(TO_CHAR(' '), 3, ' ')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(ops.d, 'mm/dd/yy')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(ops.d, 'mon dd yyyy hh:mi:ssAM')) ;
	DBMS_OUTPUT.PUT_LINE(TO_DATE(ops.s, 'yyyymmdd')) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(ops.s)) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(ops.s)) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(ops.d, 'yyyy-mm-dd hh24:mi:ss')) ;
	ops.r :=  DECODE(ops.a, 1, 'one', 2, 'two' , 'many');
	ops.r :=  DECODE(ops.a, 1, 'one', 2, 'two');
	ops.r :=  CASE WHEN ops.a > 1 THEN 'big' ELSE 'small' END;
	ops.r :=  CASE WHEN ops.a = 1 THEN 'one' WHEN ops.b = 2 THEN 'two' 
	   END;
	ops.r :=  DECODE(ops.a, 1, 'one', 2, DECODE(ops.b, 1, 'x' , 'y') 
	   , 'z');
END;
/

show errors;
