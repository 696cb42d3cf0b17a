// Data changes (rules 148, 149, 202, 218, 257-259, 284-293, 301, 304-316): INSERT, UPDATE,
// DELETE and TRUNCATE with their status blocks, on temporary tables, in triggers and with
// joins.
//
// `dst` is always a value buffer of YYVALSIZE bytes (parser.h); the routines never write more.
#pragma once

void dml_delete(const char *from_word, const char *table, const char *where); // rule 257
void dml_delete_from();               // rule 259: the FROM of DELETE FROM sets select_stmt
void dml_truncate(const char *table); // rules 148, 149
void dml_insert(const char *table, const char *columns, const char *values);    // rule 284
void dml_values(char *dst, const char *atoms);                                  // rule 287
void dml_query_values(char *dst, const char *query);                            // rule 288
void dml_list_join(char *dst, const char *list, const char *item);              // rules 202, 291
void dml_update(const char *table, const char *assignments, const char *where); // rule 301
// Rules 306 to 308: `value` is nullptr for NULL.
void dml_assignment(char *dst, const char *column, const char *value);
void dml_update_where(char *dst, const char *from, const char *where); // rule 316
// Where a unit creates or drops a temporary table, the rows an earlier call of the same session
// left in its permanent table are deleted: the DELETE line is written and true returned; false
// (nothing written) for any other table.
bool dml_temp_rows_delete(const char *table);
