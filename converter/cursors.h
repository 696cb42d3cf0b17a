// Cursor statements and status tests, transactions, table definitions and the statements that
// are only noted (CREATE INDEX, views, GRANT, DBCC), and UPDATE STATISTICS.
#pragma once

// `dst` is always a value buffer of YYVALSIZE bytes (parser.h).

void cur_fetch_first(); // rule 272
// Rules 275, 276: the CURSOR word of a declaration (SCROLL CURSOR with a comment); sets
// declare_cur.
void cur_cursor_word(char *dst, bool scroll);
void cur_declare(const char *name, const char *cursor_word, const char *query,
                 const char *clause);                       // rule 278
void cur_open_close(const char *keyword, const char *name); // rules 268, 277
void cur_deallocate();                                      // rule 269
void cur_fetch(const char *fetch_word, const char *name, const char *into_word,
               const char *targets); // rule 260
// Rules 83 to 86 (with or without parentheses, the same tests).
void cur_sqlstatus_test(char *dst, const char *op, const char *n);
void cur_fetch_status_test(char *dst, const char *op, const char *n);
// Rule 281: a cursor's FOR UPDATE clause ("FOR UPDATE %s"); the UPDATE opens no UPDATE
// statement: clears inUpdate.
void cur_for_update(char *dst, const char *columns);

void trn_commit();                    // rules 251 to 253
void trn_savepoint(const char *name); // rules 254, 256
void trn_begin();                     // rule 255
void trn_rollback(const char *name);  // rules 294 to 296 (nullptr: no name)

void ddl_create_table(const char *create_word, const char *table_word, const char *table,
                      const char *elements); // rule 155
// A statement that is only noted: the comment "<text> statement ignored", its log line, NULL.
void ddl_ignored(const char *text); // rules 157, 203, 204, 209
// Rule 204: DROP VIEW, noted as ignored; it ends a cursor declaration (clears declare_cur).
void ddl_drop_view(char *dst, const char *table);
// Rule 156: DROP TABLE is noted as ignored; for a temporary table the session's rows go.
void ddl_drop_table(char *dst, const char *table);
// Rules 302, 303: UPDATE STATISTICS; inUpdate tells whether the look-ahead is the UPDATE of a
// following statement.
void ddl_update_statistics(const char *table, const char *index);
void ddl_dbcc(const char *comment); // rules 510 to 518
