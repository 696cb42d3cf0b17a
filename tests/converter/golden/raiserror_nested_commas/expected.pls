
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
	raise_application_error(-20999, 'Code ' || NVL(raise_args.s, 'n/a') ||' for ' ||  raise_args.n ||'.');
	raise_application_error(-20999, 50011 || '-' || 'Next ' || (raise_args.n + 1) ||' after ' ||  raise_args.n ||'.');
	raise_application_error(-20999, 'Only ' || raise_args.n ||'.' ||  (raise_args.n - 1));
END;
/

show errors;
