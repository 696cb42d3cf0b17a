
CREATE OR REPLACE PROCEDURE semi_one(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	IF semi_one.a = 0 THEN
	BEGIN
		DBMS_OUTPUT.PUT_LINE('x') ;
	END;
	END IF;
	semi_one.n :=  2;
	DBMS_OUTPUT.PUT_LINE('last') ;
END semi_one;
/

show errors;
-- between units

CREATE OR REPLACE PROCEDURE semi_two
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	semi_two.n :=  1;
	semi_two.n :=  semi_two.n + 1;
	DBMS_OUTPUT.PUT_LINE(semi_two.n) ;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE semi_three
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('three') ;
	DBMS_OUTPUT.PUT_LINE('tail') ;
END semi_three;
/

show errors;
