
CREATE OR REPLACE PACKAGE whPkg AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE wh(
a 	INTEGER ,
RC1 	IN OUT whPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT e.id
	FROM emp e,dept d 
	WHERE e.dept = d.id (+) 
	AND e.boss (+) = d.head  
	AND e.x IS NULL 
	AND e.y IS NOT NULL 
	AND e.w > NULL 
	AND e.z = '' 
	AND e.n BETWEEN 1 AND wh.a 
	AND e.n NOT BETWEEN 5 AND 6 
	AND e.code LIKE 'A%1' 
	AND e.code NOT LIKE '50%' 
	AND e.mail = 'x@y.com' 
	AND e.id IN (1, 2) 
	AND e.id NOT IN (3) 
	AND 
	NOT 
	(e.a = 1 
	OR e.b = 2 
	AND e.c = 3);
END wh;
/

show errors;
