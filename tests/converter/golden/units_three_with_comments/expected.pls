-- first unit

CREATE OR REPLACE PROCEDURE one
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('one') ;
END one;
/

show errors;

/* between one
   and two */

CREATE OR REPLACE PROCEDURE two
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('two') ;
END;
/

show errors;
-- before three

CREATE OR REPLACE TRIGGER three
AFTER INSERT
ON t
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('three') ;
END three;
/

show errors;
