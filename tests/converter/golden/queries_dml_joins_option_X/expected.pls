
CREATE OR REPLACE PROCEDURE raise(
pct 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
UF1_rowid 	ROWID;
UF1_oval1 	emp.sal%TYPE;
UF1_oval2 	emp.grade%TYPE;

CURSOR UF1_cursor IS
	SELECT e.ROWID, d.base, d.grade
	FROM emp e,dept d
	
	WHERE e.dept = d.id
	FOR UPDATE OF emp.sal, emp.grade;
UF2_rowid 	ROWID;
UF2_oval1 	emp.sal%TYPE;

CURSOR UF2_cursor IS
	SELECT emp.ROWID, b.sal
	FROM bonus b, emp
	
	WHERE emp.id = b.id
	FOR UPDATE OF emp.sal;
/* SET NOCOUNT ON */

BEGIN
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	UPDATE emp
	SET sal = sal * raise.pct,
	bonus = NULL
	WHERE dept = 1;
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
	IF Tarn_error != 0 THEN
		RETURN ;
	END IF;
	OPEN UF1_cursor;
	LOOP
		FETCH UF1_cursor INTO UF1_rowid, UF1_oval1, UF1_oval2;
		EXIT WHEN UF1_cursor%NOTFOUND;
		BEGIN
		Tarn_error   := 0;
		Tarn_rowcnt  := 0;
		UPDATE emp e
		SET sal = UF1_oval1,
		grade = UF1_oval2
		WHERE ROWID = UF1_rowid;
		Tarn_rowcnt := SQL%ROWCOUNT;
		END;
	END LOOP;
	CLOSE UF1_cursor;
	OPEN UF2_cursor;
	LOOP
		FETCH UF2_cursor INTO UF2_rowid, UF2_oval1;
		EXIT WHEN UF2_cursor%NOTFOUND;
		BEGIN
		Tarn_error   := 0;
		Tarn_rowcnt  := 0;
		UPDATE emp SET sal = UF2_oval1
		WHERE ROWID = UF2_rowid;
		Tarn_rowcnt := SQL%ROWCOUNT;
		END;
	END LOOP;
	CLOSE UF2_cursor;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE  emp
		WHERE ROWID IN
		(SELECT emp.ROWID
		FROM emp,dept
		
		WHERE emp.dept = dept.id 
		AND dept.closed = 1);
	Tarn_rowcnt := SQL%ROWCOUNT;
	END;
END raise;
/

show errors;
