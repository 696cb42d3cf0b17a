// ANSI joins and derived tables in FROM lists.
#pragma once

#include <string>

// Scanner side: a join keyword ("JOIN", "LEFT OUTER JOIN", ...) whose ON is still to come, and
// the ON word. After the ON of a join, "=" reads as a comparison (inWhere) until the join's
// condition is complete; the join rule gives inWhere back its earlier value.
void join_keyword_seen();
bool join_on_seen(); // true when this ON belongs to a join (inWhere is then set)

// `left` kind `right` [ON condition] (condition nullptr for CROSS JOIN). In a trigger a pseudo
// table (":NEW", ":OLD") leaves the join, and the join's condition is kept for the WHERE clause
// of the query (join_condition_take).
void qry_join(char *dst, const char *left, const char *kind, const char *right, const char *cond);

// A derived table: the subquery's text and its alias.
void qry_derived_table(char *dst, const char *subquery, const char *alias);

// The conditions of joins whose pseudo table left the FROM list ("" when none), joined by AND;
// taking them empties the store.
std::string join_condition_take();

// A WHERE condition with outer joins written "a = b (+)" / "a (+) = b": a restriction of the
// AND list whose columns all belong to an inner table (one that is never the outer side of a
// join) belongs to the join, so each of its columns of that table gets "(+)". A restriction that
// cannot carry the marker (IN, IS NULL, OR, a subquery) gets the diagnostic. A condition with
// OR at its top level stays as it is.
std::string join_inner_restrictions(std::string condition);

// Per-unit reset.
void join_reset();
