
CREATE OR REPLACE PROCEDURE numfns(
n 	INTEGER ,
x 	NUMBER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE(ABS(numfns.n)) ;
	DBMS_OUTPUT.PUT_LINE(CEIL(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(COS(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(FLOOR(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(POWER(numfns.x, 2)) ;
	DBMS_OUTPUT.PUT_LINE(ROUND(numfns.x, 2)) ;
	DBMS_OUTPUT.PUT_LINE(SIGN(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(SQRT(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(TAN(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(SIN(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(EXP(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(LN(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(LOG(10, numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(COS(numfns.x)/SIN(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(SUM(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(AVG(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(COUNT(*)) ;
	DBMS_OUTPUT.PUT_LINE(MIN(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(MAX(numfns.x)) ;
	DBMS_OUTPUT.PUT_LINE(SUSER_NAME) ;
	DBMS_OUTPUT.PUT_LINE(USER_NAME) ;
	DBMS_OUTPUT.PUT_LINE(USER_ID(numfns.n)) ;
	DBMS_OUTPUT.PUT_LINE(USERENV('SESSIONID')) ;
	DBMS_OUTPUT.PUT_LINE(UID) ;
	DBMS_OUTPUT.PUT_LINE(COL_LENGTH('orders', 'qty')) ;
	DBMS_OUTPUT.PUT_LINE(DBMS_DDL.ALTER_COMPILE('PROCEDURE', NULL, UPPER('orders'))) ;
	DBMS_OUTPUT.PUT_LINE(BITAND(numfns.n, 3)) ;
	/*[In line (0031)]: New function BASECHAR() is introduced to mimic Sybase function*/
	DBMS_OUTPUT.PUT_LINE(BASECHAR(numfns.n, 2)) ;
	/*[In line (0032)]: New function BITNAND() is introduced to mimic Sybase function*/
	DBMS_OUTPUT.PUT_LINE(BITNAND(numfns.n, 3)) ;
	/*[In line (0033)]: New function CHARBASE() is introduced to mimic Sybase function*/
	DBMS_OUTPUT.PUT_LINE(CHARBASE('101', 2)) ;
	/*[In line (0034)]: New function BITNAND() is introduced to mimic Sybase function*/
	DBMS_OUTPUT.PUT_LINE(BITNAND(numfns.n, 1)) ;
	/*[KESTRA-ERR(0035)]:Manual conversion required newid()*/

	DBMS_OUTPUT.PUT_LINE(newid()) ;
	/*[KESTRA-ERR(0036)]:Manual conversion required getutcdate()*/

	DBMS_OUTPUT.PUT_LINE(getutcdate()) ;
END;
/

show errors;

CREATE OR REPLACE FUNCTION BASECHAR(
P1 NUMBER,
BASE NUMBER)
RETURN VARCHAR2
AS
DIGITSTRING VARCHAR2(16) := '0123456789ABCDEF';
INTVALUE INTEGER;
REMAINDER INTEGER;
RETURNVALUE VARCHAR2(100);
BEGIN
	INTVALUE := FLOOR(P1/BASE);
	REMAINDER := MOD(P1,BASE);
	RETURNVALUE := SUBSTR(DIGITSTRING,REMAINDER+1,1);
	WHILE INTVALUE > 0 LOOP
		REMAINDER := MOD(INTVALUE,BASE);
		INTVALUE := FLOOR(INTVALUE/BASE);
		RETURNVALUE := SUBSTR(DIGITSTRING,REMAINDER+1,1) || RETURNVALUE;
	END LOOP;
	RETURN RETURNVALUE;
END BASECHAR;
/
show errors;

CREATE OR REPLACE FUNCTION BITNAND(
p1 NUMBER,
p2 NUMBER)
RETURN NUMBER
AS
bits1 VARCHAR2(100);
bits2 VARCHAR2(100);
bitsout VARCHAR2(100);
nbits NUMBER;
loopc NUMBER;
cbit CHAR(1);
BEGIN
	bits1 := BASECHAR(p1, 2);
	bits2 := BASECHAR(p2, 2);
	nbits := GREATEST(LENGTH(bits1), LENGTH(bits2));
	bitsout := '';
	bits1 := LPAD(bits1, nbits, '0');
	bits2 := LPAD(bits2, nbits, '0');
	FOR loopc IN 1..nbits LOOP
		IF SUBSTR(bits2, loopc, 1) = '1' THEN
			cbit := '0';
		ELSE
			cbit := '1';
		END IF;
		IF SUBSTR(bits1, loopc, 1) = '1' AND cbit = '1' THEN
			bitsout := cbit || bitsout;
		ELSE
			bitsout := '0' || bitsout;
		END IF;
	END LOOP;
	RETURN(CHARBASE(bitsout, 2));
END BITNAND;
/
show errors;

CREATE OR REPLACE FUNCTION CHARBASE(
p1 VARCHAR2,
base NUMBER)
RETURN NUMBER
AS
digitstring VARCHAR2(16) := '0123456789ABCDEF';
returnvalue NUMBER := 0;
cnum NUMBER;
loopc NUMBER;
BEGIN
	FOR loopc IN 1..LENGTH(p1) LOOP
		cnum := INSTR(digitstring, SUBSTR(p1, loopc, 1));
		returnvalue := (returnvalue * base) + (cnum - 1);
	END LOOP;
	RETURN returnvalue;
END CHARBASE;
/
show errors;
