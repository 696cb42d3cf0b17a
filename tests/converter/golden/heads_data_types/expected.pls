
CREATE OR REPLACE PROCEDURE all_types(
c 	CHAR ,
c10 	CHAR ,
v 	VARCHAR2 ,
vv 	VARCHAR2 ,
s 	CHAR ,
b 	RAW ,
n 	NUMBER ,
n5 	NUMBER ,
n52 	NUMBER ,
i 	INTEGER ,
si 	INTEGER ,
d 	DATE ,
sd 	DATE ,
ts 	NUMBER ,
m 	NUMBER ,
dt 	DATE )
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
lc 	CHAR;
lc10 	CHAR(10);
lv 	VARCHAR2(20);
lvv 	VARCHAR2;
ls 	CHAR(30);
lb 	RAW(16);
ln 	NUMBER;
ln5 	NUMBER(5);
ln52 	NUMBER(5, 2);
li 	INTEGER;
lsi 	INTEGER;
ld 	DATE;
lsd 	DATE;
lts 	NUMBER;
lm 	NUMBER;
ldt 	DATE;
BEGIN
	RETURN ;
END all_types;
/

show errors;
