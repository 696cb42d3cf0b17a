
CREATE OR REPLACE PROCEDURE set_one(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
s 	VARCHAR2(20);
/* SET nocount on */

BEGIN
	set_one.n :=  set_one.a + 1;
	set_one.s :=  'abc';
	IF set_one.n > 1 THEN
		set_one.n :=  0;
	ELSE
		set_one.n :=  set_one.n * 2;
	END IF;
	set_one.n :=  set_one.n - 1;
END set_one;
/

show errors;

CREATE OR REPLACE PROCEDURE set_two(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	set_two.n :=  set_two.a + 1;
END set_two;
/

show errors;
