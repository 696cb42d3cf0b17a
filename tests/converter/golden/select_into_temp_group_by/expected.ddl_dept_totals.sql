CREATE TABLE temp_totals AS
SELECT USERENV('SESSIONID') SESSID,
dept, COUNT(*) cnt, SUM(sal) Total
FROM emp
WHERE 1 = 2
GROUP BY dept, job;
