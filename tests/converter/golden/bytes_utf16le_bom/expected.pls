-- Größe 😀

CREATE OR REPLACE PROCEDURE greet
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
/* é */

BEGIN
	DBMS_OUTPUT.PUT_LINE('Grüße 😀') ;
END greet;
/

show errors;
