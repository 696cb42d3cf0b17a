
CREATE OR REPLACE PROCEDURE wait_first
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_LOCK.SLEEP(5);
	DBMS_OUTPUT.PUT_LINE('done') ;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE wait_only
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_LOCK.SLEEP(1);
END wait_only;
/

show errors;
