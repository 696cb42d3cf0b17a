// Columns of a trigger's pseudo tables (inserted and deleted, read as ":NEW" and ":OLD"):
// per query level, the aliases under which its FROM list names them and the unqualified
// columns it uses, so that "i.total" with "from inserted i", and "order_id" in a query whose
// only table is inserted, become ":NEW.total" and ":NEW.order_id".
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The FROM list of the query at subquery depth `depth`: its tables with their aliases.
void trig_scope_from(size_t depth, const std::vector<std::pair<std::string, std::string>> &tables);
// An unqualified column reference read at subquery depth `depth`.
void trig_scope_column(size_t depth, const std::string &column);
// The aliases of the pseudo tables in the FROM lists of depths 0 to `depth`.
std::vector<std::pair<std::string, std::string>> trig_scope_aliases(size_t depth);
// `text` with the unqualified columns of depth `depth` qualified by its only pseudo table
// (none when the query has another table, both pseudo tables, or when a variable of the unit
// has the column's name).
std::string trig_scope_unqualified(size_t depth, const std::string &text);
// The query at `depth` is complete: its columns are forgotten. trig_scope_reset forgets all.
void trig_scope_end(size_t depth);
void trig_scope_reset();
