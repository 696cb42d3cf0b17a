// Row limits of queries (SELECT TOP n, TOP (n), TOP n PERCENT). The target has no TOP: a
// plain query gets "ROWNUM <= n" in its WHERE clause; a query whose rows are ordered, grouped,
// made distinct or aggregated is wrapped, so that the limit applies to its finished rows:
// "SELECT q_top.* FROM (<query>) q_top WHERE ROWNUM <= n". TOP n PERCENT has no row-number
// equivalent: the query converts without a limit and a diagnostic asks for manual conversion.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The alias of the wrapped query.
#define ROW_LIMIT_ALIAS "q_top"

// Rules of TOP: the row count `count` (a number or an expression) with its PERCENT flag;
// yields the count.
void qry_top_count(char *dst, const char *count, int percent);

// Rules of opt_all_distinct with TOP: the ALL/DISTINCT word `word` ("" for none) and the count;
// records the limit of the query being read; yields the word.
void qry_top_word(char *dst, const char *word, const char *count);

// A subquery opens (its own limit starts empty) and closes (the outer query's limit is back).
void row_limit_push();
void row_limit_pop();

// The table expression of the query part being read is complete (its parts given): with a
// row limit that the WHERE clause can carry, yields the clause with "ROWNUM <= n" added, else
// `where` itself. The part's limit waits for row_limit_take.
std::string row_limit_where(std::string where, std::string_view group, std::string_view having,
                            std::string_view order);

// True when the query part being read has a row limit (an ORDER BY of a subquery then stays).
bool row_limit_pending();

// The rule that builds a query part (its select list `selection`) takes the part's limit: the
// row count when the part must be wrapped, "" otherwise (no limit, or the limit is already in
// its WHERE clause). When an aggregate in the select list turns out to need the wrap,
// `table_exp` loses the WHERE limit again.
std::string row_limit_take(const std::string &selection, std::string &table_exp);
// True when the query part that row_limit_take takes next has a row limit; without one,
// row_limit_take yields "" and reads neither text.
bool row_limit_waiting();

// The wrapped form of a query text "SELECT ..." with row count `count`.
std::string row_limit_wrap(const std::string &query, const std::string &count);

// The alias that item `k` of a wrapped query's select list `items` needs so that the columns
// that "q_top.*" selects have distinct names: " q_top_c<k+1>" when an earlier item gives a
// column of the same name (NULL and NULL, the same expression twice, a.id and b.id), else "".
// An item that names its column itself (an alias) gets none.
std::string row_limit_column_alias(const std::vector<std::string> &items, size_t k);

// Per-unit reset.
void row_limit_reset();
