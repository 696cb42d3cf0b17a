
CREATE OR REPLACE PROCEDURE ojr(
k 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
sname 	VARCHAR2(30);
n 	INTEGER;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   s.name
		INTO ojr.sname
		FROM parts p,suppliers s 
		WHERE p.sid = s.id (+) 
		AND s.kind (+) = 'A' 
		AND s.rating (+) BETWEEN ojr.k AND 9 
		AND p.active = 1 
		AND UPPER(s.code (+)) LIKE 'X%';
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   p.id
		INTO ojr.n
		FROM parts p,suppliers s 
		WHERE p.sid (+) = s.id  
		AND p.kind (+) = 'B' 
		AND s.region IN ('N', 'S') 
		AND s.id > p.id;
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
	/*[KESTRA-ERR(0018)]:Manual conversion required outer join restriction on s*/

	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   p.id
		INTO ojr.n
		FROM parts p,suppliers s 
		WHERE p.sid = s.id (+) 
		AND s.region IN ('N', 'S');
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
END ojr;
/

show errors;

CREATE OR REPLACE PROCEDURE ojt
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
n 	INTEGER;
BEGIN
	BEGIN
		Tarn_rowcnt := 0;
		Tarn_selcnt := 0;
		Tarn_error  := 0;

		SELECT   p.id
		INTO ojt.n
		FROM parts p,temp_sup s WHERE (p.sid = s.id (+) 
		AND s.kind (+) = 'A') AND s.SESSID (+) = USERENV('SESSIONID');
		Tarn_rowcnt := SQL%ROWCOUNT;

		EXCEPTION
			WHEN TOO_MANY_ROWS THEN
				Tarn_rowcnt := 2;
			WHEN OTHERS THEN
				Tarn_rowcnt := 0;
				Tarn_selcnt := 0;
				Tarn_error := SQLCODE;
				Tarn_errmsg := SQLERRM;
	END;
END ojt;
/

show errors;
