
CREATE OR REPLACE PROCEDURE runner(
id 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
	calc(runner.id,
	 NULL,
	 runner.id);
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	BEGIN
	calc(p => runner.id);
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	BEGIN
	calc;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	BEGIN
	DBMS_DDL.ALTER_COMPILE('PROCEDURE', NULL, UPPER('orders'));
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
END;
/

show errors;
