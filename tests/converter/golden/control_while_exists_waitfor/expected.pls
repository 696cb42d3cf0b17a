
CREATE OR REPLACE PROCEDURE wait_rows
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	
	<<i_loop1>>
	WHILE 1 = 1 LOOP
	BEGIN
		BEGIN
		Tarn_selcnt := 0;
		Tarn_error  := 0;
		SELECT 1 INTO Tarn_selcnt FROM DUAL
		WHERE EXISTS (
			SELECT  *
			FROM jobs);
		EXCEPTION
			WHEN OTHERS THEN
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
		END;
		IF Tarn_selcnt != 1 THEN
			EXIT;
		END IF;
		DBMS_LOCK.SLEEP(5);
	END;
	END LOOP;
END;
/

show errors;
