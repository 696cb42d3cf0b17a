
CREATE OR REPLACE PACKAGE nat_litPkg AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE nat_lit(
name 	NVARCHAR2 ,
code 	NCHAR  DEFAULT N'AB',
note 	NCLOB ,
RC1 	IN OUT nat_litPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
label 	NVARCHAR2(100);
flag 	RAW(4);
mask 	INTEGER;
BEGIN
	IF nat_lit.flag = HEXTORAW('010100A1') THEN
		DBMS_OUTPUT.PUT_LINE(N'it''s set') ;
	END IF;
	IF nat_lit.mask = 255 THEN
		DBMS_OUTPUT.PUT_LINE('mask') ;
	END IF;
	OPEN RC1 FOR
	SELECT e.id
	FROM emp e 
	WHERE e.code LIKE 'A\_%' ESCAPE '\' 
	AND e.name NOT LIKE nat_lit.name ESCAPE '!' 
	AND BITAND(e.flags, 15) = 10 
	AND e.tag = N'Zoe';
END;
/

show errors;

CREATE OR REPLACE PACKAGE quoted_namesPkg AS
TYPE RT1 IS RECORD (
	id		 orders.id%TYPE,
	"PRECISION"		 order_lines."PRECISION"%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE quoted_names(
id 	INTEGER ,
RC1 	IN OUT quoted_namesPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT "O".id
	,  o2."PRECISION"
	FROM orders O,order_lines o2 
	WHERE o2.id = "O".id 
	AND o2."PRECISION" > quoted_names.id;
END quoted_names;
/

show errors;
