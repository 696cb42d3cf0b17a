
CREATE OR REPLACE PROCEDURE grouped(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE(grouped.a) ;
END grouped;
/

show errors;

CREATE OR REPLACE PROCEDURE grouped
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
	grouped(5);
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
END grouped;
/

show errors;
