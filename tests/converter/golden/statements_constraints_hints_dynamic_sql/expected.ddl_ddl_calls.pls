CREATE TABLE parts (
 	id INTEGER  PRIMARY KEY, 
	code CHAR(3)  NOT NULL UNIQUE , 
	qty INTEGER DEFAULT 0 CHECK ( qty >= 0 ) , 
	price NUMBER(10, 2) DEFAULT -1 NOT NULL , 
	made DATE DEFAULT SYSDATE , 
	kind CHAR(1) DEFAULT 'A' CHECK ( kind = 'A' 
	OR kind = 'B' ) , 
	owner_id INTEGER  REFERENCES owners ( id ) , 
	note NVARCHAR2(50)  NULL  
);
CREATE TABLE accounts (
 	acc_id INTEGER  CONSTRAINT pk_acc PRIMARY KEY , 
	branch CHAR(4) DEFAULT 'MAIN' NOT NULL , 
	CONSTRAINT uq_acc UNIQUE ( branch, 
	acc_id ) , 
	CONSTRAINT ck_acc CHECK ( acc_id > 0 )  
);
