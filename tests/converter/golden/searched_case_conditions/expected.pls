
CREATE OR REPLACE PROCEDURE price_band(
qty 	INTEGER ,
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
r 	VARCHAR2(10);
BEGIN
	price_band.r :=  CASE WHEN price_band.qty >= 100 THEN 'bulk' WHEN 
	   price_band.qty >= 10 THEN 'box' ELSE 'unit' END;
	price_band.r :=  CASE WHEN price_band.a IS NULL 
	AND price_band.b > 0 THEN 'b' ELSE 'a' END;
	price_band.r :=  CASE WHEN price_band.a BETWEEN 1 AND 5 THEN 'low' 
	   END;
END price_band;
/

show errors;
