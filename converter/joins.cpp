// ANSI joins and derived tables in FROM lists.
#include "joins.h"

#include "builtins.h"
#include "convstate.h"
#include "diagnostics.h"
#include "parser.h"
#include "statement_text.h"
#include "textwalk.h"
#include "unitname.h"

#include <algorithm>
#include <cctype>
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

bool word_char(char c) {
    return isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '#';
}

std::string upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

// A column reference "q.c" of a condition: where its qualifier starts and ends, where the
// column ends.
struct column_ref {
    size_t start, dot, end;
};

// The qualified column references of `text` outside string literals. A variable of the unit
// ("unit.name"), a pseudo table (":NEW.c") and a number are values, not columns.
std::vector<column_ref> column_refs(const std::string &text) {
    std::vector<column_ref> refs;
    const std::string unit = upper(unit_ref_name());
    bool quoted = false;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'') {
            quoted = !quoted;
            i++;
            continue;
        }
        if (quoted || !word_char(c)) {
            i++;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && word_char(text[i]))
            i++;
        if (i + 1 >= text.size() || text[i] != '.' || !word_char(text[i + 1]))
            continue;
        const size_t dot = i++;
        while (i < text.size() && (word_char(text[i]) || text[i] == '.'))
            i++;
        const bool value = (start > 0 && (text[start - 1] == ':' || text[start - 1] == '.')) ||
                           isdigit(static_cast<unsigned char>(text[start])) != 0 ||
                           upper(text.substr(start, dot - start)) == unit;
        if (!value)
            refs.push_back({start, dot, i});
    }
    return refs;
}

// Whether `text` holds the word `w` (upper case) outside string literals.
bool has_word(const std::string &text, const std::string &w) {
    const std::string u = upper(text);
    bool quoted = false;
    for (size_t i = 0; i < u.size(); i++) {
        if (u[i] == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || u.compare(i, w.size(), w) != 0)
            continue;
        if ((i == 0 || !word_char(u[i - 1])) &&
            (i + w.size() == u.size() || !word_char(u[i + w.size()])))
            return true;
    }
    return false;
}

// The top-level pieces of a search condition joined by `word` ("AND" or "OR"), as the search
// rules join them: " \n\t<tabs>WORD ". `seps` receives the separators between the pieces.
std::vector<std::string> top_level_split(const std::string &text, const std::string &word,
                                         std::vector<std::string> &seps) {
    std::vector<std::string> pieces(1);
    sql_position at;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        at.step(c);
        if (at.top() && c == ' ' && text.compare(i, 2, " \n") == 0) {
            size_t j = i + 2;
            while (j < text.size() && text[j] == '\t')
                j++;
            if (text.compare(j, word.size() + 1, word + " ") == 0) {
                seps.push_back(text.substr(i, j + word.size() + 1 - i));
                pieces.emplace_back();
                i = j + word.size() + 1;
                continue;
            }
        }
        pieces.back() += c;
        i++;
    }
    return pieces;
}

} // namespace

std::string join_inner_restrictions(std::string condition) {
    if (condition.find("(+)") == std::string::npos)
        return condition;
    std::vector<std::string> or_seps, seps;
    top_level_split(condition, "OR", or_seps);
    if (!or_seps.empty())
        return condition;
    std::vector<std::string> parts = top_level_split(condition, "AND", seps);
    // The tables on each side of the outer joins.
    std::vector<std::string> inner, outer;
    std::vector<bool> joins(parts.size(), false);
    for (size_t p = 0; p < parts.size(); p++) {
        const std::string &t = parts[p];
        const size_t mark = t.find("(+)");
        const size_t eq = t.find(" = ");
        if (mark == std::string::npos || eq == std::string::npos)
            continue;
        joins[p] = true;
        for (const column_ref &r : column_refs(t)) {
            const std::string q = upper(t.substr(r.start, r.dot - r.start));
            ((r.start > eq) == (mark > eq) ? inner : outer).push_back(q);
        }
    }
    auto listed = [](const std::vector<std::string> &list, const std::string &q) {
        return std::find(list.begin(), list.end(), q) != list.end();
    };
    auto inner_only = [&](const std::string &q) { return listed(inner, q) && !listed(outer, q); };
    for (size_t p = 0; p < parts.size(); p++) {
        if (joins[p])
            continue;
        std::string &t = parts[p];
        const std::vector<column_ref> refs = column_refs(t);
        bool all_inner = !refs.empty();
        for (const column_ref &r : refs)
            all_inner = all_inner && inner_only(upper(t.substr(r.start, r.dot - r.start)));
        if (!all_inner)
            continue;
        const size_t first = t.find_first_not_of(" \n\t");
        const bool plain = first != std::string::npos && t[first] != '(' && !has_word(t, "IN") &&
                           !has_word(t, "IS") && !has_word(t, "OR") && !has_word(t, "EXISTS") &&
                           !has_word(t, "SELECT") && upper(t.substr(first, 4)) != "NOT ";
        if (!plain) {
            diagnostic_note(diag::outer_join_restriction,
                            {t.substr(refs[0].start, refs[0].dot - refs[0].start)});
            continue;
        }
        for (size_t k = refs.size(); k-- > 0;)
            t.insert(refs[k].end, " (+)");
    }
    std::string out = parts[0];
    for (size_t p = 1; p < parts.size(); p++)
        out += seps[p - 1] + parts[p];
    return out;
}

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
        stmt_text::val_join(dst, {l, " ", k, " ", r});
    else
        stmt_text::val_join(dst, {l, " ", k, " ", r, " ON ", cond});
}

void qry_derived_table(char *dst, const char *subquery, const char *alias) {
    stmt_text::val_join(dst, {stmt_text::printed(subquery), " ", stmt_text::printed(alias)});
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
