
CREATE OR REPLACE PROCEDURE pbrows(
i_oval1 OUT VARCHAR2,
i_oval2 OUT VARCHAR2,
i_oval3 OUT VARCHAR2,
i_oval4 OUT VARCHAR2,
i_oval5 OUT VARCHAR2,
d 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT  id, 'a=b'
		INTO i_oval1, i_oval2
		FROM emp 
		WHERE dept = pbrows.d;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT  'x=1', name, id
		INTO i_oval3, i_oval4, i_oval5
		FROM emp;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
END pbrows;
/

show errors;

CREATE OR REPLACE PROCEDURE pbunion(
i_oval6 OUT VARCHAR2,
i_oval7 OUT VARCHAR2)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT  id, 'a=b'
		INTO i_oval6, i_oval7
		FROM emp
		
		 UNION
		SELECT  id, 'c=d'
		FROM old_emp;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
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
