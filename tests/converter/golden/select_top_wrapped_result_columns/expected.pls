
CREATE OR REPLACE PACKAGE top_needsPkg AS
TYPE RT1 IS RECORD (
	item_id		 parts.item_id%TYPE,
	needed		 parts.needed%TYPE,
	qty		 stock.qty%TYPE,
	price		 stock.price%TYPE
	);
TYPE RCT1 IS REF CURSOR RETURN RT1;
END;
/ 

CREATE OR REPLACE PROCEDURE top_needs(
RC1 	IN OUT top_needsPkg.RCT1)
AS
Tarn_selcnt	INTEGER;
Tarn_error 	INTEGER;
Tarn_rowcnt	INTEGER;
Tarn_errmsg	VARCHAR2(255);
Tarn_sqlstatus	INTEGER;
BEGIN
	OPEN RC1 FOR
	SELECT item_id
	,  needed
	,  qty
	,  price
	FROM stock;
	OPEN RC1 FOR
	SELECT q_top.* FROM (SELECT p.item_id
	,  p.needed
	, NULL
	, NULL q_top_c4
	FROM parts p 
	ORDER BY p.needed DESC) q_top WHERE ROWNUM <= 1;
	OPEN RC1 FOR
	SELECT q_top.* FROM (SELECT NULL
	,  NULL q_top_c2
	,  qty
	, NULL q_top_c4
	FROM stock 
	ORDER BY price ) q_top WHERE ROWNUM <= 5;
END top_needs;
/

show errors;
