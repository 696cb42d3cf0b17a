
CREATE OR REPLACE PROCEDURE top_forms
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
eid 	INTEGER;
ename 	VARCHAR2(30);
CURSOR c1 IS
	SELECT  id
	FROM emp 
	WHERE ROWNUM <= 5
;

BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   id
		INTO top_forms.eid
		FROM emp 
		WHERE (dept = 10) AND ROWNUM <= 1;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT q_top.*
		INTO top_forms.ename
		FROM (SELECT   name
		FROM emp 
		ORDER BY hired DESC) q_top WHERE ROWNUM <= 1;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   id
		INTO top_forms.eid
		FROM emp 
		WHERE id IN (
		SELECT q_top.* FROM (SELECT  id
		FROM emp 
		ORDER BY pay ) q_top WHERE ROWNUM <= 3);
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
		/*CONVERTING SELECT  INTO temp_d*/
	        /*TO INSERT INTO temp_d*/
	DELETE FROM temp_d WHERE temp_d.SESSID = USERENV('SESSIONID');
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		INSERT INTO temp_d
		SELECT q_top.* FROM (SELECT DISTINCT  USERENV('SESSIONID'), 
		/*[KESTRA-ERR(0009)]:CREATE TABLE temp_d statement added to ddl file*/dept
		FROM emp) q_top WHERE ROWNUM <= 2;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	/*[KESTRA-ERR(0009)]:Manual conversion required : TOP 10 PERCENT (row limit not converted)*/

	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   id
		INTO top_forms.eid
		FROM emp;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT q_top.*
		INTO top_forms.eid
		FROM (SELECT   MAX(id)
		FROM emp) q_top WHERE ROWNUM <= 1;
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO log_t (id)
			SELECT  id
			FROM emp 
			WHERE (dept = 1) AND ROWNUM <= 5;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
END top_forms;
/

show errors;

CREATE OR REPLACE PACKAGE top_customersPkg AS
TYPE RT1 IS RECORD (
	cust_id		 customer.cust_id%TYPE,
	total		 customer.total%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE top_customers(
n 	INTEGER ,
RC1 	IN OUT top_customersPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT q_top.* FROM (SELECT cust_id
	,  total
	FROM customer 
	ORDER BY total DESC) q_top WHERE ROWNUM <= top_customers.n;
END top_customers;
/

show errors;
