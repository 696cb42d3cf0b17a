
CREATE OR REPLACE PROCEDURE conds(
a 	INTEGER ,
s 	VARCHAR2 )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF conds.a IS NULL THEN
		DBMS_OUTPUT.PUT_LINE('p0') ;
	END IF;
	IF conds.a IS NOT NULL THEN
		DBMS_OUTPUT.PUT_LINE('p1') ;
	END IF;
	IF conds.a IS NOT NULL THEN
		DBMS_OUTPUT.PUT_LINE('p2') ;
	END IF;
	IF conds.a > NULL THEN
		DBMS_OUTPUT.PUT_LINE('p3') ;
	END IF;
	IF conds.s IS NULL THEN
		DBMS_OUTPUT.PUT_LINE('p4') ;
	END IF;
	IF conds.s IS NOT NULL AND conds.a BETWEEN 1 AND 5 THEN
		DBMS_OUTPUT.PUT_LINE('p5') ;
	END IF;
	IF NOT (conds.a IN (1, 2, NULL) OR conds.s LIKE 'A%1') THEN
		DBMS_OUTPUT.PUT_LINE('p6') ;
	END IF;
	IF conds.a IS NULL OR conds.s IS NOT NULL AND conds.a NOT IN (3) THEN
		DBMS_OUTPUT.PUT_LINE('p7') ;
	END IF;
	IF conds.s LIKE '50%' AND conds.s NOT LIKE 'x!%' THEN
		DBMS_OUTPUT.PUT_LINE('p8') ;
	END IF;
	IF conds.s = 'x@y.com' THEN
		DBMS_OUTPUT.PUT_LINE('p9') ;
	END IF;
	<<i_loop1>>
	WHILE conds.a < 10 AND conds.s IS NOT NULL LOOP
		DBMS_OUTPUT.PUT_LINE(conds.a) ;
	END LOOP;
	<<i_loop2>>
	WHILE (conds.s IS NULL OR conds.a IS NULL) LOOP
		DBMS_OUTPUT.PUT_LINE(conds.s) ;
	END LOOP;
	IF conds.a + 1 > 2 * conds.a THEN
		DBMS_OUTPUT.PUT_LINE('q') ;
	END IF;
END;
/

show errors;
