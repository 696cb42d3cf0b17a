// The SELECT statement as the target writes it (action_for_query_spec): values returned to the
// caller through a cursor or into output variables, assignments to variables, rows inserted into
// a temporary table (whose definition goes to the DDL file), each with its status block; the
// form for PowerBuilder callers (action_for_query_pb); the result columns of the unit
// (process_selection).
#include "select_statements.h"

#include "blockstack.h"
#include "conv72.h"
#include "convstate.h"
#include "diagnostics.h"
#include "data_changes.h"
#include "error_handling.h"
#include "headers.h"
#include "namecheck.h"
#include "output.h"
#include "parser.h"
#include "queries.h"
#include "row_limits.h"
#include "statement_text.h"
#include "table_names.h"
#include "textwalk.h"
#include "trigger_columns.h"
#include "unitname.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <strings.h>
#include <vector>

using namespace stmt_text;

namespace {

// The markers of the output assembly: select list n, row (status block) n, INTO list. They go
// to the body through write_body_marker, which records where they stand.
void select_marker(int n, bool wrapped = false) {
    char marker[24];
    char *p = marker;
    *p++ = '\x01';
    if (wrapped)
        *p++ = 'w';
    p = std::to_chars(p, marker + 20, n).ptr;
    *p++ = '\x01';
    *p = '\0';
    write_body_marker(marker);
}
void row_marker(int n) {
    char marker[24];
    char *p = std::to_chars(marker + 1, marker + 20, n).ptr;
    marker[0] = '\x01';
    *p++ = '\x02';
    *p = '\0';
    write_body_marker(marker);
}
// The INTO line of a result-set SELECT: its record, or the marker of the output variables.
void into_line() {
    if (star_flag != 0) {
        line("INTO o_record");
        return;
    }
    line("INTO ");
    write_body_marker("\x01\x01");
}

// The row count of the query that action_for_query_spec writes when the query is wrapped to
// apply its row limit (row_limits.h); "" for none.
std::string query_row_limit;

// The exception part of a single-row block (step 4h) and its END at the level of its BEGIN.
void single_row_end() {
    // Made once: every single-row SELECT writes them.
    static const std::string rowcnt_set = "Tarn_rowcnt := SQL%ROWCOUNT;\n",
                             exception_line = "EXCEPTION",
                             too_many_rows = "WHEN TOO_MANY_ROWS THEN",
                             rowcnt_two = "Tarn_rowcnt := 2;", no_data = "WHEN NO_DATA_FOUND THEN",
                             rowcnt_zero = "Tarn_rowcnt := 0;", selcnt_zero = "Tarn_selcnt := 0;",
                             when_others = "WHEN OTHERS THEN", error_set = "Tarn_error := SQLCODE;",
                             errmsg_set = "Tarn_errmsg := SQLERRM;", raise_line = "RAISE;",
                             end_line = "END;";
    line(rowcnt_set);
    if (noexception == 1) {
        line(exception_line);
        no_of_tabs++;
        line(too_many_rows);
        no_of_tabs++;
        line(rowcnt_two);
        no_of_tabs--;
        if (err_in_try()) {
            // No row is no error: only the others go on to the CATCH.
            line(no_data);
            no_of_tabs++;
            line(rowcnt_zero);
            line(selcnt_zero);
            no_of_tabs--;
        }
        line(when_others);
        no_of_tabs++;
        line(rowcnt_zero);
        line(selcnt_zero);
        line(error_set);
        line(errmsg_set);
        if (err_in_try())
            line(raise_line);
        no_of_tabs -= 2;
    }
    no_of_tabs--;
    line(end_line);
}

void compute_diagnostic(const char *compute) {
    print_tabs();
    diagnose_to(yyout, diag::manual_conversion, yylineno);
    line(str(compute));
}

// Marks an input parameter that a SELECT assigns (kind 0 becomes 3).
void mark_assigned(const char *target) {
    const char *dot = strrchr(target, '.');
    const char *name = dot == nullptr ? target : dot + 1;
    for (int i = 0; i < declare_no && i < DECLARE_LIST_MAX; i++)
        if (declare_list[i].kind == 0 && declare_list[i].name[0] == name[0] &&
            strcmp(declare_list[i].name, name) == 0) {
            list_mark(declare_list_marked, i);
            declare_list[i].kind = 3;
        }
}

// The assignments of a FROM-less SELECT: "target := value;" lines.
void write_assignments() {
    for (int i = 0; i < cur_col && i < COL_LIST_MAX; i++) {
        const col_entry &c = col_list[i];
        const char *value = c.value + strspn(c.value, " ");
        if ((*value == 'F' || *value == 'f') && strcasecmp(value, "FETCH_STATUS") == 0)
            line("EXIT WHEN " + str(current_cursor) + "%NOTFOUND;");
        mark_assigned(c.name);
        print_tabs();
        static std::string s; // kept from line to line: its storage is reused
        s.assign(c.name);
        s += " := ";
        s += c.value;
        s += ';';
        print_statement(0, no_of_tabs, s.c_str(), yyout);
    }
}

// The INTO list of the assignments of a SELECT with a table (step 4f).
void write_into_targets() {
    line("INTO");
    for (int i = 0; i < cur_col && i < COL_LIST_MAX; i++) {
        mark_assigned(col_list[i].name);
        if (i > 0)
            fputs(",", yyout);
        fputs(" ", yyout);
        print_statement(0, no_of_tabs, col_list[i].name, yyout);
    }
}

// The text action_for_query_spec keeps across the parts of one statement.
std::string number_list;

// The first query of a statement (a UNION chain counts as one) starts with empty part lists;
// true when this query is that first one.
bool begin_statement_queries() {
    if (new_statement == 0)
        return false;
    number_list.clear();
    new_statement = 0;
    return true;
}

// Records result set n's query text, its number in the statement's list, and (for the last
// part) the row marker, the indentation and the number list.
// Joins `pieces` into a fixed text of the state, as fit_copy copies their concatenation: a text
// that does not fit stops the run.
void fit_join(char *dst, size_t size, std::initializer_list<std::string_view> pieces,
              const char *what) {
    size_t total = 0;
    for (const std::string_view p : pieces)
        total += p.size();
    if (total >= size) {
        fit_copy(dst, size, std::string(total, ' '), what); // stops the run
        return;
    }
    char *at = dst;
    for (const std::string_view p : pieces) {
        if (!p.empty())
            memcpy(at, p.data(), p.size());
        at += p.size();
    }
    *at = '\0';
}

// The query text is given in pieces, joined straight into the list.
void record_part(std::initializer_list<std::string_view> query, bool last) {
    const int n = fldlst_cnt;
    check_capacity(n, RESULT_SET_MAX, "the result-set list (retrow_list)");
    list_mark(retrow_list_marked, n);
    if (!number_list.empty())
        number_list += "@";
    number_list += std::to_string(n);
    fit_join(retrow_list[n].query, sizeof retrow_list[n].query, query,
             "the query text of a result set (retrow_list)");
    if (!last)
        return;
    row_marker(n);
    retrow_list[n].number = no_of_tabs;
    retrow_list[n].status_flag = 0;
    fit_copy(fld_list[n].text, sizeof fld_list[n].text, number_list,
             "the result sets of one UNION chain (fld_list text)");
}

void end_of_query() {
    cur_col = 0;
    which_literal = 0;
    select_stmt = 0;
    HostInWhere.count = 0;
    if (union_flag != 0) {
        // Later parts read whether this part was joined by UNION (1) or UNION ALL (2).
        first_union = union_flag;
        union_flag = 0;
    }
}

std::string union_word() {
    return first_union == 2 ? " UNION ALL" : " UNION";
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Rule 324: the query specification of a statement.
// ---------------------------------------------------------------------------------------------

void qry_query_spec(char *dst, const char *distinct, const char *selection, const char *into,
                    const char *table_exp, const char *compute) {
    // The select list and the table expression are read in place unless a trigger's qualifiers
    // or the row limit change them: then the changed copies stand in for them.
    const char *sel = selection == nullptr ? "" : selection;
    const char *te = table_exp == nullptr ? "" : table_exp;
    std::string sel_text, te_text;
    // 1. In a trigger, the pseudo tables' qualifiers (in the assigned values as well).
    if (iftrigger != 0) {
        sel_text = trigger_qualifiers(sel);
        sel = sel_text.c_str();
        for (int i = 0; i < cur_col && i < COL_LIST_MAX; i++) {
            list_mark(col_list_marked, i);
            fit_copy(col_list[i].value, sizeof col_list[i].value,
                     trigger_qualifiers(col_list[i].value), "a select-list value (col_list)");
        }
    }
    // 2.
    inSelect = 0;
    std::string limit;
    if (row_limit_waiting()) {
        te_text = te;
        limit = row_limit_take(sel, te_text);
        te = te_text.c_str();
    } else {
        limit = row_limit_take(std::string(), te_text); // "": the part goes, no text is read
    }
    // 3.
    if (declare_cur == 0) {
        if (skip_rs != 0 && from == 0) {
            write_assignments();
        } else if (skip_rs == 0 && powerbuilder != 0) {
            if (!limit.empty()) {
                print_tabs();
                diagnose_to(yyout, diag::top_not_converted, yylineno, {limit});
            }
            action_for_query_pb(distinct, sel, into, te, compute);
        } else if (skip_rs == 0) {
            query_row_limit = limit;
            action_for_query_spec(distinct, sel, into, te, compute);
            query_row_limit.clear();
        }
        if (skip_rs != 0)
            cur_col = 0;
    }
    // 4.
    if (from != 0 && !limit.empty())
        val_set(dst,
                row_limit_wrap("SELECT " + str(distinct) + " " + sel + "\n" + te, limit).c_str());
    else
        val_join(dst, {"SELECT ", distinct == nullptr ? "" : distinct, " ", sel,
                       from != 0 ? "\n" : "\nFROM DUAL\n", te});
    declare_cur = 0;
    trig_scope_end(qry_subquery_depth());
}

// ---------------------------------------------------------------------------------------------
// process_selection.
// ---------------------------------------------------------------------------------------------

namespace {

// The items of a select list, split at the commas outside parentheses and string literals;
// each keeps its blanks. A ')' without its '(' counts the depth below 0, and a comma splits at
// any depth up to 0: after such a ')' the commas inside the next parentheses split as well.
// The items are read in place: each is a NUL-terminated text in a copy of the list whose
// splitting commas became NULs. Both are kept from call to call (their storage is reused) and
// stay valid until the next call.
const std::vector<const char *> &select_items(const char *selection) {
    static std::string text;
    static std::vector<const char *> items;
    text.assign(selection == nullptr ? "" : selection);
    items.clear();
    sql_position at(walk_rules{false, true});
    char *const start = text.data();
    items.push_back(start);
    for (char *p = start; *p != '\0'; p++) {
        at.step(*p);
        if (*p == ',' && !at.quoted() && at.depth <= 0) {
            *p = '\0';
            items.push_back(p + 1);
        }
    }
    return items;
}

} // namespace

void process_selection(const char *selection) {
    const int set = fldlst_cnt;
    check_capacity(set, RESULT_SET_MAX, "the result-set list (retfld_list)");
    // 1. Items at commas outside parentheses and string literals.
    const std::vector<const char *> &items = select_items(selection);

    // Each result set is analysed once, so its slots start empty: which ones this call fills
    // is kept here rather than read back (every slot lies on a page of its own).
    std::vector<bool> filled(RESULT_COL_MAX, false);
    auto slot_empty = [&filled](int col) { return col >= RESULT_COL_MAX || !filled[col]; };
    auto put = [&](int col, const char *text) {
        retfld_set(set, col, text);
        filled[col] = true;
    };
    auto set_field = [](int col, const char *name, const char *type) {
        check_capacity(col, FLD_LIST_MAX, "the result-column list (fld_list)");
        if (name != nullptr)
            state_copy(fld_list[col].name, sizeof fld_list[col].name, name, "a result column name");
        if (type != nullptr && type[0] != '\0')
            state_copy(fld_list[col].type, sizeof fld_list[col].type, type, "a result column type");
    };
    auto generated = [](char *name) { // "o_oval<var_no>"
        memcpy(name, "o_oval", 6);
        *std::to_chars(name + 6, name + CHECK_NAME_LEN - 1, var_no).ptr = '\0';
        var_no++;
    };

    int last = 0;
    const bool first_select = fld_cnt == 0;
    for (size_t i = 0; i < items.size(); i++) {
        const int p = static_cast<int>(i);
        char name[CHECK_NAME_LEN], type[CHECK_TYPE_LEN];
        last = check_name(items[i], name, type);
        // 3. The unit's first result columns.
        if (first_select) {
            put(p, items[i]);
            if (last == 0)
                generated(name);
            set_field(p, name, type);
            continue;
        }
        // 4. Columns exist.
        if (last == 0) {
            if (p >= fld_cnt) {
                put(fld_cnt, items[i]);
                generated(name);
                set_field(fld_cnt, name, type);
                fld_cnt++;
            } else {
                put(p, items[i]);
            }
            continue;
        }
        if (p < fld_cnt && slot_empty(p) &&
            (strstr(fld_list[p].name, "o_oval") != nullptr ||
             strcmp(fld_list[p].name, name) == 0)) {
            put(p, items[i]);
            set_field(p, name, type);
            continue;
        }
        int same = -1;
        for (int c = 0; c < fld_cnt && c < FLD_LIST_MAX; c++)
            if (strcmp(fld_list[c].name, name) == 0 && slot_empty(c)) {
                same = c;
                break;
            }
        if (same >= 0) {
            put(same, items[i]);
            set_field(same, nullptr, type);
        } else if (last != 2 && p < fld_cnt && strcmp(fld_list[p].name, "*") == 0) {
            put(p, items[i]);
            set_field(p, name, type);
        } else if (last == 2 && p < fld_cnt) {
            put(p, items[i]);
        } else {
            put(fld_cnt, items[i]);
            set_field(fld_cnt, name, type);
            fld_cnt++;
        }
    }
    if (first_select)
        fld_cnt = static_cast<int32_t>(items.size());
    // 5.
    if (last == 2 && items.size() == 1 && tot_tab == 1 && inSubquery == 0) {
        star_flag = 1;
        state_copy(star_tab, sizeof star_tab, tab_list[0].name, "a table name");
    }
}

// ---------------------------------------------------------------------------------------------
// action_for_query_spec.
// ---------------------------------------------------------------------------------------------

namespace {

// Step 3: values returned to the caller without a table, "SELECT ... FROM DUAL": into the
// output variables, or in result mode through cursor RC<n>.
void values_without_table(const std::string &word, const char *selection, const char *compute,
                          bool result_mode, bool later) {
    const std::string sel = without_at_signs(str(selection));
    if (!later) {
        line("Tarn_rowcnt := 0;");
        line("Tarn_selcnt := 0;");
        line("Tarn_error := 0;");
    }
    if (!empty(compute))
        compute_diagnostic(compute);
    process_selection(sel.c_str());
    if (result_mode && cur_ref == 0 && fld_cnt > 0)
        cur_ref = 1;
    if (result_mode && !later)
        line("OPEN RC" + std::to_string(cur_ref) + " FOR");
    else if (later)
        line("  UNION");
    check_capacity(fldlst_cnt, RESULT_SET_MAX, "the result-set list (fld_list)");
    fld_list[fldlst_cnt].indent = no_of_tabs;
    line("SELECT " + word + " ");
    select_marker(fldlst_cnt);
    if (!result_mode && !later)
        into_line();
    line("FROM DUAL");
    fldlst_cnt++;
    if (result_mode) {
        if (union_flag != 0) {
            record_part({"SELECT ", sel, "\nFROM DUAL"}, false);
        } else {
            fputs(";", yyout);
            if (noFrom == 0)
                record_part({"SELECT ", sel, "\nFROM DUAL"}, true);
        }
    } else if (union_flag == 0) {
        fputs(";", yyout);
        if (noFrom == 0) {
            // The chain began with a table: its single-row block ends here.
            no_of_tabs++;
            single_row_end();
        }
    }
}

// Step 4: a query with a table, as its steps b to h see it.
struct table_query {
    std::string word;  // the ALL/DISTINCT word
    std::string into;  // "INTO name" of a temporary table, "" for none
    std::string table; // that temporary table's name
    bool result_mode;  // result sets go to the caller (result_set_fn, mult_row_fn)
    bool later;        // a later part of a UNION chain
    bool temp;         // SELECT INTO a temporary table: it becomes an INSERT
    bool assign;       // assignments to variables (col_list)
    bool rows_out;     // the rows go to the caller through a cursor
    std::string limit; // the row limit that wraps the query, "" for none
    bool wrap_into;    // wrapped, with the INTO list after the outer select list
};

// Before step b: the SELECT INTO a temporary table is noted, and this session's earlier rows of
// that table are deleted.
void temp_table_insert_note(const table_query &q) {
    line("\t/*CONVERTING SELECT  " + q.into + "*/");
    line("        /*TO INSERT " + q.into + "*/");
    dml_temp_rows_delete(q.table.c_str());
    inTmp = 1;
}

// Steps b and c: the cursor the rows go out through (b), or the single-row block of the
// assignments, the INTO list or the INSERT into a temporary table (c). A later part of a UNION
// chain writes its UNION word instead of the opening. A row limit wraps the query: "SELECT
// q_top.* [INTO ...] FROM (<query>) q_top WHERE ROWNUM <= n"; the INTO list of variables then
// follows the outer select list.
void query_opening(const table_query &q) {
    const std::string head =
        q.limit.empty() ? "SELECT " : "SELECT " ROW_LIMIT_ALIAS ".* FROM (SELECT ";
    if (q.rows_out) {
        // b.
        if (!q.later) {
            line("OPEN RC" + std::to_string(cur_ref == 0 ? 1 : cur_ref) + " FOR");
        } else {
            inUnion++;
            line(union_word());
        }
        line(head + q.word);
        return;
    }
    // c. (The block's first lines are made once: every single-row SELECT writes them.)
    static const std::string begin_line = "BEGIN", rowcnt_zero = "Tarn_rowcnt := 0;",
                             selcnt_zero = "Tarn_selcnt := 0;", error_zero = "Tarn_error  := 0;\n";
    if (!q.later) {
        line(begin_line);
        no_of_tabs++;
        line(rowcnt_zero);
        line(selcnt_zero);
        line(error_zero);
    } else {
        print_tabs();
        print_tabs();
        fputs(union_word().c_str(), yyout);
        inUnion++;
    }
    if (q.temp) {
        line("INSERT " + q.into);
        line(is_temp_table(q.table) ? head + q.word + " USERENV('SESSIONID'), "
                                    : head + q.word + " ");
    } else if (q.wrap_into) {
        line("SELECT " ROW_LIMIT_ALIAS ".*");
        if (q.assign)
            write_into_targets();
        else
            into_line();
        line("FROM (SELECT " + q.word);
    } else {
        line("SELECT " + q.word);
    }
}

// Step d: the temporary table's definition goes to the DDL file, "CREATE TABLE <name> AS SELECT
// USERENV('SESSIONID') SESSID, <select list> FROM <tables> WHERE 1 = 2" with the query's
// GROUP BY.
void temp_table_definition(const std::string &table, const std::string &sel) {
    print_tabs();
    fputs(diagnose(diag::create_table_added, yylineno, {table}).c_str(), yyout);
    open_unit_ddl_file(".sql");
    if (sel.find('@') != std::string::npos) {
        print_tabs();
        fputs(diagnose(diag::procedure_variable_columns, yylineno, {table}).c_str(), yyout);
    }
    fprintf(ddl_fd, "CREATE TABLE %s AS\n", table.c_str());
    fputs("SELECT USERENV('SESSIONID') SESSID,\n", ddl_fd);
    fprintf(ddl_fd, "%s\nFROM %s\n", ddl_column_names(without_at_signs(sel)).c_str(), tableList);
    fputs("WHERE 1 = 2", ddl_fd);
    if (!qry_table_group_by().empty())
        fprintf(ddl_fd, "\n%s", qry_table_group_by().c_str());
    fputs(";\n", ddl_fd);
}

// Step e: the select list. The assigned values (with their column aliases when the query is
// wrapped), or the result columns: the select-list marker of the result set, or the list
// itself, followed by the INTO line where the row goes to variables.
void query_select_list(const table_query &q, const char *sel) {
    if (q.assign) {
        const int count = cur_col < COL_LIST_MAX ? cur_col : COL_LIST_MAX;
        // The values are read in place; a wrapped query gives them their column aliases.
        std::vector<std::string> values;
        if (q.wrap_into)
            for (int i = 0; i < count; i++)
                values.emplace_back(col_list[i].value);
        for (int i = 0; i < count; i++) {
            if (i > 0)
                fputs(",", yyout);
            fputs(" ", yyout);
            if (q.wrap_into) {
                const size_t k = static_cast<size_t>(i);
                const std::string v = values[k] + row_limit_column_alias(values, k);
                print_statement(0, no_of_tabs, v.c_str(), yyout);
            } else {
                print_statement(0, no_of_tabs, col_list[i].value, yyout);
            }
        }
        return;
    }
    check_capacity(fldlst_cnt, RESULT_SET_MAX, "the result-set list (fld_list)");
    fld_list[fldlst_cnt].indent = no_of_tabs;
    if (q.rows_out)
        select_marker(fldlst_cnt, !q.limit.empty());
    else
        print_statement(0, no_of_tabs, sel, yyout);
    if (inTmp == 0)
        process_selection(sel);
    if (inUnion > 0) {
        inUnion--;
    } else {
        if (cur_ref == 0 && fld_cnt > 0)
            cur_ref = 1;
        if (!q.result_mode && !q.temp && !q.wrap_into)
            into_line();
        if (q.result_mode)
            inUnion++;
    }
}

// Steps g and h: the table expression (closing the wrapped query with its row limit), then
// the end of the statement: the query text of the result set, or the end of the single-row
// block.
void query_table_expression(const table_query &q, const char *sel, const char *table_exp,
                            const char *compute) {
    // g.
    if (q.limit.empty()) {
        print_statement(1, no_of_tabs, table_exp == nullptr ? "" : table_exp, yyout);
    } else {
        const std::string limited =
            str(table_exp) + ") " ROW_LIMIT_ALIAS " WHERE ROWNUM <= " + q.limit;
        print_statement(1, no_of_tabs, limited.c_str(), yyout);
    }
    if (q.rows_out) {
        if (union_flag == 0)
            fputs(";", yyout);
        if (!empty(compute)) // not silently lost: marked for manual conversion
            compute_diagnostic(compute);
        if (union_flag != 0)
            record_part({"SELECT ", sel, "\n", view(table_exp)}, false);
        else
            record_part({"SELECT ", sel, "\n\t", view(table_exp)}, true);
        return;
    }
    // h.
    if (!empty(compute))
        compute_diagnostic(compute);
    if (union_flag == 0) {
        fputs(";", yyout);
        single_row_end();
    }
}

// Step 4: a query with a table.
void query_with_table(const std::string &word, const char *selection, const char *into,
                      const char *table_exp, const char *compute, bool result_mode, bool later) {
    table_query q;
    q.word = word;
    q.into = str(into);
    q.table = q.into.compare(0, 5, "INTO ") == 0 ? q.into.substr(5) : q.into;
    q.result_mode = result_mode;
    q.later = later;
    q.temp = !empty(into);
    q.assign = cur_col > 0;
    if (q.temp)
        temp_table_insert_note(q);
    noFrom = 0;
    q.rows_out = result_mode && !q.assign && !q.temp;
    q.limit = query_row_limit;
    const bool into_first =
        !q.limit.empty() && !q.rows_out && !q.temp && (q.assign || !result_mode);
    if (into_first && (later || union_flag != 0)) {
        print_tabs();
        diagnose_to(yyout, diag::top_in_union, yylineno, {q.limit});
        q.limit.clear();
    }
    q.wrap_into = into_first && !q.limit.empty();
    query_opening(q);
    // d.
    // The select list is read in place; a copy stands in for it where at signs go.
    const char *sel = selection == nullptr ? "" : selection;
    if (q.temp && tot_tmp > 0)
        temp_table_definition(q.table, sel);
    // e. The result columns are written without the at signs of variables.
    std::string bare;
    if (!q.assign && strchr(sel, '@') != nullptr) {
        bare = without_at_signs(sel);
        sel = bare.c_str();
    }
    query_select_list(q, sel);
    fldlst_cnt++;
    // f. The variables of the assignments.
    if (q.assign && !q.wrap_into)
        write_into_targets();
    query_table_expression(q, sel, table_exp, compute);
}

} // namespace

void action_for_query_spec(const char *distinct, const char *selection, const char *into,
                           const char *table_exp, const char *compute) {
    begin_statement_queries();
    // 1.
    inSelect = 0;
    if (declarecnt > 1 || (declarecnt > 0 && ifdeclare == 0))
        return;
    const bool result_mode = result_set_fn != 0 || mult_row_fn != 0;
    const bool later = first_union != 0;
    const std::string word = str(distinct);
    if (from == 0 && cur_col > 0) {
        // 2. Assignments without a table.
        write_assignments();
    } else if (from == 0) {
        // 3. Values returned to the caller, without a table.
        values_without_table(word, selection, compute, result_mode, later);
    } else {
        // 4. A query with a table.
        query_with_table(word, selection, into, table_exp, compute, result_mode, later);
    }
    // 5.
    end_of_query();
}

// ---------------------------------------------------------------------------------------------
// action_for_query_pb: the PowerBuilder caller.
// ---------------------------------------------------------------------------------------------

namespace {

const char pb_indent[] = "                     || ";

// Appends one character of the query text to a quoted piece of the PUT_LINE argument: a quote
// is doubled, so that the piece stays one literal.
void put_quoted(std::string &piece, char c) {
    piece += c;
    if (c == '\'')
        piece += c;
}

// Step 1b: the select list, variables concatenated, the rest quoted.
void pb_selection(const std::string &sel) {
    size_t i = 0;
    while (i < sel.size()) {
        if (sel[i] == '@') {
            i++;
            std::string piece;
            while (i < sel.size() && sel[i] != ',')
                piece += sel[i++];
            line(pb_indent + piece);
        } else {
            std::string piece = "'";
            while (i < sel.size() && sel[i] != '@')
                put_quoted(piece, sel[i++]);
            line(pb_indent + piece + "'");
        }
    }
}

// Step 1c: the table expression; converted variables ("i_" words) are concatenated.
void pb_table_exp(const std::string &t) {
    if (t.empty())
        return;
    std::string piece = std::string(pb_indent) + "' ";
    size_t i = 0;
    while (i < t.size()) {
        const char c = t[i];
        const bool word_start = i == 0 || !word_char(t[i - 1]);
        if (word_start && t.compare(i, 2, "i_") == 0) {
            line(piece + "'");
            piece = pb_indent;
            while (i < t.size() && t[i] != ' ' && t[i] != '\t' && t[i] != '\n')
                piece += t[i++];
            while (i < t.size() && (t[i] == ' ' || t[i] == '\t'))
                piece += t[i++];
            if (i < t.size()) {
                line(piece);
                piece = std::string(pb_indent) + "' ";
            } else {
                line(piece);
                return;
            }
            continue;
        }
        if (c == '\n') {
            line(piece + "'");
            piece = std::string(pb_indent) + "'";
            while (i < t.size() && (t[i] == '\n' || t[i] == '\t' || t[i] == ' '))
                i++;
            if (i < t.size()) {
                piece += ' ';
                put_quoted(piece, t[i++]);
            }
            continue;
        }
        put_quoted(piece, c);
        i++;
    }
    line(piece + "'");
}

// The form in which the first part of the statement was written; its later parts (a UNION
// chain) keep it, whatever their own select list holds.
enum class pb_form { none, text, run };
pb_form pb_chain = pb_form::none;
// The run form opened a single-row block that the end of the chain closes.
bool pb_block_open = false;

// Step 2 for a query that returns rows: the query runs in the unit. In result mode its rows go
// to the caller through a cursor parameter of its own (RC<n>, typed by RT<n> and RCT<n> in the
// package); otherwise its row is fetched into generated output parameters i_oval<n>.
void pb_run_query(const std::string &word, const std::string &selection, const char *table_exp,
                  const char *compute, bool later) {
    const bool result_mode = result_set_fn != 0 || mult_row_fn != 0;
    const std::string sel = without_at_signs(selection);
    std::string into;
    if (later) {
        if (pb_block_open) {
            print_tabs();
            print_tabs();
            fputs(union_word().c_str(), yyout);
        } else {
            line(union_word());
        }
    } else if (result_mode) {
        const std::string n = std::to_string(pb_cursor_no++);
        hdr_parameter_out(("\nRC" + n + " \tIN OUT " + unit_package_name() + ".RCT" + n).c_str());
        fprintf(fp72, "\nTYPE RT%s IS RECORD (", n.c_str());
        const size_t columns = select_items(sel.c_str()).size();
        for (size_t k = 0; k < columns; k++)
            fprintf(fp72, k == 0 ? "\n\ti_oval%d VARCHAR(255)" : ",\n\ti_oval%d VARCHAR2(255)",
                    pb_oval_no++);
        fputs("\n\t);", fp72);
        fprintf(fp72, "\nTYPE RCT%s IS REF CURSOR RETURN RT%s;\n", n.c_str(), n.c_str());
        line("OPEN RC" + n + " FOR");
    } else {
        if (from != 0) {
            line("BEGIN");
            no_of_tabs++;
            pb_block_open = true;
        }
        line("Tarn_rowcnt := 0;");
        line("Tarn_selcnt := 0;");
        line(from != 0 ? "Tarn_error  := 0;\n" : "Tarn_error := 0;");
        const size_t columns = select_items(sel.c_str()).size();
        for (size_t k = 0; k < columns; k++) {
            const std::string name = "i_oval" + std::to_string(pb_oval_no++);
            hdr_parameter_out(("\n" + name + " OUT VARCHAR2").c_str());
            into += (k == 0 ? "INTO " : ", ") + name;
        }
    }
    print_tabs();
    print_statement(0, no_of_tabs, ("SELECT " + word + " " + sel).c_str(), yyout);
    if (!into.empty()) {
        print_tabs();
        print_statement(0, no_of_tabs, into.c_str(), yyout);
    }
    if (from != 0) {
        noFrom = 0;
        print_statement(1, no_of_tabs, str(table_exp).c_str(), yyout);
    } else {
        line("FROM DUAL");
    }
    if (!empty(compute))
        compute_diagnostic(compute);
    if (union_flag == 0) {
        fputs(";", yyout);
        if (pb_block_open)
            single_row_end();
        pb_block_open = false;
    }
}

} // namespace

void action_for_query_pb(const char *distinct, const char *selection, const char *into,
                         const char *table_exp, const char *compute) {
    if (begin_statement_queries()) {
        pb_chain = pb_form::none;
        pb_block_open = false;
    }
    const std::string sel = str(selection);
    const bool later = first_union != 0;
    const bool returns_rows = empty(into) && cur_col == 0;
    bool rows = returns_rows && sel.find('=') == std::string::npos;
    if (later && returns_rows && pb_chain != pb_form::none)
        rows = pb_chain == pb_form::text;
    if (!later)
        pb_chain = !returns_rows ? pb_form::none : rows ? pb_form::text : pb_form::run;
    if (returns_rows && !rows) {
        // 2. A query that returns rows with "=" in its select list runs in the unit.
        inSelect = 0;
        if (declarecnt > 1 || (declarecnt > 0 && ifdeclare == 0))
            return;
        pb_run_query(str(distinct), sel, table_exp, compute, later);
        end_of_query();
        return;
    }
    if (!rows) {
        if (!empty(into)) {
            print_tabs();
            diagnose_to(yyout, diag::temp_tables, yylineno);
            // The name padded to its column, never cut: a long name keeps the closing "*/".
            auto padded = [](const char *name, size_t width) {
                std::string n = str(name);
                if (n.size() < width)
                    n.append(width - n.size(), ' ');
                return n;
            };
            line("/*Converting SELECT  " + padded(into, 20) + "*/");
            line("/*To INSERT " + padded(into, 29) + "*/");
            inSelect = 0;
            end_of_query();
            return;
        }
        action_for_query_spec(distinct, selection, into, table_exp, compute);
        return;
    }
    if (!later) {
        line("BEGIN");
        no_of_tabs++;
        line("Tarn_rowcnt := 0;");
        line("Tarn_selcnt := 0;");
        line("Tarn_error  := 0;\n");
        line("PBDBMS_OUTPUT.PUT_LINE('SELECT " + str(distinct) + " '");
    } else {
        line(std::string(pb_indent) + (first_union == 1 ? "' UNION '" : "' UNION ALL '"));
        line(std::string(pb_indent) + "'SELECT " + str(distinct) + " '");
    }
    pb_selection(sel);
    pb_table_exp(str(table_exp));
    if (!empty(compute))
        compute_diagnostic(compute);
    if (union_flag == 0) {
        fputs(");", yyout);
        no_of_tabs--;
        line("END;");
    }
    inSelect = 0;
    end_of_query();
}
