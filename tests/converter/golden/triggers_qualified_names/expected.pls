
CREATE OR REPLACE TRIGGER sales.tr_del
AFTER DELETE
ON sales.orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('deleted') ;
END tr_del;
/

show errors;

CREATE OR REPLACE TRIGGER tr_ins
AFTER INSERT OR UPDATE
ON items
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('inserted') ;
END tr_ins;
/

show errors;
