
CREATE OR REPLACE PROCEDURE ret_demo(
x 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF ret_demo.x > 0 THEN
		RETURN /*ret_demo.x*/;
	END IF;
	RETURN /**/;
END ret_demo;
/

show errors;
