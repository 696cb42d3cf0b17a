
CREATE OR REPLACE PROCEDURE try_log(
id 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
msg 	VARCHAR2(255);
num 	INTEGER;
Tarn_errnum 	INTEGER;
Tarn_errtext 	VARCHAR2(512);
BEGIN
	BEGIN
		BEGIN
		Tarn_error   := 0;
		Tarn_rowcnt  := 0;
		UPDATE orders
		SET qty = 0
		WHERE id = try_log.id;
		Tarn_rowcnt := SQL%ROWCOUNT;
		EXCEPTION
			WHEN OTHERS THEN
				Tarn_error  := SQLCODE;
				Tarn_errmsg := SQLERRM;
				RAISE;
		END;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_errnum := SQLCODE;
			Tarn_errtext := SQLERRM;
			try_log.num :=  Tarn_errnum;
			try_log.msg :=  Tarn_errtext;
			DBMS_OUTPUT.PUT_LINE(try_log.msg) ;
			raise_application_error(-20999, 50001 || '-' || try_log.msg);
	END;
END try_log;
/

show errors;

CREATE OR REPLACE PROCEDURE try_nested(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
i 	INTEGER;
BEGIN
	try_nested.i :=  try_nested.n;
	<<i_loop1>>
	WHILE try_nested.i > 0 LOOP
	BEGIN
		BEGIN
			BEGIN
			purge_job(try_nested.i);
			EXCEPTION
				WHEN OTHERS THEN
					Tarn_error := SQLCODE;

					Tarn_errmsg := SQLERRM;

					RAISE;
			END;
		EXCEPTION
			WHEN OTHERS THEN
				NULL;
		END;
		try_nested.i :=  try_nested.i - 1;
	END;
	END LOOP;
	IF try_nested.n = 0 THEN
		BEGIN
			raise_application_error(-20999, 50010 || '-' || 'No jobs left' /* state 1 */);
		EXCEPTION
			WHEN OTHERS THEN
				IF SQLCODE <> 0 THEN
					DBMS_OUTPUT.PUT_LINE(SQLERRM) ;
				END IF;
				BEGIN
					BEGIN
					cleanup;
					EXCEPTION
						WHEN OTHERS THEN
							Tarn_error := SQLCODE;

							Tarn_errmsg := SQLERRM;

							RAISE;
					END;
				EXCEPTION
					WHEN OTHERS THEN
						/*[KESTRA-ERR(0038)]:ERROR_SEVERITY() has no equivalent: NULL written in its place*/

						DBMS_OUTPUT.PUT_LINE(NULL) ;
						RAISE;
				END;
		END;
	ELSE
		DBMS_OUTPUT.PUT_LINE('left') ;
	END IF;
END;
/

show errors;

CREATE OR REPLACE PROCEDURE try_fetch(
id 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
qty 	INTEGER;
Tarn_errnum 	INTEGER;
Tarn_errtext 	VARCHAR2(512);
BEGIN
	BEGIN
		BEGIN
			Tarn_rowcnt := 0;
			Tarn_selcnt := 0;
			Tarn_error  := 0;

			SELECT   qty
			INTO try_fetch.qty
			FROM orders 
			WHERE id = try_fetch.id;
			Tarn_rowcnt := SQL%ROWCOUNT;

			EXCEPTION
				WHEN TOO_MANY_ROWS THEN
					Tarn_rowcnt := 2;
				WHEN NO_DATA_FOUND THEN
					Tarn_rowcnt := 0;
					Tarn_selcnt := 0;
				WHEN OTHERS THEN
					Tarn_rowcnt := 0;
					Tarn_selcnt := 0;
					Tarn_error := SQLCODE;
					Tarn_errmsg := SQLERRM;
					RAISE;
		END;
	EXCEPTION
		WHEN OTHERS THEN
			Tarn_errnum := SQLCODE;
			Tarn_errtext := SQLERRM;
			BEGIN
			Tarn_error   := 0;
			Tarn_rowcnt  := 0;
				INSERT INTO errlog 
					VALUES (Tarn_errnum, 
					Tarn_errtext);
			Tarn_rowcnt := SQL%ROWCOUNT;
			EXCEPTION
				WHEN OTHERS THEN
					Tarn_error  := SQLCODE;
					Tarn_errmsg := SQLERRM;
			END;
	END;
END try_fetch;
/

show errors;
