
CREATE OR REPLACE TRIGGER trg_note
BEFORE UPDATE
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	:NEW.qty := :NEW.qty + :NEW.qty;
	:NEW.note := 'a,
b';
	:NEW.note := 'see orders.id';
END trg_note;
/

show errors;
