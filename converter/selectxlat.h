// SELECT translation and the actions of queries and data changes: the query specification
// and its clauses, subqueries, select-list items and assignments (rules 411-418, 425-432), the
// INSERT, UPDATE and DELETE statements with their status blocks, temporary tables, trigger
// pseudo tables, tables and column references (rules 478-490), and the end of a statement.
//
// `dst` is always a value buffer of YYVALSIZE bytes (parser.h); the routines never write more.
#pragma once

#include <string>

// ---------------------------------------------------------------------------------------------
// The SELECT translation proper. The five texts: the ALL/DISTINCT word, the select list, the
// temporary table after INTO ("INTO name", or ""), the table expression and the COMPUTE
// clause; an absent part is "".
// ---------------------------------------------------------------------------------------------
void action_for_query_spec(const char *distinct, const char *selection, const char *into,
                           const char *table_exp, const char *compute);
void action_for_query_pb(const char *distinct, const char *selection, const char *into,
                         const char *table_exp, const char *compute);
// Splits a select list into result columns of result set fldlst_cnt (fld_list, retfld_list).
void process_selection(const char *selection);

// ---------------------------------------------------------------------------------------------
// Rules 411 to 418: `left op right` where `op` is "=" or the COMPARISON text. `kind` says what
// the right side was; `right` is its text ("NULL" for CMP_NULL, ignored for CMP_SQLSTATUS,
// the subquery text for CMP_SUBQUERY). Yields the comparison (IF, WHILE, WHERE: with the ''
// and NULL tests), the named EXECUTE parameter, the assignment to a variable or the column
// alias, and records select-list assignments in col_list (slot cur_col, not advanced: rule
// 425 advances it). The signature is stable: the expression actions call it as well.
// ---------------------------------------------------------------------------------------------
// `comparison` is true for the COMPARISON rules (412, 414, 416), whose operator the scanner
// delivers as a comparison (its text may be "=" as well).
enum cmp_kind { CMP_EXPR, CMP_NULL, CMP_SUBQUERY, CMP_CASE, CMP_SQLSTATUS };
void compare_or_assign(char *dst, const char *left, const char *op, const char *right,
                       cmp_kind kind, bool comparison);

// ---------------------------------------------------------------------------------------------
// The subquery protocol (rules 389 to 393 and the function-argument rules):
//  - rule 393 ("(" SELECT) opens a subquery: inSubquery is set, the depth grows, inWhere and
//    tot_tab are saved (the subquery's own WHERE and tables do not disturb the outer ones);
//  - rule 389 closes it: qstr1 receives its select list (with the ALL/DISTINCT word), qstr2
//    its FROM part and everything after it ("FROM DUAL" when it has no FROM), inWhere and
//    tot_tab are restored and inSubquery is cleared with the last open subquery;
//  - rule 427 (a subquery as a select-list item) marks the item; rules 454 and 455 call
//    qry_fn_argument() for each argument, which sets query_in_fn when that argument was such
//    an item; rules 461 and 462 (a function applied to a subquery) set query_in_fn directly
//    through qry_fn_subquery(); the function-call rules clear query_in_fn when they are done.
//  - check_selection (namecheck.h) turns the subquery in qstr1/qstr2 into temp_var<n>.
// ---------------------------------------------------------------------------------------------
void qry_subquery_select(); // rule 393
void qry_subquery(char *dst, const char *distinct, const char *selection, const char *table_exp,
                  const char *unions); // rule 389
void qry_union_subquery(char *dst, const char *previous, const char *distinct,
                        const char *selection, const char *table_exp); // rules 391, 392
void qry_fn_argument(); // rule 465: after its argument (ttx)
void qry_fn_subquery(); // rules 461, 462
// The argument lists of the calls of rules 463 and 464. Rule 454 begins a list with its first
// argument, rule 455 adds the next one (and yields "%s, %s"); the call ends the list with
// qry_fn_arguments_end, which tells whether an argument was a subquery: then `moved` receives
// the arguments with that subquery's select list in its place, and `from` its FROM part. The
// lists of calls inside an argument begin and end while it is read, so they nest.
void qry_fn_first_argument(const char *arg);                             // rule 454
void qry_fn_next_argument(char *dst, const char *list, const char *arg); // rule 455
bool qry_fn_arguments_end(std::string &moved, std::string &from);        // rules 463, 464

// ---------------------------------------------------------------------------------------------
// Query specification and clauses (rules 227-234, 289, 297, 319-350).
// ---------------------------------------------------------------------------------------------
void qry_select_word();      // rule 325
void qry_selection_end();    // rule 326
void qry_select_statement(); // rule 297
void qry_query_spec(char *dst, const char *distinct, const char *selection, const char *into,
                    const char *table_exp, const char *compute);               // rule 324
void qry_query_union(char *dst, const char *left, const char *right, int all); // 320, 321
void qry_query_paren(char *dst, const char *query);                            // rule 323
void qry_table_exp(char *dst, const char *from, const char *where, const char *group,
                   const char *having, const char *order); // rule 335
void qry_subquery_table_exp(char *dst, const char *from, const char *where, const char *group,
                            const char *having, const char *order); // rule 289
void qry_no_from_clause(char *dst);                                 // rule 336: clears from
void qry_from_clause(char *dst, const char *tables);                // rule 337
void qry_where_clause(char *dst, const char *condition);            // rule 341
void qry_where_current_of(char *dst, const char *cursor);           // rule 342: clears inWhere
void qry_group_by(char *dst, const char *columns);                  // rule 344
void qry_having(char *dst, const char *condition);                  // rule 350
void qry_order_by(char *dst, const char *items);                    // rule 228
void qry_compute(char *dst, const char *list, const char *by);      // rule 328

// Select-list items: rule 425/426 (an expression or CASE with its alias), 427 (a subquery),
// 428 (NULL), 429/430 ("*", "t.*").
void qry_select_item(char *dst, const char *item, const char *alias);
void qry_subquery_item(char *dst, const char *subquery, const char *alias);
void qry_star_item(char *dst, const char *text);

// ---------------------------------------------------------------------------------------------
// Data changes (rules 202, 218, 257-259, 284-293, 301, 304-316).
// ---------------------------------------------------------------------------------------------
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

// ---------------------------------------------------------------------------------------------
// Tables (rules 478-485) and column references (rules 486-490).
// ---------------------------------------------------------------------------------------------
void qry_table(char *dst, const char *owner, const char *table, const char *alias);
// A column named in a column list, a column definition or an UPDATE assignment (rule 507).
void qry_column_name(char *dst, const char *name);
void qry_column_ref(char *dst, const char *qualifier, const char *column);

// Rule 235: the end of every statement.
void qry_statement_end();

// The DDL file of the run, "ddl_<unit><extension>" (".sql" for SELECT INTO a temporary table,
// ".pls" for CREATE TABLE): opened once for the run, by whichever comes first; "/" and "\" of
// the unit name become "_", so it is always made in the current directory. When it cannot be
// made: the system error for the name and exit status 10.
void open_unit_ddl_file(const char *extension);
