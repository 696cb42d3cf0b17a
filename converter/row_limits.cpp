// Row limits of queries (row_limits.h).
#include "row_limits.h"

#include "blockstack.h"
#include "builtins.h"
#include "convstate.h"
#include "diagnostics.h"
#include "parser.h"

#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The limit of one query part: set by its TOP, completed by its table expression.
struct row_limit {
    bool set = false;
    std::string count;
    bool distinct = false;
    bool wrap = false;       // ordered, grouped or distinct rows: the query is wrapped
    std::string where_plain; // the WHERE clause without and with "ROWNUM <= n"
    std::string where_limited;
};

// One query level: the limit of the part being read, and the parts whose table expression is
// complete, last on top, each taken by the rule that builds the part.
struct level {
    row_limit reading;
    std::vector<row_limit> parts;
};

level current;
std::vector<level> outer; // the levels around an open subquery
bool pending_percent = false;

// True when `text` calls an aggregate (COUNT, SUM, AVG, MIN, MAX) outside string literals:
// its single row must be computed over all rows before the limit applies.
bool has_aggregate(const std::string &text) {
    static const char *const names[] = {"COUNT", "SUM", "AVG", "MIN", "MAX"};
    char quote = 0;
    for (size_t i = 0; i < text.size(); i++) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            continue;
        }
        if (!isalpha(static_cast<unsigned char>(c)) ||
            (i > 0 && (isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '_' ||
                       text[i - 1] == '.')))
            continue;
        size_t e = i;
        std::string w;
        while (e < text.size() && (isalnum(static_cast<unsigned char>(text[e])) || text[e] == '_'))
            w += static_cast<char>(toupper(static_cast<unsigned char>(text[e++])));
        while (e < text.size() && (text[e] == ' ' || text[e] == '\t'))
            e++;
        if (e < text.size() && text[e] == '(')
            for (const char *n : names)
                if (w == n)
                    return true;
        i += w.size() - 1;
    }
    return false;
}

std::string trim(const char *s) {
    std::string t = s == nullptr ? std::string() : std::string(s);
    const size_t b = t.find_first_not_of(" \t\n");
    const size_t e = t.find_last_not_of(" \t\n");
    return b == std::string::npos ? std::string() : t.substr(b, e - b + 1);
}

bool name_char(char c) {
    return isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '#' || c == '$';
}

// The name the target gives the column of a select-list item, upper-cased: its alias, the
// last part of a (qualified) column name, or the expression's text without blanks. `aliased`
// tells that the item names the column itself.
std::string column_key(const std::string &item, bool &aliased) {
    const std::string t = trim(item.c_str());
    aliased = false;
    size_t e = t.size();
    size_t b = e;
    while (b > 0 && name_char(t[b - 1]))
        b--;
    if (b < e && b > 0 && (t[b - 1] == ' ' || t[b - 1] == '\t')) {
        size_t before = b - 1;
        while (before > 0 && (t[before] == ' ' || t[before] == '\t'))
            before--;
        const char c = t[before];
        std::string word;
        for (size_t i = b; i < e; i++)
            word += static_cast<char>(toupper(static_cast<unsigned char>(t[i])));
        if ((name_char(c) || c == ')' || c == '\'' || c == '"') && word != "END")
            aliased = true;
        if (aliased)
            return word;
    }
    bool plain = !t.empty();
    for (char c : t)
        plain = plain && (name_char(c) || c == '.');
    std::string key;
    for (size_t i = plain ? t.rfind('.') + 1 : 0; i < t.size(); i++)
        if (t[i] != ' ' && t[i] != '\t' && t[i] != '\n')
            key += static_cast<char>(toupper(static_cast<unsigned char>(t[i])));
    return key;
}

} // namespace

std::string row_limit_column_alias(const std::vector<std::string> &items, size_t k) {
    bool aliased = false;
    const std::string key = column_key(items[k], aliased);
    if (aliased || key.empty() || key.find('*') != std::string::npos)
        return std::string();
    for (size_t j = 0; j < k; j++) {
        bool other_aliased = false;
        if (column_key(items[j], other_aliased) == key)
            return " " ROW_LIMIT_ALIAS "_c" + std::to_string(k + 1);
    }
    return std::string();
}

void qry_top_count(char *dst, const char *count, int percent) {
    pending_percent = percent != 0;
    val_set(dst, remove_at_signs(trim(count)).c_str()); // a variable count: its target name
}

void qry_top_word(char *dst, const char *word, const char *count) {
    const std::string w = word == nullptr ? std::string() : std::string(word);
    current.reading = row_limit();
    if (pending_percent) {
        // No row-number equivalent of a share of the rows: the query keeps all its rows.
        pending_percent = false;
        print_tabs();
        diagnose_to(yyout, diag::top_percent, yylineno, {trim(count)});
    } else {
        current.reading.set = true;
        current.reading.count = trim(count);
        current.reading.distinct = w.compare(0, 8, "DISTINCT") == 0;
    }
    val_set(dst, w.c_str());
}

void row_limit_push() {
    outer.push_back(current);
    current = level();
}

void row_limit_pop() {
    if (outer.empty()) {
        current = level();
        return;
    }
    current = outer.back();
    outer.pop_back();
}

bool row_limit_pending() {
    return current.reading.set;
}

std::string row_limit_where(std::string where, std::string_view group, std::string_view having,
                            std::string_view order) {
    if (!current.reading.set) {
        // No limit read: the part is an empty entry (reading is one already).
        current.parts.emplace_back();
        return where;
    }
    row_limit r = std::move(current.reading);
    current.reading = row_limit();
    if (r.set && from == 0) {
        r.set = false; // one row without a table: nothing to limit
    } else if (r.set && (r.distinct || !group.empty() || !having.empty() || !order.empty())) {
        r.wrap = true;
    } else if (r.set) {
        std::string out;
        const size_t at = where.find("WHERE ");
        if (at == std::string::npos) {
            const int n = declare_cur != 0 ? 0 : no_of_tabs + 1 + (inWhile != 0 ? 1 : 0);
            out = "\n" + std::string(static_cast<size_t>(n > 0 ? n : 0), '\t') +
                  "WHERE ROWNUM <= " + r.count;
        } else {
            out = where.substr(0, at) + "WHERE (" + where.substr(at + 6) +
                  ") AND ROWNUM <= " + r.count;
        }
        r.where_plain = std::move(where);
        r.where_limited = out;
        current.parts.push_back(std::move(r));
        return out;
    }
    current.parts.push_back(std::move(r));
    return where;
}

bool row_limit_waiting() {
    return !current.parts.empty() && current.parts.back().set;
}

std::string row_limit_take(const std::string &selection, std::string &table_exp) {
    if (current.parts.empty())
        return std::string();
    if (!current.parts.back().set) {
        current.parts.pop_back();
        return std::string();
    }
    const row_limit r = std::move(current.parts.back());
    current.parts.pop_back();
    if (!r.set)
        return std::string();
    if (r.wrap)
        return r.count;
    if (!has_aggregate(selection))
        return std::string();
    // An aggregate over the limited rows would compute something else: wrap instead.
    size_t at = table_exp.rfind(r.where_limited);
    if (at != std::string::npos) {
        size_t n = r.where_limited.size();
        if (r.where_plain.empty() && at > 0 && table_exp[at - 1] == ' ') {
            at--; // the blank that joined the clause goes with it
            n++;
        }
        table_exp.replace(at, n, r.where_plain);
    }
    return r.count;
}

std::string row_limit_wrap(const std::string &query, const std::string &count) {
    return "SELECT " ROW_LIMIT_ALIAS ".* FROM (" + query +
           ") " ROW_LIMIT_ALIAS " WHERE ROWNUM <= " + count;
}

void row_limit_reset() {
    current = level();
    outer.clear();
    pending_percent = false;
}
