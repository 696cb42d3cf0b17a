
CREATE OR REPLACE PROCEDURE check_qty(
qty 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF check_qty.qty < 0 THEN
		raise_application_error(-20999, 50001 || '-' || 'Bad value');
	END IF;
	raise_application_error(-20999, 50002 || '-' || 'Qty ' || check_qty.qty ||' too big, max '||  100);
	/*[KESTRA-ERR(0007)]:Message placeholder without an argument written empty*/
	raise_application_error(-20999, 'Qty '||' is odd');
	raise_application_error(-20999, 'Plain message');
END;
/

show errors;
