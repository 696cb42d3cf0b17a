
CREATE OR REPLACE PROCEDURE subq_ops(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	INTEGER;
temp_var1 	VARCHAR2(255);
temp_var2 	VARCHAR2(255);
temp_var3 	VARCHAR2(255);
temp_var4 	VARCHAR2(255);
temp_var5 	VARCHAR2(255);
temp_var6 	VARCHAR2(255);
temp_var7 	VARCHAR2(255);
temp_var8 	VARCHAR2(255);
BEGIN
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT MAX(a)
	INTO temp_var1
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  subq_ops.n + temp_var1;
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT MAX(a)
	INTO temp_var2
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  temp_var2 + subq_ops.n;
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT MIN(a)
	INTO temp_var3
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  subq_ops.n - temp_var3;
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT MIN(a)
	INTO temp_var4
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  temp_var4 - subq_ops.n;
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT COUNT(*)
	INTO temp_var5
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  subq_ops.n * temp_var5;
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT COUNT(*)
	INTO temp_var6
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  temp_var6 * subq_ops.n;
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT SUM(a)
	INTO temp_var7
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  subq_ops.n / temp_var7;
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT SUM(a)
	INTO temp_var8
	FROM t1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	subq_ops.x :=  temp_var8 / subq_ops.n;
END subq_ops;
/

show errors;

CREATE OR REPLACE PROCEDURE subq_cmp
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
x 	INTEGER;
temp_var1 	VARCHAR2(255);
temp_var2 	VARCHAR2(255);
BEGIN
	/****** Subqueries in select list is not supported in Corvane. *******/
	/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT MAX(b)
	INTO temp_var1
	FROM t3;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   a
		INTO subq_cmp.x
		FROM t1 
		WHERE temp_var1 = (
		SELECT  MAX(a)
		FROM t2);
		Tarn_rowcnt := SQL%ROWCOUNT;

	END;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	SELECT COUNT(*)
	INTO temp_var2
	FROM t3;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	
	BEGIN
	Tarn_selcnt := 0;
	Tarn_error := 0;
	Tarn_rowcnt := 0;
	SELECT 1 INTO Tarn_selcnt
	FROM DUAL
	WHERE temp_var2 < (
		SELECT  COUNT(*)
		FROM t2);
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	IF Tarn_selcnt != 0 THEN
		DBMS_OUTPUT.PUT_LINE('more') ;
	END IF;
END subq_cmp;
/

show errors;
