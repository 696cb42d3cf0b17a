
CREATE OR REPLACE PROCEDURE nest(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	<<i_loop1>>
	WHILE nest.a > 0 LOOP
	BEGIN
		IF nest.a = nest.b THEN
		BEGIN
			IF nest.b > 2 THEN
				DBMS_OUTPUT.PUT_LINE('x') ;
			ELSE
				DBMS_OUTPUT.PUT_LINE('y') ;
			END IF;
		END;
		ELSIF nest.a < nest.b THEN
		BEGIN
			DBMS_OUTPUT.PUT_LINE('z') ;
		END;
		ELSE
			EXIT;
		END IF;
	END;
	END LOOP;
END;
/

show errors;
