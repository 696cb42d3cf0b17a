
CREATE OR REPLACE PROCEDURE st_one
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
d 	DATE;
u 	VARCHAR2(30);
n 	INTEGER;
BEGIN
	st_one.d :=  SYSDATE;
	st_one.u :=  USER_NAME;
	st_one.n :=  UID;
END st_one;
/

show errors;

CREATE OR REPLACE PROCEDURE st_two(
m 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	IF st_two.m > 0 THEN
		st_two.n :=  USERENV('SESSIONID');
	END IF;
END st_two;
/

show errors;
