
CREATE OR REPLACE PROCEDURE r1(
uid_ 	INTEGER ,
number_ 	IN OUT INTEGER,
long_ 	VARCHAR2  DEFAULT 'x')
AS
/*[KESTRA-ERR(0001)]:Parameter uid renamed uid_ (a reserved word)*/
/*[KESTRA-ERR(0001)]:Parameter number renamed number_ (a reserved word)*/
/*[KESTRA-ERR(0002)]:Parameter long renamed long_ (a reserved word)*/
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
/*[KESTRA-ERR(0003)]:Variable group renamed group_ (a reserved word)*/
group_ 	INTEGER;
/*[KESTRA-ERR(0003)]:Variable check renamed check_ (a reserved word)*/
check_ 	INTEGER;
BEGIN
	r1.group_ :=  r1.uid_ + r1.number_;
	IF r1.group_ = 0 THEN
		GOTO exception_;
	END IF;
	r1.check_ :=  r1.group_;
	GOTO start1;
	<<start1>>
	DBMS_OUTPUT.PUT_LINE('x') ;
	/*[KESTRA-ERR(0010)]:Label exception renamed exception_ (a reserved word)*/
	<<exception_>>
	RETURN ;
END r1;
/

show errors;

CREATE OR REPLACE PROCEDURE r2(
unique_ 	INTEGER ,
default_ 	INTEGER  DEFAULT 0)
AS
/*[KESTRA-ERR(0013)]:Parameter unique renamed unique_ (a reserved word)*/
/*[KESTRA-ERR(0014)]:Parameter default renamed default_ (a reserved word)*/
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	IF r2.unique_ > r2.default_ THEN
		GOTO exception_;
	END IF;
	/*[KESTRA-ERR(0017)]:Label exception renamed exception_ (a reserved word)*/
	<<exception_>>
	DBMS_OUTPUT.PUT_LINE('exit') ;
END r2;
/

show errors;
