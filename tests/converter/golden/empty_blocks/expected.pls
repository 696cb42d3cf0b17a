
CREATE OR REPLACE PROCEDURE eb_one(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF eb_one.a = 1 THEN
	BEGIN
		NULL;
	END;
	ELSE
	BEGIN
		NULL;
	END;
	END IF;
	<<i_loop1>>
	WHILE eb_one.a > 0 LOOP
	BEGIN
		NULL;
	END;
	END LOOP;
	IF eb_one.a = 2 THEN
	BEGIN
		BEGIN
			NULL;
		END;
	END;
	END IF;
END eb_one;
/

show errors;

CREATE OR REPLACE PROCEDURE eb_two(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF eb_two.a = 1 THEN
		IF eb_two.a = 2 THEN
		BEGIN
			NULL;
		END;
		ELSE
		BEGIN
			NULL;
		END;
		END IF;
		END IF;
	DBMS_OUTPUT.PUT_LINE('done') ;
END eb_two;
/

show errors;
