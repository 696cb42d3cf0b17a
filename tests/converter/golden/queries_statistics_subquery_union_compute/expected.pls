
CREATE OR REPLACE PACKAGE stats_then_setPkg AS
TYPE RT1 IS RECORD (
	id		 emp.id%TYPE,
	dept		 emp.dept%TYPE,
	sal		 emp.sal%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE stats_then_set(
RC1 	IN OUT stats_then_setPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
/* SET ROWCOUNT 10 */

BEGIN
	DBMS_DDL.ANALYZE_OBJECT('TABLE', NULL, UPPER('emp'), 'ESTIMATE', NULL, 100);
	OPEN RC1 FOR
	SELECT id
	, NULL
	, NULL
	FROM emp 
	WHERE id IN (
	SELECT  id
	FROM dept
	UNION
	SELECT  id
	FROM old
	
	/*[KESTRA-ERR(0005)]:ORDER BY statement ignored*/
	);
	OPEN RC1 FOR
	SELECT NULL
	, dept
	,  sal
	FROM emp 
	ORDER BY dept ;
	/*[KESTRA-ERR(0007)]:Manual conversion required*/

	COMPUTE SUM(sal) BY dept
	/*[KESTRA-ERR(0004)]:Manual conversion required SET ROWCOUNT 10: the queries at lines 5 and 6 return every row*/
END stats_then_set;
/

show errors;
