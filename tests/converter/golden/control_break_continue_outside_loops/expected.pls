
CREATE OR REPLACE PROCEDURE skip_rows(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF skip_rows.n = 0 THEN
		/*[KESTRA-ERR(0005)]:CONTINUE statement outside a loop ignored*/
		NULL;
	END IF;
	IF skip_rows.n < 0 THEN
		/*[KESTRA-ERR(0007)]:BREAK statement outside a loop ignored*/
		NULL;
	END IF;
	<<i_loop1>>
	WHILE skip_rows.n > 0 LOOP
	BEGIN
		IF skip_rows.n = 2 THEN
			GOTO i_loop1;
		END IF;
		EXIT;
	END;
	END LOOP;
	/*[KESTRA-ERR(0014)]:CONTINUE statement outside a loop ignored*/
	NULL;
	DBMS_OUTPUT.PUT_LINE('done') ;
END;
/

show errors;
