
CREATE OR REPLACE PROCEDURE nest_eq(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF nest_eq.a > 0 THEN
		IF nest_eq.a = nest_eq.b THEN
			DBMS_OUTPUT.PUT_LINE('eq') ;
		END IF;
	END IF;
END nest_eq;
/

show errors;

CREATE OR REPLACE PROCEDURE nest_begin(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF nest_begin.a > 0 THEN
	BEGIN
		IF nest_begin.a <> nest_begin.b THEN
			DBMS_OUTPUT.PUT_LINE('ne') ;
		END IF;
		IF nest_begin.a = nest_begin.b + 1 THEN
			DBMS_OUTPUT.PUT_LINE('next') ;
		END IF;
	END;
	END IF;
END nest_begin;
/

show errors;

CREATE OR REPLACE PROCEDURE nest_else(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF nest_else.a > 0 THEN
		IF nest_else.b = 0 THEN
			DBMS_OUTPUT.PUT_LINE('zero') ;
		ELSIF nest_else.a = nest_else.b THEN
			DBMS_OUTPUT.PUT_LINE('same') ;
		ELSE
			DBMS_OUTPUT.PUT_LINE('other') ;
		END IF;
	END IF;
END nest_else;
/

show errors;

CREATE OR REPLACE PROCEDURE nest_while(
a 	INTEGER ,
b 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	<<i_loop1>>
	WHILE nest_while.a > 0 LOOP
	BEGIN
		<<i_loop2>>
		WHILE nest_while.a = nest_while.b LOOP
			nest_while.n :=  1;
		END LOOP;
	END;
	END LOOP;
END nest_while;
/

show errors;
