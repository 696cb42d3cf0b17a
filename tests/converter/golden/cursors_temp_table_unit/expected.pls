
/* Month-end posting: moves the open orders of a region into the ledger. */

CREATE OR REPLACE FUNCTION post_month(
region 	CHAR ,
posted 	IN OUT INTEGER)
RETURN INTEGER
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
ord 	INTEGER;
amt 	NUMBER(12, 2);
cust 	VARCHAR2(30);
total 	NUMBER(14, 2);
CURSOR ord_cur IS
	SELECT  o.ord_id, o.amount, c.name
	FROM orders o,customers c 
	WHERE o.cust_id = c.cust_id 
	AND o.region = post_month.region 
	AND o.status = 'O'
/* FOR READ ONLY */;

BEGIN
	post_month.posted :=  0;
	post_month.total :=  0;
	/*[KESTRA-ERR(0007)]:CREATE TABLE temp_batch statement passed to ddl file*/

	DELETE FROM temp_batch WHERE temp_batch.SESSID = USERENV('SESSIONID');
	SAVEPOINT posting;
	OPEN ord_cur;

	FETCH ord_cur INTO
	post_month.ord, post_month.amt, post_month.cust;

	IF ord_cur%NOTFOUND THEN
		Tarn_sqlstatus := 2;
	ELSE
		Tarn_sqlstatus := 0;
	END IF;
	<<i_loop1>>
	WHILE ord_cur%FOUND LOOP
	BEGIN
		BEGIN
		Tarn_error   := 0;
		Tarn_rowcnt  := 0;
			INSERT INTO temp_batch (SESSID, ord, 
			amt)
				VALUES (USERENV('SESSIONID'), post_month.ord, 
				post_month.amt);
		Tarn_rowcnt := SQL%ROWCOUNT;
		EXCEPTION
			WHEN OTHERS THEN
				Tarn_error  := SQLCODE;
				Tarn_errmsg := SQLERRM;
		END;
		BEGIN
		Tarn_error   := 0;
		Tarn_rowcnt  := 0;
		UPDATE orders
		SET status = 'P'
		WHERE ord_id = post_month.ord;
		Tarn_rowcnt := SQL%ROWCOUNT;
		EXCEPTION
			WHEN OTHERS THEN
				Tarn_error  := SQLCODE;
				Tarn_errmsg := SQLERRM;
		END;
		IF Tarn_error != 0 THEN
		BEGIN
			ROLLBACK TO SAVEPOINT posting;
			CLOSE ord_cur;

			RETURN 1;
		END;
		END IF;
		post_month.posted :=  post_month.posted + 1;
		post_month.total :=  post_month.total + post_month.amt;
		FETCH ord_cur INTO
		post_month.ord, post_month.amt, post_month.cust;

		IF ord_cur%NOTFOUND THEN
			Tarn_sqlstatus := 2;
		ELSE
			Tarn_sqlstatus := 0;
		END IF;
	END;
	END LOOP;
	CLOSE ord_cur;

/*[KESTRA-ERR(0030)]:Deallocate Cursor is not supported*/

	NULL;

	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO ledger (region, 
		amount)
			SELECT  post_month.region, SUM(amt)
			FROM temp_batch WHERE temp_batch.SESSID = USERENV('SESSIONID');
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	/* Manual conversion : Please use DBMS_DDL packaged function to improve the performance.*/
	DELETE temp_batch WHERE temp_batch.SESSID = USERENV('SESSIONID');
	COMMIT WORK;
	DBMS_DDL.ANALYZE_OBJECT('TABLE', NULL, UPPER('ledger'), 'ESTIMATE', NULL, 100);
	RETURN 0;
END;
/

show errors;
