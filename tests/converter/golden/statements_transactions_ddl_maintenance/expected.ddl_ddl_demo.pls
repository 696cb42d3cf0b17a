CREATE TABLE temp_work (
	SESSID NUMBER,
 	id INTEGER  NOT NULL, 
	name VARCHAR2(10)  NULL , 
	amt NUMBER(10, 0)  , 
	UNIQUE ( id, 
		name )  
);
CREATE TABLE perm (
 	a INTEGER  NOT NULL, 
	b CHAR(2)  NOT NULL UNIQUE  
);
