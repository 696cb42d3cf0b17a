
CREATE OR REPLACE PROCEDURE raise_args(
s 	VARCHAR2 ,
n 	INTEGER )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	raise_application_error(-20999, 50010 || '-' || 'Bad ' || SUBSTR(raise_args.s, 1, 2) ||' in ' ||  'a,b' ||'.');
	/*[KESTRA-ERR(0005)]:Message placeholder without an argument written empty*/
	raise_application_error(-20999, 'Code '||' for '||'.');
	raise_application_error(-20999, 50011 || '-' || 'Next ' || (raise_args.n + 1) ||' after ' ||  raise_args.n ||'.');
	/*[KESTRA-ERR(0007)]:Message placeholder without an argument written empty*/
	raise_application_error(-20999, 'Only '||'.');
END;
/

show errors;
