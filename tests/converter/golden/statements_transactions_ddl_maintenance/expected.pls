
CREATE OR REPLACE PROCEDURE ddl_demo
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF %NOTFOUND /*[KESTRA-ERR(0004)]:Manual conversion required : cursor 
		   status tested before any FETCH*/ THEN
		DBMS_OUTPUT.PUT_LINE('none') ;
	END IF;
	/*[KESTRA-ERR(0007)]:BEGIN TRAN statement ignored*/
	NULL;
	/*[KESTRA-ERR(0007)]:CREATE TABLE temp_work statement passed to ddl file*/

	DELETE FROM temp_work WHERE temp_work.SESSID = USERENV('SESSIONID');
	/*[KESTRA-ERR(0008)]:CREATE TABLE perm statement passed to ddl file*/

	NULL;
	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
		INSERT INTO temp_work (SESSID, id, 
		name)
			VALUES (USERENV('SESSIONID'), 1, 
			'a');
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	/* Manual conversion : Please use DBMS_DDL packaged function to improve the performance.*/
	DELETE temp_work WHERE temp_work.SESSID = USERENV('SESSIONID');
	/* Manual conversion : Please use DBMS_DDL packaged function to improve the performance.*/
	DELETE perm;
	SAVEPOINT t1;
	SAVEPOINT s1;
	IF 1 = 1 THEN
		/*[KESTRA-ERR(0016)]:DROP TABLE temp_work statement ignored*/

		DELETE FROM temp_work WHERE temp_work.SESSID = USERENV('SESSIONID');
	ELSE
		/*[KESTRA-ERR(0018)]:CREATE INDEX ix1 statement ignored*/

		NULL;
	END IF;
	<<i_loop1>>
	WHILE 1 = 2 LOOP
		/*[KESTRA-ERR(0020)]:GRANT statement ignored*/

		NULL;
	END LOOP;
	IF 1 = 1 THEN
		/*[KESTRA-ERR(0022)]:CREATE VIEW v1 statement ignored*/

		NULL;
	ELSE
		/*[KESTRA-ERR(0024)]:DROP VIEW v1 statement ignored*/

		NULL;
	END IF;
	ROLLBACK TO SAVEPOINT s1;
	ROLLBACK WORK;
	COMMIT WORK;
	COMMIT WORK;
	DBMS_DDL.ANALYZE_OBJECT('TABLE', NULL, UPPER('perm'), 'ESTIMATE', NULL, 100);
	DBMS_DDL.ANALYZE_OBJECT('TABLE', NULL, UPPER('perm'), 'ESTIMATE', NULL, 100);
	DBMS_DDL.ANALYZE_OBJECT('INDEX', NULL, UPPER('ix1'), 'ESTIMATE', NULL, 100);
	IF 1 = 1 THEN
		/*DBCC CHECKTABLE(perm, SKIP_NCINDEX)*/
		NULL;
	END IF;
	/*DBCC CHECKDB (mydb )*/
	NULL;
	/*DBCC CHECKALLOC */
	NULL;
	/*DBCC TABLEALLOC(perm , FULL , FIX)*/
	NULL;
	/*DBCC INDEXALLOC(5, 2, FAST , NOFIX)*/
	NULL;
	/*DBCC CHECKCATALOG (mydb )*/
	NULL;
	/*DBCC DBREPAIR(mydb, DROPDB)*/
	NULL;
	/*DBCC REINDEX(perm)*/
	NULL;
	/*DBCC FIX_TEXT(perm)*/
	NULL;
END;
/

show errors;

CREATE OR REPLACE TRIGGER trg_demo
AFTER DELETE
ON emp
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
	RAISE_APPLICATION_ERROR(-20500,'Trigger forces a rollback');
	/* ROLLBACK; */
END;
/

show errors;
