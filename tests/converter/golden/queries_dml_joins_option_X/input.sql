CREATE PROCEDURE raise @pct int
AS
UPDATE emp SET sal = sal * @pct, bonus = NULL WHERE dept = 1
SET NOCOUNT ON
IF @@error != 0
    RETURN
UPDATE e SET sal = d.base, grade = d.grade FROM emp e, dept d WHERE e.dept = d.id
UPDATE emp SET sal = b.sal FROM bonus b WHERE emp.id = b.id
DELETE emp FROM emp, dept WHERE emp.dept = dept.id AND dept.closed = 1
GO
