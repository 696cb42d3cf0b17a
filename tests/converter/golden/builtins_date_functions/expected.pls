
CREATE OR REPLACE PROCEDURE datefns(
d 	DATE ,
e 	DATE ,
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE(SYSDATE) ;
	DBMS_OUTPUT.PUT_LINE(ADD_MONTHS(datefns.d,((1) * 12))) ;
	DBMS_OUTPUT.PUT_LINE(ADD_MONTHS(datefns.d, datefns.n)) ;
	DBMS_OUTPUT.PUT_LINE(ADD_MONTHS(datefns.d, ((2) * 3))) ;
	DBMS_OUTPUT.PUT_LINE(datefns.d + 7 * (1)) ;
	DBMS_OUTPUT.PUT_LINE(datefns.d + 3) ;
	DBMS_OUTPUT.PUT_LINE(datefns.d + 3) ;
	DBMS_OUTPUT.PUT_LINE(datefns.d + ((5) / 24)) ;
	DBMS_OUTPUT.PUT_LINE(datefns.d + (30) / (24 * 60)) ;
	DBMS_OUTPUT.PUT_LINE(datefns.d + (10) / (24 * 60 * 60)) ;
	/*[KESTRA-ERR(0014)]:Manual conversion required*/
	/*Miliseconds are not supported by CORVANE*/

	DBMS_OUTPUT.PUT_LINE(DATEADD(ms, 10, datefns.d)) ;
	/*[KESTRA-ERR(0015)]:Manual conversion required*/

	DBMS_OUTPUT.PUT_LINE(DATEADD(yyyy, 1, datefns.d)) ;
	DBMS_OUTPUT.PUT_LINE(TRUNC(datefns.e - (datefns.d))) ;
	DBMS_OUTPUT.PUT_LINE(TRUNC((datefns.e - (datefns.d)) / 7)) ;
	DBMS_OUTPUT.PUT_LINE(TRUNC((datefns.e - (datefns.d)) * 24)) ;
	DBMS_OUTPUT.PUT_LINE(TRUNC((datefns.e - (datefns.d)) * 24 * 60)) ;
	DBMS_OUTPUT.PUT_LINE(TRUNC((datefns.e - (datefns.d)) * 24 * 60 * 60)) ;
	DBMS_OUTPUT.PUT_LINE(MONTHS_BETWEEN(datefns.e, datefns.d)) ;
	DBMS_OUTPUT.PUT_LINE((MONTHS_BETWEEN(datefns.e, datefns.d) / 3)) ;
	DBMS_OUTPUT.PUT_LINE(TRUNC((datefns.e - (datefns.d)) / 365.254)) ;
	/*[KESTRA-ERR(0024)]:Manual conversion required*/

	DBMS_OUTPUT.PUT_LINE(DATEDIFF(dy, datefns.d, datefns.e)) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'YYYY'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'Q'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'MM'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'DD'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'WW'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'IW'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'D'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'HH24'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'MI'))) ;
	DBMS_OUTPUT.PUT_LINE(TO_NUMBER(TO_CHAR( datefns.d, 'SS'))) ;
	/*[KESTRA-ERR(0035)]:Manual conversion required*/
	/*Miliseconds are not supported by CORVANE*/

	DBMS_OUTPUT.PUT_LINE(DATEPART(ms, datefns.d)) ;
	/*[KESTRA-ERR(0036)]:Manual conversion required*/

	DBMS_OUTPUT.PUT_LINE(DATEPART(dy, datefns.d)) ;
	DBMS_OUTPUT.PUT_LINE(TO_CHAR( datefns.d, 'FMMonth')) ;
END;
/

show errors;
