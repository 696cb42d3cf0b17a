
CREATE OR REPLACE PROCEDURE msg_lit(
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	raise_application_error(-20999, 'Use a || || b for ' ||  msg_lit.n ||' rows');
	raise_application_error(-20999, 50003 || '-' || 'Use || || for ' || msg_lit.n ||' rows');
	raise_application_error(-20999, 50004 || '-' || 'No || slot');
	/*[KESTRA-ERR(0008)]:Message placeholder without an argument written empty*/
	DBMS_OUTPUT.PUT_LINE('it''s '||' now') ;
	DBMS_OUTPUT.PUT_LINE('it'''|| msg_lit.n) ;
END;
/

show errors;
