
CREATE OR REPLACE PROCEDURE first_unit
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('one') ;
END first_unit;
/

show errors;
-- create procedure in a comment

/* create procedure in a block comment */

CREATE OR REPLACE PROCEDURE second_unit
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('two') ;
END second_unit;
/

show errors;
