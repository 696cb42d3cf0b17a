
CREATE OR REPLACE PACKAGE pbrowsPkg AS
TYPE RT1 IS RECORD (
	i_oval1 VARCHAR(255),
	i_oval2 VARCHAR2(255)
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;

TYPE RT2 IS RECORD (
	i_oval3 VARCHAR(255),
	i_oval4 VARCHAR2(255),
	i_oval5 VARCHAR2(255)
	);
TYPE RCT2 IS REF CURSOR RETURN RT2;
END;
/ 

CREATE OR REPLACE PROCEDURE pbrows(
RC1 	IN OUT pbrowsPkg.RCT1,
RC2 	IN OUT pbrowsPkg.RCT2,
d 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT  id, 'a=b'
	FROM emp 
	WHERE dept = pbrows.d;
	OPEN RC2 FOR
	SELECT  'x=1', name, id
	FROM emp;
END pbrows;
/

show errors;

CREATE OR REPLACE PACKAGE pbunionPkg AS
TYPE RT3 IS RECORD (
	i_oval6 VARCHAR(255),
	i_oval7 VARCHAR2(255)
	);
TYPE RCT3 IS REF CURSOR RETURN RT3;
END;
/ 

CREATE OR REPLACE PROCEDURE pbunion(
RC3 	IN OUT pbunionPkg.RCT3)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC3 FOR
	SELECT  id, 'a=b'
	FROM emp
	 UNION
	SELECT  id, 'c=d'
	FROM old_emp;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		PBDBMS_OUTPUT.PUT_LINE('SELECT  '
		                     || 'name'
		                     || ' FROM emp '
		                     || ' WHERE name = ''it''''s''');
	END;
END pbunion;
/

show errors;
