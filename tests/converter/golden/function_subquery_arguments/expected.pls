
CREATE OR REPLACE PROCEDURE fnsub(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	INTEGER;
BEGIN
	fnsub.x :=  (SELECT NVL(MAX(a), 0) FROM t1);
	fnsub.x :=  (SELECT NVL(MAX(a), fnsub.n * 2) FROM t1);
	fnsub.x :=  (SELECT NVL(fnsub.n, MAX(a)) FROM t1);
	fnsub.x :=  (SELECT SUBSTR(name, 1, (fnsub.n + 1)) FROM t1);
	fnsub.x :=  (SELECT NVL(MAX(a), ABS(fnsub.n)) FROM t1);
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   (SELECT NVL(MAX(a), b) FROM t1)
		INTO fnsub.x
		FROM t2;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
END fnsub;
/

show errors;
