
CREATE OR REPLACE PROCEDURE fine_one(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('fine') ;
END fine_one;
/

show errors;

CREATE OR REPLACE PROCEDURE broken_one
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('first') ;
	IF broken_one.a > 0 THEN
	BEGIN
		DBMS_OUTPUT.PUT_LINE('second') ;
	END;
	END IF;
show errors;
