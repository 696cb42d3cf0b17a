
CREATE OR REPLACE PROCEDURE caller(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
	notify(caller.a,
	 'red,green',
	 'x,y',
	 'it''s, here');
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
END caller;
/

show errors;
