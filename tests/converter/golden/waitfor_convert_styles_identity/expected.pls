
CREATE OR REPLACE PROCEDURE waits(
d 	DATE ,
s 	VARCHAR2 ,
wait 	VARCHAR2 )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
id 	INTEGER;
BEGIN
	DBMS_LOCK.SLEEP(2);
	DBMS_LOCK.SLEEP(3723.25);
	DBMS_LOCK.SLEEP(600);
	/*[KESTRA-ERR(0009)]:Manual conversion required WAITFOR DELAY*/
	DBMS_LOCK.SLEEP(0 /* waits.wait */);
	/*[KESTRA-ERR(0010)]:Manual conversion required WAITFOR DELAY*/
	DBMS_LOCK.SLEEP(0 /* '25:00:00' */);
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'yyyy-mm-dd hh24:mi:ss')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'yyyy-mm-dd hh24:mi:ss')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'yyyy-mm-dd')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'hh24:mi:ss')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'yyyy-mm-dd"T"hh24:mi:ss')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'mm/dd/yy hh:mi:ss AM')) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'dd mon yyyy hh24:mi:ss')) ;
	DBMS_OUTPUT.PUT_LINE(TO_DATE(waits.s, 'yyyy-mm-dd hh24:mi:ss')) ;
	DBMS_OUTPUT.PUT_LINE(TO_DATE(waits.s, 'dd/mm/yyyy')) ;
	/*[KESTRA-ERR(0019)]:Manual conversion required CONVERT style 130 (Hijri calendar)*/

	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d, 'dd mon yyyy hh:mi:ssAM')) ;
	/*[KESTRA-ERR(0020)]:Manual conversion required CONVERT style 99*/

	DBMS_OUTPUT.PUT_LINE(TO_CHAR(waits.d /* style 99 */)) ;
	/*[KESTRA-ERR(0021)]:Manual conversion required CONVERT style 118*/

	DBMS_OUTPUT.PUT_LINE(TO_DATE(waits.s /* style 118 */)) ;
	/*[KESTRA-ERR(0022)]:Manual conversion required @@identity*/

	waits.id :=  NULL /* IDENTITY */;
	/*[KESTRA-ERR(0023)]:Manual conversion required @@identity*/

	DBMS_OUTPUT.PUT_LINE(NULL /* IDENTITY */) ;
END;
/

show errors;
