
CREATE OR REPLACE PROCEDURE nest_loops(
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
	WHILE nest_loops.a < 10 LOOP
		<<i_loop2>>
		WHILE nest_loops.b < 5 LOOP
			DBMS_OUTPUT.PUT_LINE('inner') ;
		END LOOP;
	END LOOP;
	DBMS_OUTPUT.PUT_LINE('after loops') ;
END nest_loops;
/

show errors;

CREATE OR REPLACE PROCEDURE loop_if(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	<<i_loop1>>
	WHILE loop_if.a < 10 LOOP
		IF loop_if.a = 3 THEN
			DBMS_OUTPUT.PUT_LINE('three') ;
		ELSE
			DBMS_OUTPUT.PUT_LINE('other') ;
		END IF;
	END LOOP;
	IF loop_if.a = 3 THEN
		<<i_loop2>>
		WHILE loop_if.a < 5 LOOP
		BEGIN
			DBMS_OUTPUT.PUT_LINE('body') ;
		END;
		END LOOP;
	END IF;
	DBMS_OUTPUT.PUT_LINE('done') ;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE one_end_too_many(
a 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('x') ;
END;
/*[KESTRA-ERR(0026)]:Surplus END without an open block not written*/
/

show errors;

CREATE OR REPLACE PROCEDURE surplus_without_begin
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('z') ;
END;
/*[KESTRA-ERR(0030)]:Surplus END without an open block not written*/
/

show errors;
