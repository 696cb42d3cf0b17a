
CREATE OR REPLACE TRIGGER del_lines
AFTER DELETE
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE  order_lines 
	WHERE order_lines.order_id = :OLD.id;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
END del_lines;
/

show errors;
