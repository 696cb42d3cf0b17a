
CREATE OR REPLACE PROCEDURE upd_price(
id 	INTEGER ,
price 	NUMBER  DEFAULT 0,
note 	VARCHAR2  DEFAULT NULL,
old 	IN OUT NUMBER)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE(upd_price.note) ;
END upd_price;
/

show errors;
