
CREATE OR REPLACE PROCEDURE cur_demo
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
id 	INTEGER;
nm 	VARCHAR2(20);
CURSOR c1 IS
	SELECT  id, name
	FROM emp 
	WHERE id > 0
;

/* SCROLL CURSOR is not supported in Corvane */
 CURSOR c1_REP_1 IS
	SELECT  id
	FROM dept
/* FOR READ ONLY */;

BEGIN
	
	OPEN c1;

	FETCH c1 INTO
	cur_demo.id, cur_demo.nm;

	IF c1%NOTFOUND THEN
		Tarn_sqlstatus := 2;
	ELSE
		Tarn_sqlstatus := 0;
	END IF;
	<<i_loop1>>
	WHILE c1%FOUND LOOP
	BEGIN
		DBMS_OUTPUT.PUT_LINE(cur_demo.nm) ;
		FETCH c1 INTO
		cur_demo.id, cur_demo.nm;

		IF c1%NOTFOUND THEN
			Tarn_sqlstatus := 2;
		ELSE
			Tarn_sqlstatus := 0;
		END IF;
	END;
	END LOOP;
	IF c1%NOTFOUND THEN
		DBMS_OUTPUT.PUT_LINE('end') ;
	END IF;
	IF c1%FOUND THEN
		DBMS_OUTPUT.PUT_LINE('more') ;
	END IF;
	IF Tarn_sqlstatus != 0 THEN
		DBMS_OUTPUT.PUT_LINE('x') ;
	END IF;
	IF Tarn_sqlstatus = 1 THEN
		DBMS_OUTPUT.PUT_LINE('x1') ;
	END IF;
	IF Tarn_sqlstatus = 1 THEN
		DBMS_OUTPUT.PUT_LINE('err') ;
	END IF;
	CLOSE c1;

/*[KESTRA-ERR(0024)]:Deallocate Cursor is not supported*/

	NULL;

	OPEN c1_REP_1;

	CLOSE c1_REP_1;

	OPEN c1_REP_1;

	FETCH c1_REP_1 INTO
	cur_demo.id;

	IF c1_REP_1%NOTFOUND THEN
		Tarn_sqlstatus := 2;
	ELSE
		Tarn_sqlstatus := 0;
	END IF;
	FETCH c1_REP_1 INTO
	cur_demo.id;

	IF c1_REP_1%NOTFOUND THEN
		Tarn_sqlstatus := 2;
	ELSE
		Tarn_sqlstatus := 0;
	END IF;
	<<i_loop2>>
	WHILE c1_REP_1%FOUND LOOP
		FETCH c1_REP_1 INTO
		cur_demo.id;

		IF c1_REP_1%NOTFOUND THEN
			Tarn_sqlstatus := 2;
		ELSE
			Tarn_sqlstatus := 0;
		END IF;
	END LOOP;
	IF c1_REP_1%FOUND THEN
		DBMS_OUTPUT.PUT_LINE('y') ;
	END IF;
	IF c1_REP_1%FOUND THEN
		DBMS_OUTPUT.PUT_LINE('z') ;
	END IF;
	IF c1_REP_1%NOTFOUND THEN
		DBMS_OUTPUT.PUT_LINE('w') ;
	END IF;
	CLOSE c1_REP_1;

END;
/

show errors;

CREATE OR REPLACE PROCEDURE no_fetch_here
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	<<i_loop1>>
	WHILE %FOUND /*[KESTRA-ERR(0043)]:Manual conversion required : cursor 
		   status tested before any FETCH*/ LOOP
		DBMS_OUTPUT.PUT_LINE('loop') ;
	END LOOP;
END;
/

show errors;
