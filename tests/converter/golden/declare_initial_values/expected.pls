
CREATE OR REPLACE PROCEDURE init_vars(
p 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
a 	INTEGER;
b 	VARCHAR2(10);
c 	INTEGER;
d 	DATE;
k 	INTEGER;
BEGIN
	init_vars.a := 1;
	init_vars.b := 'x';
	init_vars.c := init_vars.p * 2;
	init_vars.d := SYSDATE;
	<<i_loop1>>
	WHILE init_vars.a < 3 LOOP
	BEGIN
		init_vars.k := 0;
		init_vars.k :=  init_vars.k + init_vars.a;
		init_vars.a :=  init_vars.a + 1;
	END;
	END LOOP;
	DBMS_OUTPUT.PUT_LINE(init_vars.b) ;
END init_vars;
/

show errors;

CREATE OR REPLACE PROCEDURE init_alter
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	NVARCHAR2(20);
m 	INTEGER;
BEGIN
	init_alter.n := N'abc';
	init_alter.m := -1;
	DBMS_OUTPUT.PUT_LINE(init_alter.n) ;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE init_catch
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
err 	INTEGER;
txt 	NVARCHAR2(400);
BEGIN
	BEGIN
		DBMS_OUTPUT.PUT_LINE('work') ;
	EXCEPTION
		WHEN OTHERS THEN
			init_catch.err := SQLCODE;
			init_catch.txt := SQLERRM;
			DBMS_OUTPUT.PUT_LINE(init_catch.txt) ;
	END;
END init_catch;
/

show errors;
