// Queries and their parts: the comparisons and assignments of rules 411-418, subqueries and
// the calls that take one as an argument, the query specification's clauses (rules 227-234,
// 289, 297, 319-350), select-list items (rules 425-430), and the end of a statement (rule 235).
//
// `dst` is always a value buffer of YYVALSIZE bytes (parser.h); the routines never write more.
#pragma once

#include <cstddef>
#include <string>

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
void qry_select_word();                                                        // rule 325
void qry_selection_end();                                                      // rule 326
void qry_select_statement();                                                   // rule 297
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

// Rule 235: the end of every statement.
void qry_statement_end();

// How many subqueries are open (rule 393 opened, rule 389 not yet closed): the query level
// that the trigger pseudo-table scopes (trigger_columns.h) are kept for.
size_t qry_subquery_depth();
// The GROUP BY clause of the last table expression of rule 335 ("GROUP BY dept"), "" for none:
// the definition of a temporary table filled by that query keeps it.
const std::string &qry_table_group_by();
