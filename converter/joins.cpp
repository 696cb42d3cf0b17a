// ANSI joins and derived tables in FROM lists.
#include "joins.h"

#include "convstate.h"
#include "parser.h"

#include <cstring>
#include <vector>

namespace {

int pending_on = 0;               // join keywords whose ON is still to come
std::vector<int16_t> saved_where; // inWhere before each open ON condition
std::string trigger_conditions;   // conditions of joins with a pseudo table

bool is_pseudo(const std::string &table_text) {
    return table_text.rfind(":NEW", 0) == 0 || table_text.rfind(":OLD", 0) == 0;
}

// A one-table text: no blank-separated join inside ("t", "t a").
bool single_table(const std::string &text) {
    return text.find(" JOIN ") == std::string::npos && text.find(',') == std::string::npos;
}

} // namespace

void join_keyword_seen() {
    pending_on++;
}

bool join_on_seen() {
    if (pending_on <= 0)
        return false;
    pending_on--;
    saved_where.push_back(inWhere);
    inWhere = 1;
    return true;
}

void qry_join(char *dst, const char *left, const char *kind, const char *right, const char *cond) {
    if (cond != nullptr && !saved_where.empty()) {
        // A WHERE already read as the look-ahead keeps its own setting.
        inWhere = yychar == WHERE ? 1 : saved_where.back();
        saved_where.pop_back();
    }
    const std::string l = left, r = right, k = kind;
    if (iftrigger != 0 && cond != nullptr && single_table(r) &&
        (is_pseudo(r) || (single_table(l) && is_pseudo(l)))) {
        // The pseudo table is the trigger's row, not a table: its condition goes to WHERE.
        if (!trigger_conditions.empty())
            trigger_conditions += " AND ";
        trigger_conditions += "(" + std::string(cond) + ")";
        val_set(dst, is_pseudo(r) ? l.c_str() : r.c_str());
        return;
    }
    if (cond == nullptr)
        val_printf(dst, "%s %s %s", l.c_str(), k.c_str(), r.c_str());
    else
        val_printf(dst, "%s %s %s ON %s", l.c_str(), k.c_str(), r.c_str(), cond);
}

void qry_derived_table(char *dst, const char *subquery, const char *alias) {
    val_printf(dst, "%s %s", subquery, alias);
}

std::string join_condition_take() {
    std::string c;
    c.swap(trigger_conditions);
    return c;
}

void join_reset() {
    pending_on = 0;
    saved_where.clear();
    trigger_conditions.clear();
}
