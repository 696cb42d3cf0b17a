// Table variables (DECLARE @t TABLE (...)): emulated like temporary tables, by a permanent
// table "temp_<name>" with a first column SESSID whose definition goes to the DDL file; every
// statement on it adds or filters on the session id, as for a temporary table #<name>.
#pragma once

// Scanner side: the variable `text` ("@name") begins a table-variable declaration; it becomes
// a table variable of the unit.
void tvar_declared(const char *text);

// Scanner side: true when the variable `text` is a table variable of the unit (it then reads
// as its table).
bool tvar_known(const char *text);

// The declaration of table `table` ("temp_<name>") with its element list: the diagnostic, the
// table's definition in the DDL file, and a statement that empties the session's rows (a
// table variable starts empty). Yields an empty text.
void tvar_declare(char *dst, const char *table, const char *elements);

// Per-unit reset.
void tvar_reset();
