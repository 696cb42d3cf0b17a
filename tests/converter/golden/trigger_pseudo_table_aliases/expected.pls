
CREATE OR REPLACE TRIGGER trg_orders
AFTER INSERT
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
t 	NUMBER;
id 	INTEGER;
UF1_rowid 	ROWID;
UF1_oval1 	stock.qty%TYPE;

CURSOR UF1_cursor IS
	SELECT s.ROWID, qty - :NEW.qty
	FROM stock s
	
	WHERE s.item = :NEW.item
	FOR UPDATE OF stock.qty;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   :NEW.total
		INTO t
		FROM DUAL;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   :NEW.order_id
		INTO id
		FROM DUAL;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
	
	BEGIN
	Tarn_selcnt := 0;
	Tarn_error := 0;
	Tarn_rowcnt := 0;
	SELECT 1 INTO Tarn_selcnt
	FROM DUAL
	WHERE EXISTS (
		SELECT  1
		FROM DUAL 
		WHERE :NEW.total > 100);
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_selcnt := 0;
			Tarn_error := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	IF Tarn_selcnt != 0 THEN
		DBMS_OUTPUT.PUT_LINE('big') ;
	END IF;
	OPEN UF1_cursor;
	LOOP
		FETCH UF1_cursor INTO UF1_rowid, UF1_oval1;
		EXIT WHEN UF1_cursor%NOTFOUND;
		BEGIN
		Tarn_error   := 0;
		Tarn_rowcnt  := 0;
		UPDATE stock s
		SET qty = UF1_oval1
		WHERE ROWID = UF1_rowid;
		Tarn_rowcnt := SQL%ROWCOUNT;
		EXCEPTION
			WHEN OTHERS THEN
				Tarn_error  := SQLCODE;
				Tarn_errmsg := SQLERRM;
		END;
	END LOOP;
	CLOSE UF1_cursor;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   :NEW.total
		INTO t
		FROM DUAL 
		WHERE :NEW.order_id > 0;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO audit (id, 
		total)
			SELECT  :OLD.order_id, :OLD.total
			FROM DUAL;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
END trg_orders;
/

show errors;
