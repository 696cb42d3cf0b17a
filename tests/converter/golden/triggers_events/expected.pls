
CREATE OR REPLACE TRIGGER trg_orders
AFTER INSERT OR UPDATE OR DELETE
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('changed') ;
END;
/

show errors;
