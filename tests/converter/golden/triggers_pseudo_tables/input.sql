CREATE TRIGGER trg ON emp FOR INSERT, UPDATE AS
DECLARE @n int
SELECT @n = i.sal FROM inserted i WHERE i.id > 0
UPDATE emp SET sal = i.sal * 2 FROM inserted i WHERE emp.id = i.id
INSERT INTO audit (id, old) SELECT d.id, d.sal FROM deleted d
SELECT @n = id FROM emp WHERE id = 1
GO
