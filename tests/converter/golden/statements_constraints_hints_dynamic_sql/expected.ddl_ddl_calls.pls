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
