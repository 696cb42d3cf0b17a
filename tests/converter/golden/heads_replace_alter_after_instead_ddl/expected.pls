
CREATE OR REPLACE PROCEDURE repl_proc(
id 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('replaced') ;
END repl_proc;
/

show errors;

CREATE OR REPLACE PROCEDURE alter_proc
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('altered') ;
END;
/

show errors;

/*[KESTRA-ERR(0011)]:DDL trigger ddl_guard skipped: Corvane has no trigger on database or server events*/

CREATE OR REPLACE TRIGGER trg_after
AFTER INSERT OR UPDATE
ON orders
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF 1 = 1 THEN
		RAISE_APPLICATION_ERROR(-20500,'Trigger forces a rollback');
		/* ROLLBACK; */
	END IF;
	DBMS_OUTPUT.PUT_LINE('after') ;
END;
/

show errors;

CREATE OR REPLACE TRIGGER trg_instead
INSTEAD OF DELETE
ON order_view
FOR EACH ROW
DECLARE
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER := 1;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	DBMS_OUTPUT.PUT_LINE('instead') ;
END trg_instead;
/

show errors;

/*[KESTRA-ERR(0030)]:DDL trigger srv_guard skipped: Corvane has no trigger on database or server events*/
