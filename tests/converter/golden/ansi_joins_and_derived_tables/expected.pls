
CREATE OR REPLACE PROCEDURE order_name(
id 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
name 	VARCHAR2(30);
CURSOR c1 IS
	SELECT  o.id, c.name
	FROM orders o LEFT OUTER JOIN customer c ON o.cust_id = c.id CROSS 
	   JOIN region r
;

UF1_rowid 	ROWID;
UF1_oval1 	orders.total%TYPE;

CURSOR UF1_cursor IS
	SELECT o.ROWID, 0
	FROM orders o JOIN customer c ON o.cust_id = c.id
	
	WHERE c.closed = 1
	FOR UPDATE OF orders.total;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   c.name
		INTO order_name.name
		FROM orders o INNER JOIN customer c ON o.cust_id = c.id 
		WHERE o.id = order_name.id;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	OPEN UF1_cursor;
	LOOP
		FETCH UF1_cursor INTO UF1_rowid, UF1_oval1;
		EXIT WHEN UF1_cursor%NOTFOUND;
		BEGIN
		Tarn_error   := 0;
		Tarn_rowcnt  := 0;
		UPDATE orders o
		SET total = UF1_oval1
		WHERE ROWID = UF1_rowid;
		Tarn_rowcnt := SQL%ROWCOUNT;
		END;
	END LOOP;
	CLOSE UF1_cursor;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE  orders
		WHERE ROWID IN
		(SELECT orders.ROWID
		FROM orders JOIN customer c ON orders.cust_id = c.id
		
		WHERE c.closed = 1);
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   x.name
		INTO order_name.name
		FROM region r,(
		SELECT  id, name
		FROM customer) x 
		WHERE x.id = r.id;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
END order_name;
/

show errors;

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
n 	INTEGER;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   c.credit
		INTO n
		FROM customer c 
		WHERE (c.id = :NEW.cust_id) AND (:NEW.total > 0);
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
END trg_orders;
/

show errors;
