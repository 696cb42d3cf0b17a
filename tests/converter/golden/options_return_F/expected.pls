
CREATE OR REPLACE FUNCTION ret_demo(
x 	INTEGER )
RETURN INTEGER
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF ret_demo.x > 0 THEN
		RETURN ret_demo.x;
	END IF;
	RETURN 0;
END ret_demo;
/

show errors;
