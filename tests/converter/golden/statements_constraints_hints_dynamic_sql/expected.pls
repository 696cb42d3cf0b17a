
CREATE OR REPLACE PACKAGE ddl_callsPkg AS
TYPE RT1 IS RECORD (
	id		 parts.id%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE ddl_calls(
sql_ 	VARCHAR2 ,
tab 	VARCHAR2 ,
RC1 	IN OUT ddl_callsPkg.RCT1)
AS
/*[KESTRA-ERR(0001)]:Parameter sql renamed sql_ (a reserved word)*/
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0004)]:CREATE TABLE parts statement passed to ddl file*/

	NULL;
	/*[KESTRA-ERR(0005)]:Table hint (NOLOCK) dropped*/

	OPEN RC1 FOR
	SELECT id
	FROM parts 
	WHERE qty > 0;
	/*[KESTRA-ERR(0006)]:Table hint (ROWLOCK) dropped*/

	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	UPDATE parts
	SET qty = 1
	WHERE id = 2;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	/*[KESTRA-ERR(0007)]:Table hint (INDEX ix_parts) dropped*/

	BEGIN
	Tarn_error   := 0;
	Tarn_rowcnt  := 0;
	DELETE FROM parts 
		WHERE qty = 0;
	Tarn_rowcnt := SQL%ROWCOUNT;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error  := SQLCODE;
			Tarn_errmsg := SQLERRM;
	END;
	BEGIN
	/*[KESTRA-ERR(0008)]:Dynamic SQL: the string is executed as it is, not converted*/

	EXECUTE IMMEDIATE ddl_calls.sql_;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	BEGIN
	/*[KESTRA-ERR(0009)]:Dynamic SQL: the string is executed as it is, not converted*/

	EXECUTE IMMEDIATE 'delete from ' || ddl_calls.tab;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	BEGIN
	/*[KESTRA-ERR(0011)]:Dynamic SQL: the string is executed as it is, not converted; its parameters are not passed*/

	EXECUTE IMMEDIATE ddl_calls.sql_;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
	/*[KESTRA-ERR(0011)]:Remote procedure remote1.sales..calc_totals called over the database link remote1, which must exist*/

	BEGIN
	ddl_calls.sql_ := calc_totals@remote1(ddl_calls.tab);
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_error := SQLCODE;

			Tarn_errmsg := SQLERRM;

	END;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE named_constraints
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0016)]:CREATE TABLE accounts statement passed to ddl file*/

	NULL;
END named_constraints;
/

show errors;
