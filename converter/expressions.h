// Expressions, conditions and names: the routines behind the actions of IF and WHILE
// conditions (rules 59 to 99), search conditions (351 to 388), operators (394 to 410, 419 to
// 424), CASE (434 to 449), function calls (456 to 472) and literals (473 to 477).
#pragma once

#include <string>

// `dst` is always a value buffer of YYVALSIZE bytes (parser.h); the routines never write more.

// Condition texts. The comparison routine of rules 411 to 418 uses these for IF, WHILE and
// WHERE conditions:
// - xpr_comparison: IF and WHILE comparisons (rule 87): "=" against '' gives "%s IS NULL",
//   "!=" or "<>" against '' "%s IS NOT NULL", anything else "%s %s %s".
// - xpr_null_comparison: a comparison with NULL (rules 91, 367, and "= NULL" in a condition):
//   "=" gives "%s IS NULL", "!=" or "<>" "%s IS NOT NULL", another operator "%s %s NULL".
// - xpr_condition_compare: a comparison in a condition (rules 416, 418): the '' tests of
//   xpr_comparison in an IF or WHILE condition, "%s %s %s" in a WHERE or HAVING clause (also
//   one inside the condition of an IF), which keeps its operator.
void xpr_comparison(char *dst, const char *left, const char *op, const char *right);
void xpr_null_comparison(char *dst, const char *left, const char *op);
void xpr_condition_compare(char *dst, const char *left, const char *op, const char *right);
// True while a condition is being read: a WHERE or HAVING clause, or an IF or WHILE condition
// outside a select list.
bool xpr_in_condition();

// Rules 74 to 77: an existence test (subquery or EXISTS) compared with a value or NULL; sets
// if_exists. `test_left` tells that the existence test stands on the left (rules 74, 76: the
// sides are exchanged and the operator mirrored). `value` nullptr: compared with NULL.
void xpr_exists_compare(char *dst, const char *test, const char *op, const char *value,
                        bool test_left);
// Rules 69, 98, 99: an existence test (subquery or EXISTS) in a condition; sets if_exists.
void xpr_mark_existence_test();
// Rules 71, 72: an existence test tested for NULL ("%s IS NULL", "%s IS NOT NULL"); sets
// if_exists.
void xpr_existence_is_null(char *dst, const char *test, bool negated);
// Rules 78, 79: a value in an existence test ("%s IN %s", "%s NOT IN %s"); sets if_exists.
void xpr_in_existence_test(char *dst, const char *value, const char *test, bool negated);
// Rule 82: IF UPDATE(columns), in a trigger and outside one.
void xpr_if_updating(char *dst, const char *columns);

// Search conditions of WHERE and HAVING.
void xpr_search_join(char *dst, const char *left, const char *op, const char *right);  // 351, 352
void xpr_search_not(char *dst, const char *condition);                                 // rule 353
void xpr_search_paren(char *dst, const char *condition);                               // rule 354
void xpr_subquery_compared(char *dst, const char *subquery, const char *op);           // rule 364
void xpr_outer_join(char *dst, const char *left, const char *op, const char *right);   // rule 371
void xpr_in_subquery(char *dst, const char *left, const char *subquery, bool negated); // 380, 381

// Rules 394 to 410: binary operators ("+" by context "||", "%" MOD, "&" BITAND).
void xpr_binary(char *dst, const char *left, const char *op, const char *right);
// Rules 398 to 405: a subquery operand of + - * / becomes temp_var<n> (check_selection writes
// its block first); `subquery_left` tells which side it is. The other operand is `other`.
void xpr_subquery_operand(char *dst, const char *other, const char *op, bool subquery_left);
// Rule 369: a subquery compared with a subquery: the right one becomes temp_var<n>.
void xpr_subquery_compare_subquery(char *dst, const char *left, const char *op);
// Rule 73: an existence test compared with a subquery, which becomes temp_var<n>.
void xpr_exists_compare_subquery(char *dst, const char *test, const char *op);

// CASE as DECODE: rules 436 to 440 (`subject` the column or value named before WHEN or on the
// left of the comparison, nullptr for rule 440; `op` the comparison, nullptr for 438 to 440),
// 445 and 446 (the list), 447 (with the ELSE text of 448/449), 435 (the whole CASE).
void xpr_case_when(char *dst, const char *subject, const char *op, const char *value,
                   const char *result);
// A WHEN with any condition (a searched CASE of the target): the condition and the result.
void xpr_case_when_searched(char *dst, const char *condition, const char *result);
void xpr_case_first(char *dst, const char *when);
void xpr_case_next(char *dst, const char *list, const char *when);
void xpr_case_exp(char *dst, const char *list, const char *else_result);
void xpr_case(char *dst, const char *case_exp);
// The scanner read the word CASE: case_flag is set and one more CASE is open. case_flag stays
// set until the outermost open CASE ends (a CASE inside a WHEN's result leaves it set).
void xpr_case_keyword();
extern const char *const EMPTY_CASE_ELSE; // the value of rule 448

// Function calls: rules 466, 467 (`args` "" for none), 465 (CONVERT with its type,
// expression and style), 461 and 462 (a function applied to a subquery).
void xpr_function_call(char *dst, const char *name, const char *args);
// Rules 463 and 464: a call with its argument list. When an argument was a subquery, the call
// moves into that subquery with all its arguments (operations and parentheses included), the
// subquery's select list standing where the subquery stood: "(SELECT f(..) FROM ..)".
void xpr_function_call_args(char *dst, const char *name, const char *args);
// Rule 456: "%s(*)"; a built-in of the function table other than COUNT is translated as
// if called with no argument (GETDATE(*) as GETDATE()).
void xpr_function_star(char *dst, const char *name);
void xpr_convert(char *dst, const char *name, const char *type, const char *expr,
                 const char *style);
void xpr_function_of_subquery(char *dst, const char *name, const char *subquery);
// The date format of a CONVERT style number; nullptr for a style without one (or not a number).
const char *xpr_style_format(const char *style);

// Rules 473 and 477: a string literal (which_literal STRING) and two literals joined by "+".
void xpr_string_literal(char *dst, const char *literal);
void xpr_strings_join(char *dst, const char *left, const char *right);
// `text` with every "+" outside string literals written as "||" (a string built by "+").
std::string xpr_concat_text(const std::string &text);
