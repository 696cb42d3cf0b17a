
CREATE OR REPLACE PROCEDURE p
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
/* note that
never ends
*/
/*[KESTRA-ERR(0004)]:Comment not closed before the end of the input*/

BEGIN
	DBMS_OUTPUT.PUT_LINE('a') ;
END p;
/

show errors;
