// Queries and their parts: comparisons and select-list assignments (rules 411-418), select-list
// items, the calls that take a subquery as an argument, the clauses of a query specification,
// subqueries, and the end of a statement.
#include "queries.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"
#include "expressions.h"
#include "joins.h"
#include "literals.h"
#include "namecheck.h"
#include "output.h"
#include "parser.h"
#include "row_limits.h"
#include "rowcount.h"
#include "statement_text.h"
#include "table_names.h"
#include "textwalk.h"
#include "trigger_columns.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace stmt_text;

namespace {

// The GROUP BY clause of the last query with a table ("GROUP BY dept"), "" for none: the
// definition of a temporary table filled by that query keeps it.
std::string query_group_by;

// Saved state of the open subqueries (rule 393 pushes, rule 389 pops).
struct subquery_frame {
    int16_t in_where;
    int16_t in_select;  // the subquery's own select list ends with rule 326
    int16_t union_flag; // a UNION inside the subquery is not the statement's

    int16_t from;
    int32_t tot_tab;
};
std::vector<subquery_frame> subquery_stack;

// The last select-list item was a subquery (rule 427); read by the function-argument rules.
bool item_was_subquery = false;

} // namespace

size_t qry_subquery_depth() {
    return subquery_stack.size();
}

const std::string &qry_table_group_by() {
    return query_group_by;
}

// ---------------------------------------------------------------------------------------------
// Rules 411 to 418 and the select-list items.
// ---------------------------------------------------------------------------------------------

namespace {

// Records the select-list pair in slot cur_col (rule 425 advances cur_col).
void record_item(std::string_view left, std::string_view value, bool variable) {
    check_capacity(cur_col, COL_LIST_MAX, "the select-list assignments (col_list)");
    list_mark(col_list_marked, cur_col);
    col_entry &c = col_list[cur_col];
    fit_copy(c.name, sizeof c.name, variable ? left.substr(1) : left,
             "a select-list target (col_list)");
    fit_copy(c.value, sizeof c.value, value, "a select-list value (col_list)");
    c.var_flag = variable ? 1 : 0;
}

void subquery_comments() {
    line("/****** Subqueries in select list is not supported in Corvane. *******/");
    line("/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/");
}

} // namespace

void compare_or_assign(char *dst, const char *left, const char *op, const char *right,
                       cmp_kind kind, bool comparison) {
    const char *l = left == nullptr ? "" : left;
    const char *o = op == nullptr ? "" : op;
    // The right side: r views a NUL-terminated text, `right` itself where it needs no change
    // (never dst), or r_text.
    std::string r_text;
    std::string_view r;
    if (kind == CMP_NULL) {
        r = "NULL";
    } else if (kind == CMP_SQLSTATUS) {
        r = "Tarn_sqlstatus";
    } else if (kind == CMP_EXPR && right != nullptr && strchr(right, '@') == nullptr) {
        // No at sign to remove: the value is read in place, and taken through lit_for_target
        // only when it may become a hexadecimal literal for a binary target.
        if (lit_hex_pending()) {
            r_text = lit_for_target(left, right);
            r = r_text;
        } else {
            r = right;
        }
    } else {
        r_text = without_at_signs(right);
        if (kind == CMP_EXPR)
            r_text = lit_for_target(left, r_text.c_str());
        r = r_text;
    }
    if (r.size() >= sizeof cur_case_param) // stops the run
        state_copy(cur_case_param, sizeof cur_case_param, r.data(), "a CASE expression");
    else
        memcpy(cur_case_param, r.data(), r.size() + 1);
    const bool variable = l[0] == '@';
    const bool condition = comparison || inWhere != 0 || inHaving != 0;
    if (kind == CMP_SUBQUERY && variable && !condition && inExecute == 0) {
        // A variable assigned from a subquery: the subquery becomes temp_var<n>. The target is
        // copied first: check_selection writes dst.
        const std::string target = l;
        subquery_comments();
        check_selection(dst);
        r_text = "temp_var" + std::to_string(temp_var_cnt);
        r = r_text;
        val_join(dst, {target, " = ", r});
        if (inSelect != 0)
            record_item(target, r, true);
        return;
    }
    if (inExecute != 0) {
        val_join(dst, {l, " => ", r});
    } else if (condition) {
        // The condition texts (expressions.h): NULL tests everywhere, '' tests in IF and WHILE.
        if (kind == CMP_NULL)
            xpr_null_comparison(dst, l, o);
        else
            xpr_condition_compare(dst, l, o, r.data());
    } else if (variable || strcmp(o, "=") != 0) {
        // The select-list slot is recorded before dst is written (the target is read first).
        if (inSelect != 0 && strcmp(o, "=") == 0)
            record_item(l, r, true);
        val_join(dst, {l, " ", o, " ", r});
    } else {
        // A column alias: the value, two blanks, the alias as a quoted identifier.
        const std::string_view a = l;
        const bool quoted = a.size() >= 2 && a.front() == '\'' && a.back() == '\'';
        if (inSelect != 0)
            record_item(a, r, false);
        if (quoted)
            val_join(dst, {r, "  \"", a.substr(1, a.size() - 2), "\""});
        else
            val_join(dst, {r, "  \"", a, "\""});
    }
}

void qry_select_item(char *dst, const char *item, const char *alias) {
    item_was_subquery = false;
    if (item == nullptr)
        item = "";
    // In a select list, the first "=" outside parentheses and string literals: the value of the
    // current slot is the text after it (blank included), and the next item takes the next
    // slot. A ')' without its '(' counts the depth below 0: an "=" after it is not at the top.
    // The slot is filled before dst is written (the item is read in place).
    const char *first_eq = inSelect != 0 ? strchr(item, '=') : nullptr;
    if (first_eq != nullptr) {
        // Mostly no quote or parenthesis comes before the first "=": then it stands at the top.
        // Otherwise the walk looks for it.
        const char *eq = item + strcspn(item, "'()") > first_eq ? first_eq : nullptr;
        if (eq == nullptr) {
            sql_position at(walk_rules{false, true});
            for (const char *p = item; *p != '\0'; p++) {
                if (*p == '=' && at.top()) {
                    eq = p;
                    break;
                }
                at.step(*p);
            }
        }
        if (eq != nullptr) {
            check_capacity(cur_col, COL_LIST_MAX, "the select-list assignments (col_list)");
            list_mark(col_list_marked, cur_col);
            fit_copy(col_list[cur_col].value, sizeof col_list[cur_col].value, eq + 1,
                     "a select-list value (col_list)");
            cur_col++;
        }
    }
    if (!empty(alias))
        val_join(dst, {item, " ", alias});
    else if (strcmp(dst, item) != 0) // $$ starts as a copy of $1: mostly it holds the item
        val_set(dst, item);
}

void qry_subquery_item(char *dst, const char *subquery, const char *alias) {
    if (!empty(alias))
        val_join(dst, {printed(subquery), " ", alias});
    else
        val_set(dst, str(subquery).c_str());
    item_was_subquery = true;
}

void qry_star_item(char *dst, const char *text) {
    item_was_subquery = false;
    val_set(dst, str(text).c_str());
    if (case_flag != 1)
        inSelect = 0;
}

void qry_fn_argument() {
    if (item_was_subquery)
        query_in_fn = 1;
    item_was_subquery = false;
}

void qry_fn_subquery() {
    query_in_fn = 1;
}

namespace {

// The argument list of a call being read. Only its first subquery argument moves the call.
struct fn_arguments {
    bool subquery = false;
    std::string moved; // the arguments, that subquery's select list in its place
    std::string from;  // that subquery's FROM part and the rest
};
// The lists of the calls being read are its first fn_depth entries; the entries above keep their
// storage for the next calls.
std::vector<fn_arguments> fn_arguments_stack;
size_t fn_depth = 0;

// Adds argument `arg` (a subquery when the item just read was one) to list `f`.
void add_fn_argument(fn_arguments &f, std::string_view arg) {
    if (!f.moved.empty() || f.subquery)
        f.moved += ", ";
    if (item_was_subquery && !f.subquery) {
        f.subquery = true;
        f.moved += qstr1;
        f.from = qstr2;
    } else {
        f.moved += arg;
    }
    item_was_subquery = false;
}

} // namespace

void qry_fn_first_argument(const char *arg) {
    if (fn_depth == fn_arguments_stack.size())
        fn_arguments_stack.emplace_back();
    fn_arguments &f = fn_arguments_stack[fn_depth++];
    f.subquery = false;
    f.moved.clear();
    f.from.clear();
    add_fn_argument(f, arg == nullptr ? "" : arg);
}

void qry_fn_next_argument(char *dst, const char *list, const char *arg) {
    const char *a = arg == nullptr ? "" : arg;
    if (fn_depth > 0)
        add_fn_argument(fn_arguments_stack[fn_depth - 1], a);
    item_was_subquery = false;
    val_join(dst, {list == nullptr ? "" : list, ", ", a});
}

bool qry_fn_arguments_end(std::string &moved, std::string &from) {
    if (fn_depth == 0)
        return false;
    fn_arguments &f = fn_arguments_stack[--fn_depth];
    if (!f.subquery)
        return false;
    moved = std::move(f.moved);
    from = std::move(f.from);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Query specification, clauses, subqueries.
// ---------------------------------------------------------------------------------------------

void qry_select_word() {
    firstTime = 0;
    cur_col = 0;
    inSelect = 1;
    select_stmt = 1;
    // The statement's tables start here (not at the scanner's SELECT word, which may be the
    // look-ahead after the previous query, before that query has used its tables).
    o_tot_tab = tot_tab;
    tot_tab = 0;
}

void qry_selection_end() {
    if (case_flag != 1)
        inSelect = 0;
}

void qry_select_statement() {
    inMainQuery = 1;
}

void qry_query_union(char *dst, const char *left, const char *right, int all) {
    val_join(dst, {printed(left), all != 0 ? "\nUNION ALL\n" : "\nUNION\n", printed(right)});
}

void qry_query_paren(char *dst, const char *query) {
    fputs("\n\n/*Manual conversion required : Select statement is found in the condition "
          "expression.*/\n",
          yyout);
    fputs("/*The converter will not parse this expression correctly.*/\n", yyout);
    val_join(dst, {"(", printed(query), ")"});
}

namespace {

// The parts that are not empty, one blank between two.
std::string join_parts(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view p : parts) {
        if (p.empty())
            continue;
        if (!out.empty())
            out += ' ';
        out += p;
    }
    return out;
}

} // namespace

namespace {

// The WHERE clause of a query; without one, the conditions of trigger joins whose pseudo table
// left the FROM list make one.
std::string join_where(const char *where) {
    if (!empty(where))
        return str(where);
    const std::string joined = join_condition_take();
    if (joined.empty())
        return str(where);
    static char clause[YYVALSIZE];
    qry_where_clause(clause, joined.c_str());
    return clause;
}

} // namespace

void qry_table_exp(char *dst, const char *from_text, const char *where, const char *group,
                   const char *having, const char *order) {
    const char *f = from_text == nullptr ? "" : from_text; // read in place
    const std::string_view g = group == nullptr ? "" : group, h = having == nullptr ? "" : having,
                           o = order == nullptr ? "" : order;
    const std::string w = row_limit_where(temp_filter(f, join_where(where), true), g, h, o);
    // The group text is kept before dst is written.
    const size_t b = g.find_first_not_of(" \t\n");
    if (b == std::string::npos)
        query_group_by.clear();
    else
        query_group_by.assign(g.substr(b));
    val_join_words(dst, {f, w, g, h, o});
}

void qry_subquery_table_exp(char *dst, const char *from_text, const char *where, const char *group,
                            const char *having, const char *order) {
    // With a row limit the order decides which rows stay: it is kept.
    const bool keep_order = row_limit_pending();
    const char *f = from_text == nullptr ? "" : from_text; // read in place
    const std::string_view g = group == nullptr ? "" : group, h = having == nullptr ? "" : having,
                           o = order == nullptr ? "" : order;
    const std::string w = row_limit_where(temp_filter(f, join_where(where), true), g, h, o);
    std::string out = join_parts({f, w, g, h});
    if (keep_order) {
        out = join_parts({out, o});
    } else if (!empty(order)) {
        out += "\n" + tabs(no_of_tabs) + "\n" + diagnose(diag::order_by_ignored, yylineno) + "\n";
    }
    val_set(dst, out.c_str());
}

void qry_no_from_clause(char *dst) {
    from = 0;
    val_set(dst, "");
}

void qry_from_clause(char *dst, const char *tables) {
    std::string list = str(tables);
    if (iftrigger != 0) {
        // The pseudo tables leave the list; the statement's tables are kept in tab_list1. The
        // list is taken apart at every ',' (literals and parentheses are not looked at), which is
        // why this walk is not the text walker's.
        std::string kept;
        std::vector<std::pair<std::string, std::string>> tables;
        tab_cnt = 0;
        size_t pos = 0;
        while (pos <= list.size()) {
            size_t comma = list.find(',', pos);
            if (comma == std::string::npos)
                comma = list.size();
            const std::string entry = list.substr(pos, comma - pos);
            pos = comma + 1;
            const size_t b = entry.find_first_not_of(" \t\n");
            if (b == std::string::npos)
                continue;
            const size_t e = entry.find_first_of(" \t\n", b);
            const std::string table = entry.substr(b, e == std::string::npos ? e : e - b);
            std::string alias;
            if (e != std::string::npos) {
                const size_t a = entry.find_first_not_of(" \t\n", e);
                if (a != std::string::npos)
                    alias = entry.substr(a, entry.find_last_not_of(" \t\n") + 1 - a);
            }
            check_capacity(tab_cnt, TAB_LIST_MAX, "the trigger's table list (tab_list1)");
            list_mark(tab_list1_marked, tab_cnt);
            fit_copy(tab_list1[tab_cnt].name, sizeof tab_list1[tab_cnt].name, table,
                     "a table name (tab_list1)");
            fit_copy(tab_list1[tab_cnt].alias, sizeof tab_list1[tab_cnt].alias, alias,
                     "a table alias (tab_list1)");
            tab_cnt++;
            tables.emplace_back(table, alias);
            if (table == ":OLD" || table == ":NEW")
                continue;
            if (!kept.empty())
                kept += ",";
            kept += entry;
        }
        list = kept.empty() ? std::string("DUAL") : kept;
        trig_scope_from(subquery_stack.size(), tables);
    }
    fit_copy(tableList, sizeof tableList, list, "a FROM list (tableList)");
    from = 1;
    val_join(dst, {tab_run(declare_cur != 0 ? 0 : no_of_tabs - 1), "FROM ", list});
}

void qry_where_current_of(char *dst, const char *cursor) {
    inWhere = 0;
    val_join(dst, {"WHERE CURRENT OF ", printed(cursor)});
}

void qry_where_clause(char *dst, const char *condition) {
    // Conditions of trigger joins whose pseudo table left the FROM list come first.
    const std::string joined = join_condition_take();
    // Without trigger qualifiers to change and outer joins to restrict, the condition is read
    // in place.
    const char *c = condition == nullptr ? "" : condition;
    std::string changed;
    std::string_view cond = c;
    if (!joined.empty() || iftrigger != 0 || strstr(c, "(+)") != nullptr) {
        changed = join_inner_restrictions(
            trigger_qualifiers(joined.empty() ? str(condition) : joined + " AND (" + c + ")"));
        cond = changed;
    }
    const int n = declare_cur != 0 ? 0 : no_of_tabs + 1 + (inWhile != 0 ? 1 : 0);
    fit_copy(where_str, sizeof where_str, cond, "a WHERE condition (where_str)");
    case_param[0] = '\0';
    inWhere = 0; // the clause is complete: "=" is an operator again after it
    val_join(dst, {"\n", tab_run(n), "WHERE ", cond});
}

void qry_group_by(char *dst, const char *columns) {
    val_join(dst, {"\n\t", tab_run(declare_cur != 0 ? 0 : no_of_tabs), "GROUP BY ", view(columns)});
}

void qry_having(char *dst, const char *condition) {
    inHaving = 0;
    val_join(dst, {"\n", tab_run(declare_cur != 0 ? 0 : no_of_tabs), "HAVING ", view(condition)});
}

void qry_order_by(char *dst, const char *items) {
    val_join(dst, {"\n", tab_run(declare_cur != 0 ? 0 : no_of_tabs), "ORDER BY ", view(items)});
}

void qry_compute(char *dst, const char *list, const char *by) {
    val_join(dst, {"COMPUTE ", view(list), " ", view(by)});
}

void qry_subquery_select() {
    subquery_stack.push_back({inWhere, inSelect, union_flag, from, tot_tab});
    row_limit_push();
    o_tot_tab = tot_tab;
    tot_tab = 0;
    inSubquery = 1;
}

void qry_subquery(char *dst, const char *distinct, const char *selection, const char *table_exp,
                  const char *unions) {
    const std::string sel = trigger_qualifiers(str(selection));
    const std::string word = str(distinct);
    std::string te = str(table_exp);
    const std::string limit = row_limit_take(sel, te);
    const std::string t = trigger_qualifiers(te);
    const std::string u = trigger_qualifiers(str(unions));
    if (from != 0 && !limit.empty()) {
        // The wrapped query: the protocol texts are its outer select list and the rest.
        const std::string q = row_limit_wrap("SELECT " + word + " " + sel + "\n\t\t" + t, limit);
        val_join(dst, {"(\n\t\t", q, u, ")"});
        const std::string outer_list = ROW_LIMIT_ALIAS ".*";
        fit_copy(qstr1, sizeof qstr1, outer_list, "a subquery's select list (qstr1)");
        fit_copy(qstr2, sizeof qstr2, q.substr(8 + outer_list.size()) + u,
                 "a subquery's FROM part (qstr2)");
    } else {
        if (from != 0)
            val_join(dst, {"(\n\t\tSELECT ", word, " ", sel, "\n\t\t", t, u, ")"});
        else
            val_join(dst, {"(\n\t\tSELECT ", word, " ", sel, " FROM DUAL", u, ")"});
        // The protocol texts: the select list and the rest, for check_selection and the
        // function-call rules.
        fit_copy(qstr1, sizeof qstr1, word + sel, "a subquery's select list (qstr1)");
        fit_copy(qstr2, sizeof qstr2, (from != 0 ? t : std::string("FROM DUAL")) + u,
                 "a subquery's FROM part (qstr2)");
    }
    trig_scope_end(subquery_stack.size());
    row_limit_pop();
    if (!subquery_stack.empty()) {
        inWhere = subquery_stack.back().in_where;
        inSelect = subquery_stack.back().in_select;
        union_flag = subquery_stack.back().union_flag;
        from = subquery_stack.back().from;
        tot_tab = subquery_stack.back().tot_tab;
        subquery_stack.pop_back();
    }
    inSubquery = subquery_stack.empty() ? 0 : 1;
}

void qry_union_subquery(char *dst, const char *previous, const char *distinct,
                        const char *selection, const char *table_exp) {
    const std::string prev = str(previous), word = str(distinct), sel = str(selection);
    std::string te = str(table_exp);
    const std::string limit = row_limit_take(sel, te);
    if (from != 0 && !limit.empty())
        val_printf(dst, "%s\n\t\tUNION\n\t\t%s", prev.c_str(),
                   row_limit_wrap("SELECT " + word + " " + sel + "\n\t\t" + te, limit).c_str());
    else if (from != 0)
        val_printf(dst, "%s\n\t\tUNION\n\t\tSELECT %s %s\n\t\t%s", prev.c_str(), word.c_str(),
                   sel.c_str(), te.c_str());
    else
        val_printf(dst, "%s\n\t\tUNION\n\t\tSELECT %s %s FROM DUAL", prev.c_str(), word.c_str(),
                   sel.c_str());
}

// ---------------------------------------------------------------------------------------------
// The end of a statement.
// ---------------------------------------------------------------------------------------------

void qry_statement_end() {
    trig_scope_reset();
    rowcount_statement(tot_tab > 0); // UPDATE and DELETE have counted themselves
    // A statement that wrote nothing still opens the unit's body (its outer BEGIN).
    if (begin_printed == 0) {
        firstTime = 0;
        print_tabs();
    }
    inUnion = union_flag = first_union = inTmp = 0;
    tot_tab = tot_item = tot_tmp = 0;
    noFrom = 1;
    new_statement = 1;
    // Per-statement state that must not leak into the next statement.
    skip_rs = 0;
    if (yychar != INSERT) // an INSERT read as the look-ahead has set it for its own SELECT
        insert_flag = 0;
    where_str[0] = '\0';
    inWhere = 0;
    inHaving = 0;
    subquery_stack.clear();
    fn_depth = 0;
    inSubquery = 0;
    tab_cnt = 0;
    item_was_subquery = false;
}
