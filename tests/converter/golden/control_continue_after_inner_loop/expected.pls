
CREATE OR REPLACE PROCEDURE outer_inner(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	<<i_loop1>>
	WHILE outer_inner.n > 0 LOOP
	BEGIN
		<<i_loop2>>
		WHILE outer_inner.n > 5 LOOP
		BEGIN
			IF outer_inner.n = 7 THEN
				GOTO i_loop2;
			END IF;
			EXIT;
		END;
		END LOOP;
		IF outer_inner.n = 2 THEN
			GOTO i_loop1;
		END IF;
		EXIT;
	END;
	END LOOP;
END;
/

show errors;
