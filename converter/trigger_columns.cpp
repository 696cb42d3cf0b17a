// Pseudo-table columns of triggers: the query levels' FROM lists and unqualified columns, and
// the qualification of those columns when the pseudo table is the query's only table.
#include "trigger_columns.h"

#include "convstate.h"

#include <cstring>

namespace {

struct scope {
    std::vector<std::pair<std::string, std::string>> aliases; // alias, pseudo table
    std::string only;                 // the query's only table when it is a pseudo table
    std::vector<std::string> columns; // unqualified column names read at this level
};

std::vector<scope> scopes;

scope &at(size_t depth) {
    if (scopes.size() <= depth)
        scopes.resize(depth + 1);
    return scopes[depth];
}

bool is_pseudo(const std::string &table) {
    return table == ":NEW" || table == ":OLD";
}

bool word_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_variable(const std::string &name) {
    for (int i = 0; i < declare_no && i < DECLARE_LIST_MAX; i++)
        if (strcmp(declare_list[i].name, name.c_str()) == 0)
            return true;
    return false;
}

// Every whole-word `name` of `text` outside quotes, not qualified and not a call, gets
// "<qualifier>.".
std::string qualify(const std::string &text, const std::string &name, const std::string &q) {
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (quote != 0 || c == '\'' || c == '"') {
            quote = quote != 0 ? (c == quote ? 0 : quote) : c;
            out += c;
            i++;
            continue;
        }
        const bool starts =
            word_char(c) &&
            (i == 0 || (!word_char(text[i - 1]) && text[i - 1] != '.' && text[i - 1] != ':'));
        if (!starts) {
            out += c;
            i++;
            continue;
        }
        size_t e = i;
        while (e < text.size() && word_char(text[e]))
            e++;
        const std::string w = text.substr(i, e - i);
        size_t after = e;
        while (after < text.size() && (text[after] == ' ' || text[after] == '\t'))
            after++;
        const bool call = after < text.size() && text[after] == '(';
        const bool qualifier = e < text.size() && text[e] == '.';
        if (w == name && !call && !qualifier)
            out += q + ".";
        out += w;
        i = e;
    }
    return out;
}

} // namespace

void trig_scope_from(size_t depth, const std::vector<std::pair<std::string, std::string>> &tables) {
    scope &s = at(depth);
    s.aliases.clear();
    s.only.clear();
    bool other = false;
    for (const auto &t : tables) {
        if (!is_pseudo(t.first)) {
            other = true;
            continue;
        }
        if (!t.second.empty())
            s.aliases.emplace_back(t.second, t.first);
        if (s.only.empty())
            s.only = t.first;
        else if (s.only != t.first)
            other = true; // both pseudo tables: a bare column could be either
    }
    if (other)
        s.only.clear();
}

void trig_scope_column(size_t depth, const std::string &column) {
    at(depth).columns.push_back(column);
}

std::vector<std::pair<std::string, std::string>> trig_scope_aliases(size_t depth) {
    std::vector<std::pair<std::string, std::string>> all;
    for (size_t d = 0; d <= depth && d < scopes.size(); d++)
        all.insert(all.end(), scopes[d].aliases.begin(), scopes[d].aliases.end());
    return all;
}

std::string trig_scope_unqualified(size_t depth, const std::string &text) {
    if (depth >= scopes.size() || scopes[depth].only.empty())
        return text;
    const scope &s = scopes[depth];
    std::string out = text;
    std::vector<std::string> done;
    for (const std::string &column : s.columns) {
        bool seen = false;
        for (const std::string &d : done)
            seen = seen || d == column;
        if (seen || is_variable(column))
            continue;
        done.push_back(column);
        out = qualify(out, column, s.only);
    }
    if (out != text) {
        ifeachrow = 1;
        if (s.only == ":OLD")
            ifdeleted = 1;
    }
    return out;
}

void trig_scope_end(size_t depth) {
    if (depth < scopes.size()) {
        scopes[depth].columns.clear();
        if (depth + 1 < scopes.size())
            scopes.resize(depth + 1);
    }
}

void trig_scope_reset() {
    scopes.clear();
}
