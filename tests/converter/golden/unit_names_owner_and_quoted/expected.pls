
CREATE OR REPLACE PROCEDURE dbo.own_one(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	INTEGER;
BEGIN
	own_one.x :=  own_one.a;
	IF own_one.x = 1 THEN
		own_one.x :=  2;
	END IF;
END own_one;
/

show errors;

CREATE OR REPLACE PACKAGE "Top ProductsPkg" AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE,
	name		 emp.name%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE "Top Products"(
d 	INTEGER ,
RC1 	IN OUT "Top ProductsPkg".RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT id
	,  name
	FROM emp 
	WHERE dept = "Top Products".d 
	ORDER BY name ;
END "Top Products";
/

show errors;

CREATE OR REPLACE PROCEDURE sales."Order Lines"(
d 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	INTEGER;
BEGIN
	"Order Lines".x :=  "Order Lines".d + 1;
END "Order Lines";
/

show errors;

CREATE OR REPLACE TRIGGER dbo.tr_own
AFTER INSERT
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('inserted') ;
END tr_own;
/

show errors;
