
CREATE OR REPLACE PROCEDURE bw_one(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	INTEGER;
BEGIN
	bw_one.x :=  (bw_one.a + bw_one.b - BITAND(bw_one.a, bw_one.b));
	bw_one.x :=  (bw_one.a + 3 - 2 * BITAND(bw_one.a, 3));
	bw_one.x :=  (-(bw_one.a) - 1);
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	UPDATE t1
	SET c1 = (c1 + bw_one.a - BITAND(c1, bw_one.a)),
	c2 = (-(c2) - 1)
	WHERE c3 = bw_one.b;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
END bw_one;
/

show errors;

CREATE OR REPLACE PROCEDURE bw_two(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF (bw_two.a + bw_two.b - 2 * BITAND(bw_two.a, bw_two.b)) > 0 THEN
		DBMS_OUTPUT.PUT_LINE('differ') ;
	END IF;
END bw_two;
/

show errors;
