
CREATE OR REPLACE PROCEDURE caller(
a 	INTEGER ,
b 	IN OUT INTEGER)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
	b := calc(a,
	 5);
	END;
	BEGIN
	sales.tidy;
	END;
END;
/

show errors;
