
CREATE OR REPLACE PROCEDURE loop_demo
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
i 	INTEGER;
BEGIN
	<<i_loop1>>
	WHILE loop_demo.i < 10 LOOP
	BEGIN
		IF loop_demo.i = 5 THEN
			EXIT;
		END IF;
		IF loop_demo.i = 3 THEN
			GOTO i_loop1;
		END IF;
		DBMS_OUTPUT.PUT_LINE(loop_demo.i) ;
	END;
	END LOOP;
	<<i_loop2>>
	WHILE loop_demo.i > 0 LOOP
		DBMS_OUTPUT.PUT_LINE(loop_demo.i) ;
	END LOOP;
	DBMS_OUTPUT.PUT_LINE('done') ;
END;
/

show errors;
