
CREATE OR REPLACE PROCEDURE find_customer(
customer_id 	INTEGER ,
total 	NUMBER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
name 	VARCHAR2(30);
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   name
		INTO name
		FROM customers 
		WHERE customer_id = find_customer.customer_id;
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
	/*[KESTRA-ERR(0004)]:Variable customer_id keeps the unit's name as prefix: a column has its name*/
	/*[KESTRA-ERR(0004)]:Variable name has no prefix in a statement with a column of its name: check which one each name means*/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	UPDATE orders
	SET total = find_customer.total
	WHERE customer_id = find_customer.customer_id;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	/*[KESTRA-ERR(0005)]:Variable total keeps the unit's name as prefix: a column has its name*/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE FROM orders 
		WHERE find_customer.total = total;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
END find_customer;
/

show errors;
