
CREATE OR REPLACE PROCEDURE keep_sizes(
in_db 	IN VARCHAR2 ,
in_code 	IN CHAR ,
in_amount 	IN NUMBER ,
in_remark 	IN VARCHAR2 )
AS
db 	VARCHAR2(30);
code 	CHAR(4);
amount 	NUMBER(10, 2);
remark 	VARCHAR2(32767);
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	keep_sizes.db := keep_sizes.in_db;
	keep_sizes.code := keep_sizes.in_code;
	keep_sizes.amount := keep_sizes.in_amount;
	keep_sizes.remark := keep_sizes.in_remark;
	keep_sizes.db :=  'x';
	keep_sizes.code :=  'y';
	keep_sizes.amount :=  1.5;
	keep_sizes.remark :=  'z';
END keep_sizes;
/

show errors;
