
CREATE OR REPLACE TRIGGER trg
AFTER UPDATE
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF (:NEW.qty != :OLD.qty) THEN
		DBMS_OUTPUT.PUT_LINE('qty') ;
	END IF;
	IF (:NEW.price != :OLD.price OR :NEW.qty != :OLD.qty) THEN
		DBMS_OUTPUT.PUT_LINE('both') ;
	END IF;
END trg;
/

show errors;

CREATE OR REPLACE PROCEDURE notrig(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF UPDATING /*[KESTRA-ERR(0008)]:(qty) Manual conversion requird*/
		 THEN
		DBMS_OUTPUT.PUT_LINE('x') ;
	END IF;
END notrig;
/

show errors;
