
CREATE OR REPLACE TRIGGER trg_io
INSTEAD OF INSERT OR UPDATE
ON v_orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('io') ;
END trg_io;
/

show errors;

CREATE OR REPLACE PROCEDURE remote_calls(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
r 	INTEGER;
/*[KESTRA-ERR(0008)]:Remote procedure srv1.sales..calc called over the database link srv1, which must exist*/

BEGIN
	BEGIN
	remote_calls.r := calc@srv1(remote_calls.a);
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	/*[KESTRA-ERR(0009)]:Remote procedure srv1.sales.dbo.calc called over the database link srv1, which must exist*/

	BEGIN
	remote_calls.r := calc@srv1(remote_calls.a);
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	/*[KESTRA-ERR(0011)]:Remote procedure srv2.sales.fin.post called over the database link srv2, which must exist*/

	BEGIN
	fin.post@srv2;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	/*[KESTRA-ERR(0012)]:Remote procedure srv3...ping called over the database link srv3, which must exist*/

	BEGIN
	ping@srv3;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
END remote_calls;
/

show errors;
