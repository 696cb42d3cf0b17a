
CREATE OR REPLACE PROCEDURE pbq(
d 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		PBDBMS_OUTPUT.PUT_LINE('SELECT  '
		                     || 'id, name'
		                     || ' FROM emp '
		                     || ' WHERE dept = pbq.d'
		                     || ' UNION '
		                     || 'SELECT  '
		                     || 'id, name'
		                     || ' 	FROM old_emp');
	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   COUNT
		INTO pbq.n
		FROM stats;
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
END pbq;
/

show errors;
