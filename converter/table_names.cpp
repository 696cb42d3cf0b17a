// Tables and column references, the names under which a statement reaches its temporary
// tables (the session filter) and the trigger pseudo tables (":OLD.", ":NEW."), and the naming
// of the unit's DDL file.
#include "table_names.h"

#include "convstate.h"
#include "namecheck.h"
#include "output.h"
#include "parser.h"
#include "prefix_clash.h"
#include "queries.h"
#include "reserved.h"
#include "statement_text.h"
#include "textwalk.h"
#include "trigger_columns.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace stmt_text;

// ---------------------------------------------------------------------------------------------
// Tables and column references.
// ---------------------------------------------------------------------------------------------

namespace {

// A quoted name loses its quotes unless it needs them to stay one name (a blank or another
// character that no plain name holds: "Order Subtotals"). Read in place.
std::string_view unquoted_name(const char *s) {
    if (s == nullptr || s[0] == '\0') // mostly no owner or alias
        return std::string_view();
    const size_t n = strlen(s);
    if (n >= 2 && s[0] == '"' && s[n - 1] == '"' &&
        strspn(s + 1, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_#$") == n - 2)
        return std::string_view(s + 1, n - 2);
    return std::string_view(s, n);
}

// The table of a FROM list: the trigger's table, and an entry of tab_list unless the same name
// and alias are listed already.
void record_table(std::string_view name, std::string_view alias) {
    if (iftrigger != 0 && trig_tab[0] == '\0')
        state_copy(trig_tab, sizeof trig_tab, std::string(name).c_str(), "a table name");
    if (inSubquery != 0)
        return; // a subquery's tables are its own
    if (iftrigger != 0 && firstTrig != 0) {
        firstTrig = 0;
        return;
    }
    char stored_name[sizeof tab_list[0].name], stored_alias[sizeof tab_list[0].alias];
    fit_copy(stored_name, sizeof stored_name, name, "a table name (tab_list)");
    fit_copy(stored_alias, sizeof stored_alias, alias, "a table alias (tab_list)");
    for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++)
        if (strcmp(tab_list[i].name, stored_name) == 0 &&
            strcmp(tab_list[i].alias, stored_alias) == 0)
            return;
    check_capacity(tot_tab, TAB_LIST_MAX, "the table list (tab_list)");
    list_mark(tab_list_marked, tot_tab);
    // The stored texts fit the entry (it has their sizes): copied with their known lengths.
    memcpy(tab_list[tot_tab].name, stored_name, name.size() + 1);
    memcpy(tab_list[tot_tab].alias, stored_alias, alias.size() + 1);
    tot_tab++;
}

} // namespace

void qry_table(char *dst, const char *owner, const char *table, const char *alias) {
    const std::string_view o = unquoted_name(owner), a = unquoted_name(alias);
    std::string_view name = unquoted_name(table);
    // "<owner>.<table>" for an owner other than dbo. Kept from call to call: its storage is
    // reused.
    static std::string qualified;
    if (!o.empty() && o != "dbo") {
        qualified.assign(o);
        qualified += '.';
        qualified.append(name);
        name = qualified;
    }
    // The lists first: the texts are read in place, and dst is written last.
    record_table(name, a);
    if (a.empty())
        val_join(dst, {name});
    else
        val_join(dst, {name, " ", a});
}

void qry_column_name(char *dst, const char *name) {
    const std::string n = str(name);
    clash_column(n);
    val_set(dst, n.c_str());
}

void qry_column_ref(char *dst, const char *qualifier, const char *column) {
    const char *col = column == nullptr ? "" : column;
    // The name as a std::string only for the lists that keep it: the column names of option -N
    // (clash_column records a name only without the prefix and outside a trigger) and the
    // unqualified columns of a trigger's scope. Kept from call to call: its storage is reused.
    static std::string c;
    const bool clash = prefix_name == 0 && iftrigger == 0 && col[0] != '\0';
    const bool scope = iftrigger != 0 && empty(qualifier);
    if (clash || scope)
        c.assign(col);
    if (clash)
        clash_column(c);
    if (empty(qualifier)) {
        if (scope)
            trig_scope_column(qry_subquery_depth(), c);
        if (strcmp(dst, col) != 0) // $$ starts as a copy of $1: mostly it holds the name
            val_set(dst, col);     // col may lie in dst: val_set moves it
        return;
    }
    if (iftrigger != 0 && strcmp(qualifier, ":NEW") == 0)
        ifeachrow = 1;
    if (iftrigger != 0 && strcmp(qualifier, ":OLD") == 0) {
        ifeachrow = 1;
        ifdeleted = 1;
    }
    // "<qualifier>.<column>" written in place when it fits and neither text lies in dst;
    // otherwise val_join (which cuts it and sets val_cut).
    const size_t ql = strlen(qualifier), cl = strlen(col);
    const auto in_dst = [dst](const char *p) {
        return reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(dst) <
               static_cast<uintptr_t>(YYVALSIZE);
    };
    if (ql + 1 + cl <= static_cast<size_t>(YYVALMAX) && !in_dst(qualifier) && !in_dst(col)) {
        memcpy(dst, qualifier, ql);
        dst[ql] = '.';
        memcpy(dst + ql + 1, col, cl + 1);
        return;
    }
    val_join(dst, {std::string_view(qualifier, ql), ".", std::string_view(col, cl)});
}

// ---------------------------------------------------------------------------------------------
// Temporary tables.
// ---------------------------------------------------------------------------------------------

namespace {

// The text after "WHERE " of a WHERE clause value ("\n<tabs>WHERE cond"), "" for none.
std::string where_condition(const std::string &clause) {
    size_t i = clause.find_first_not_of("\n\t ");
    if (i == std::string::npos)
        return std::string();
    if (clause.compare(i, 6, "WHERE ") == 0)
        return clause.substr(i + 6);
    return clause.substr(i);
}

// How the statement names a temporary table in its conditions: its alias when the table
// stands in `text` with one (the table's own name is no longer valid there), else the name.
std::string temp_qualifier(const char *text, const std::string &name) {
    for (int t = 0; t < tot_tab && t < TAB_LIST_MAX; t++) {
        const std::string alias = tab_list[t].alias;
        if (name == tab_list[t].name && !alias.empty() && alias != name &&
            str_match(text, (name + " " + alias).c_str()) != 0)
            return alias;
    }
    return name;
}

// Whether a column of `qualifier` carries the outer-join marker in `cond` ("q.c (+)"): the
// table is the inner table of an outer join.
bool outer_joined(const std::string &cond, const std::string &qualifier) {
    const std::string q = qualifier + ".";
    for (size_t at = cond.find(q); at != std::string::npos; at = cond.find(q, at + 1)) {
        if (at > 0 && (word_char(cond[at - 1]) || cond[at - 1] == '.'))
            continue;
        size_t e = at + q.size();
        while (e < cond.size() && word_char(cond[e]))
            e++;
        if (cond.compare(e, 4, " (+)") == 0)
            return true;
    }
    return false;
}

} // namespace

std::string temp_filter(const char *text, std::string where, bool every) {
    // The condition is taken from `where` at the first table that matches.
    std::string cond;
    bool matched = false;
    for (int i = 0; i < tot_tmp && i < TMP_LIST_MAX; i++) {
        if (str_match(text, tmp_list[i].name) == 0)
            continue;
        if (!matched)
            cond = where_condition(where);
        const std::string q = temp_qualifier(text, tmp_list[i].name2);
        const std::string id =
            q + (outer_joined(cond, q) ? ".SESSID (+)" : ".SESSID") + " = USERENV('SESSIONID')";
        cond = cond.empty() ? id : "(" + cond + ") AND " + id;
        matched = true;
        if (!every)
            break;
    }
    if (!matched)
        return where;
    fit_copy(where_str, sizeof where_str, cond, "a WHERE condition (where_str)");
    return "WHERE " + cond;
}

bool is_temp_table(const std::string &name) {
    for (int i = 0; i < tot_tmp && i < TMP_LIST_MAX; i++)
        if (str_match(name.c_str(), tmp_list[i].name) != 0)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Trigger pseudo tables.
// ---------------------------------------------------------------------------------------------

std::string trigger_qualifiers(std::string text) {
    if (iftrigger == 0)
        return text;
    std::vector<std::pair<std::string, std::string>> names = {{":OLD", ":OLD"}, {":NEW", ":NEW"}};
    for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++) {
        const std::string n = tab_list[i].name;
        if ((n == ":OLD" || n == ":NEW") && tab_list[i].alias[0] != '\0')
            names.emplace_back(tab_list[i].alias, n);
    }
    for (const auto &a : trig_scope_aliases(qry_subquery_depth()))
        names.push_back(a);
    // String literals and double-quoted names are left as they are.
    std::string out;
    sql_position at(walk_rules{true, false});
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        const bool in_literal = at.quoted();
        at.step(c);
        const bool starts = (word_char(c) || c == ':') && (i == 0 || !word_char(text[i - 1]));
        if (in_literal || at.quoted() || !starts) {
            out += c;
            i++;
            continue;
        }
        // A word: its characters move the walk nowhere, so they need not be taken.
        size_t e = i + 1;
        while (e < text.size() && word_char(text[e]))
            e++;
        const std::string w = text.substr(i, e - i);
        std::string repl;
        if (e < text.size() && text[e] == '.')
            for (const auto &n : names)
                if (n.first == w)
                    repl = n.second;
        out += repl.empty() ? w : repl;
        i = e;
    }
    return trig_scope_unqualified(qry_subquery_depth(), out);
}

// ---------------------------------------------------------------------------------------------
// DDL naming: the column names of a temporary table's definition.
// ---------------------------------------------------------------------------------------------

std::string ddl_column_names(const std::string &list) {
    std::string out;
    sql_position at;
    for (size_t i = 0; i < list.size(); i++) {
        const char c = list[i];
        // A name taken whole holds no quote or parenthesis: the walk need not take it.
        if (!at.quoted() && c == '"') {
            const size_t close = list.find('"', i + 1);
            if (close != std::string::npos) {
                const std::string name = list.substr(i + 1, close - i - 1);
                bool plain = !name.empty() && isalpha(static_cast<unsigned char>(name[0])) != 0;
                for (char n : name)
                    plain = plain && (word_char(n) || n == '$' || n == '#');
                if (plain && !target_reserved(name)) {
                    out += name;
                    i = close;
                    continue;
                }
            }
        }
        at.step(c);
        out += c;
    }
    return out;
}
