
CREATE OR REPLACE PROCEDURE limited_queries(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	INTEGER;
/* SET rowcount 10 */

BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   COUNT(*)
		INTO limited_queries.x
		FROM orders 
		WHERE id > limited_queries.n;
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
/* SET rowcount 0 */

	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	UPDATE orders
	SET flag = 1
	WHERE id > limited_queries.n;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE FROM orders 
		WHERE id = limited_queries.n;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	/*[KESTRA-ERR(0003)]:Manual conversion required SET ROWCOUNT 10: the queries at lines 4 and 5 return every row*/
END limited_queries;
/

show errors;

CREATE OR REPLACE PROCEDURE print_formats(
qty 	INTEGER ,
shop 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('Qty '|| print_formats.qty ||' for '|| print_formats.shop) ;
	/*[KESTRA-ERR(0013)]:Message placeholder without an argument written empty*/
	DBMS_OUTPUT.PUT_LINE('Value ') ;
	/*[KESTRA-ERR(0014)]:Unrecognised placeholder %x in a message written as text*/
	DBMS_OUTPUT.PUT_LINE('50%x off '|| print_formats.qty) ;
	raise_application_error(-20999, 'Order ' ||  print_formats.qty ||' of ' ||  print_formats.shop ||' failed');
	/*[KESTRA-ERR(0016)]:Message placeholder without an argument written empty*/
	raise_application_error(-20999, 50005 || '-' || 'Stock '||' low');
END;
/

show errors;
