// Variables of option -N that share their name with a column: the columns the unit has used,
// the variables of the current statement written bare, and the diagnostics of both cases.
#include "prefix_clash.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"

#include <cstdio>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> unit_columns;      // column names used so far in the unit
std::vector<std::string> statement_columns; // column names of the current statement
std::vector<std::string> bare_variables;    // variables of the statement written bare
std::vector<std::string> kept;              // variables that keep their prefix (reported)
std::vector<std::pair<diag, std::string>>
    notes; // diagnostics due at the statement's end (kind, variable)

bool listed(const std::vector<std::string> &list, const std::string &name) {
    for (const std::string &n : list)
        if (strcasecmp(n.c_str(), name.c_str()) == 0)
            return true;
    return false;
}

} // namespace

void clash_column(const std::string &column) {
    if (prefix_name != 0 || iftrigger != 0 || column.empty())
        return;
    if (!listed(unit_columns, column))
        unit_columns.push_back(column);
    statement_columns.push_back(column);
}

bool clash_keeps_prefix(const std::string &bare) {
    if (prefix_name != 0 || iftrigger != 0)
        return false;
    if (!listed(unit_columns, bare)) {
        bare_variables.push_back(bare);
        return false;
    }
    if (!listed(kept, bare)) {
        kept.push_back(bare);
        notes.push_back({diag::prefix_kept, bare});
    }
    return true;
}

void clash_statement_end() {
    for (const std::string &v : bare_variables)
        if (listed(statement_columns, v) && !listed(kept, v)) {
            kept.push_back(v);
            notes.push_back({diag::prefix_missing, v});
        }
    for (const auto &n : notes) {
        print_tabs();
        fputs(diagnose(n.first, yylineno, {n.second}).c_str(), yyout);
    }
    notes.clear();
    statement_columns.clear();
    bare_variables.clear();
}

void clash_reset() {
    unit_columns.clear();
    statement_columns.clear();
    bare_variables.clear();
    kept.clear();
    notes.clear();
}
