
CREATE OR REPLACE PROCEDURE raise_numbered(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	raise_application_error(-20999, 'Row ' ||  raise_numbered.n ||' of '||  5);
END raise_numbered;
/

show errors;

CREATE OR REPLACE PROCEDURE print_surplus(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0006)]:PRINT argument without a placeholder not written: print_surplus.n*/
	DBMS_OUTPUT.PUT_LINE('its 100% x') ;
END print_surplus;
/

show errors;

CREATE OR REPLACE PROCEDURE print_unknown(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	/*[KESTRA-ERR(0009)]:PRINT argument without a placeholder not written: print_unknown.n*/
	/*[KESTRA-ERR(0009)]:Unrecognised placeholder %z in a message written as text*/
	DBMS_OUTPUT.PUT_LINE('its %z x') ;
END print_unknown;
/

show errors;
