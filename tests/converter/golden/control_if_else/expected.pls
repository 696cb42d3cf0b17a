
CREATE OR REPLACE PROCEDURE branch(
x 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF branch.x = 1 THEN
		DBMS_OUTPUT.PUT_LINE('one') ;
	ELSE
		DBMS_OUTPUT.PUT_LINE('other') ;
	END IF;
	IF branch.x > 5 THEN
	BEGIN
		DBMS_OUTPUT.PUT_LINE('big') ;
	END;
	ELSE
	BEGIN
		DBMS_OUTPUT.PUT_LINE('small') ;
	END;
	END IF;
	IF branch.x = 2 THEN
		DBMS_OUTPUT.PUT_LINE('two') ;
	ELSIF branch.x = 3 THEN
		DBMS_OUTPUT.PUT_LINE('three') ;
	ELSE
		DBMS_OUTPUT.PUT_LINE('many') ;
	END IF;
	DBMS_OUTPUT.PUT_LINE('done') ;
END;
/

show errors;
