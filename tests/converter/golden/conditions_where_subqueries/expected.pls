
CREATE OR REPLACE PACKAGE subPkg AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE sub(
a 	INTEGER ,
RC1 	IN OUT subPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT e.id
	FROM emp e 
	WHERE 'x' IN (
	SELECT  code
	FROM dept) 
	AND e.id NOT IN (
	SELECT  id
	FROM gone) 
	AND EXISTS (
	SELECT  1
	FROM dept 
	WHERE dept.id = e.dept);
END sub;
/

show errors;
