// SELECT translation (action_for_query_spec, action_for_query_pb, process_selection) and the
// actions of queries and data changes: clauses, subqueries, select-list items, INSERT, UPDATE,
// DELETE with their status blocks, temporary tables, trigger pseudo tables, tables and columns.
#include "selectxlat.h"

#include "blockstack.h"
#include "builtins.h"
#include "conv72.h"
#include "error_handling.h"
#include "convstate.h"
#include "expressions.h"
#include "headers.h"
#include "literals.h"
#include "prefix_clash.h"
#include "reserved.h"
#include "rowcount.h"
#include "trigger_columns.h"
#include "joins.h"
#include "namecheck.h"
#include "parser.h"
#include "row_limits.h"
#include "unitname.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

std::string str(const char *s) {
    return s == nullptr ? std::string() : std::string(s);
}

bool empty(const char *s) {
    return s == nullptr || s[0] == '\0';
}

std::string tabs(int n) {
    return n > 0 ? std::string(static_cast<size_t>(n), '\t') : std::string();
}

// At signs of variables go; those inside string literals ('x@y.com') stay.
std::string without_at_signs(const std::string &s) {
    return remove_at_signs(s);
}

bool word_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The GROUP BY clause of the last query with a table ("GROUP BY dept"), "" for none: the
// definition of a temporary table filled by that query keeps it.
std::string query_group_by;

// A select list for a table definition: a quoted name that is a plain identifier and no
// reserved word ("cnt", "Total") loses its quotes, so that the table's column is the name
// that the unit's statements write unquoted.
std::string ddl_column_names(const std::string &list) {
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < list.size(); i++) {
        const char c = list[i];
        if (quote == 0 && c == '"') {
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
        if (c == '\'' && (quote == 0 || quote == '\''))
            quote = quote == 0 ? '\'' : 0;
        out += c;
    }
    return out;
}

// Copies `text` into a fixed text of the state; a text that does not fit stops the run with
// status 1 (cutting it would change the converted code without a word).
void fit_copy(char *dst, size_t size, const std::string &text, const char *what) {
    if (text.size() >= size) {
        fflush(stdout);
        fprintf(stderr, "kestra: %s exceeds its capacity of %d characters\n", what,
                static_cast<int>(size) - 1);
        kestra_exit(1);
    }
    memcpy(dst, text.c_str(), text.size() + 1);
}

// A line of body text: indentation, then the text.
void line(const std::string &text) {
    print_tabs();
    fputs(text.c_str(), yyout);
}

void log_diagnostic(const char *text) {
    if (fpLog != nullptr)
        fprintf(fpLog, "[KESTRA-ERR(%.4d)]:[%s(%s)]%s\n", yylineno, iFname, proc_name, text);
}

// The markers of the output assembly: select list n, row (status block) n, INTO list. They go
// to the body through write_body_marker, which records where they stand.
void select_marker(int n, bool wrapped = false) {
    write_body_marker(
        ("\x01" + std::string(wrapped ? "w" : "") + std::to_string(n) + "\x01").c_str());
}
void row_marker(int n) {
    write_body_marker(("\x01" + std::to_string(n) + "\x02").c_str());
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

// The row count of the query that action_for_query_spec writes when the query is wrapped to
// apply its row limit (row_limits.h); "" for none.
std::string query_row_limit;

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
std::string temp_qualifier(const std::string &text, const std::string &name) {
    for (int t = 0; t < tot_tab && t < TAB_LIST_MAX; t++) {
        const std::string alias = tab_list[t].alias;
        if (name == tab_list[t].name && !alias.empty() && alias != name &&
            str_match(text.c_str(), (name + " " + alias).c_str()) != 0)
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

// The temporary-table filter: for the first (or every) tmp_list entry named in `text`, the
// condition gets "<entry>.SESSID = USERENV('SESSIONID')" (with the table's alias where it has
// one, and with "(+)" where the table is the inner table of an outer join, so the join stays
// outer). `where` is this statement's own WHERE clause value; it becomes "WHERE <condition>"
// when an entry matched.
std::string temp_filter(const std::string &text, const std::string &where, bool every) {
    std::string cond = where_condition(where);
    bool matched = false;
    for (int i = 0; i < tot_tmp && i < TMP_LIST_MAX; i++) {
        if (str_match(text.c_str(), tmp_list[i].name) == 0)
            continue;
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

// In a trigger, qualifiers that name a pseudo table (":OLD", ":NEW" or an alias of one in
// tab_list or in the FROM list of this query level or an outer one) become ":OLD." /
// ":NEW.", and so do the unqualified columns of a query whose only table is a pseudo table;
// everything else stays in place.
std::string trigger_qualifiers(const std::string &text) {
    if (iftrigger == 0)
        return text;
    std::vector<std::pair<std::string, std::string>> names = {{":OLD", ":OLD"}, {":NEW", ":NEW"}};
    for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++) {
        const std::string n = tab_list[i].name;
        if ((n == ":OLD" || n == ":NEW") && tab_list[i].alias[0] != '\0')
            names.emplace_back(tab_list[i].alias, n);
    }
    for (const auto &a : trig_scope_aliases(subquery_stack.size()))
        names.push_back(a);
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (quote != 0) {
            out += c;
            if (c == quote)
                quote = 0;
            i++;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
            i++;
            continue;
        }
        const bool starts = (word_char(c) || c == ':') && (i == 0 || !word_char(text[i - 1]));
        if (!starts) {
            out += c;
            i++;
            continue;
        }
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
    return trig_scope_unqualified(subquery_stack.size(), out);
}

// The exception part of a single-row block (step 4h) and its END at the level of its BEGIN.
void single_row_end() {
    line("Tarn_rowcnt := SQL%ROWCOUNT;\n");
    if (noexception == 1) {
        line("EXCEPTION");
        no_of_tabs++;
        line("WHEN TOO_MANY_ROWS THEN");
        no_of_tabs++;
        line("Tarn_rowcnt := 2;");
        no_of_tabs--;
        if (err_in_try()) {
            // No row is no error: only the others go on to the CATCH.
            line("WHEN NO_DATA_FOUND THEN");
            no_of_tabs++;
            line("Tarn_rowcnt := 0;");
            line("Tarn_selcnt := 0;");
            no_of_tabs--;
        }
        line("WHEN OTHERS THEN");
        no_of_tabs++;
        line("Tarn_rowcnt := 0;");
        line("Tarn_selcnt := 0;");
        line("Tarn_error := SQLCODE;");
        line("Tarn_errmsg := SQLERRM;");
        if (err_in_try())
            line("RAISE;");
        no_of_tabs -= 2;
    }
    no_of_tabs--;
    line("END;");
}

void compute_diagnostic(const char *compute) {
    print_tabs();
    fprintf(yyout, "/*[KESTRA-ERR(%.4d)]:Manual conversion required*/\n", yylineno);
    log_diagnostic("Manual conversion required");
    line(str(compute));
}

// Marks an input parameter that a SELECT assigns (kind 0 becomes 3).
void mark_assigned(const std::string &target) {
    const size_t dot = target.rfind('.');
    const std::string name = dot == std::string::npos ? target : target.substr(dot + 1);
    for (int i = 0; i < declare_no && i < DECLARE_LIST_MAX; i++)
        if (name == declare_list[i].name && declare_list[i].kind == 0)
            declare_list[i].kind = 3;
}

// The assignments of a FROM-less SELECT: "target := value;" lines.
void write_assignments() {
    for (int i = 0; i < cur_col && i < COL_LIST_MAX; i++) {
        const col_entry &c = col_list[i];
        std::string v = c.value;
        const size_t b = v.find_first_not_of(' ');
        if (b != std::string::npos && strcasecmp(v.c_str() + b, "FETCH_STATUS") == 0)
            line("EXIT WHEN " + str(current_cursor) + "%NOTFOUND;");
        mark_assigned(c.name);
        print_tabs();
        const std::string s = std::string(c.name) + " := " + v + ";";
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

// The texts action_for_query_spec keeps across the parts of one statement.
std::string part_query;
std::string number_list;

// Records result set n's query text, its number in the statement's list, and (for the last
// part) the row marker, the indentation and the number list.
void record_part(const std::string &query, bool last) {
    const int n = fldlst_cnt;
    check_capacity(n, RESULT_SET_MAX, "the result-set list (retrow_list)");
    part_query = query;
    if (!number_list.empty())
        number_list += "@";
    number_list += std::to_string(n);
    fit_copy(retrow_list[n].query, sizeof retrow_list[n].query, part_query,
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

// The DML block around INSERT, UPDATE and DELETE: lines 1 to 3, and 5 to 7.
void dml_block_open() {
    firstTime = 0;
    line("BEGIN");
    line("Tarn_error   := 0;");
    line("Tarn_rowcnt  := 0;");
}

void dml_block_close() {
    line("Tarn_rowcnt := SQL%ROWCOUNT;");
    if (noexception == 1) {
        line("EXCEPTION");
        no_of_tabs++;
        line("WHEN OTHERS THEN");
        no_of_tabs++;
        line("Tarn_error  := SQLCODE;");
        line("Tarn_errmsg := SQLERRM;");
        if (err_in_try())
            line("RAISE;");
        no_of_tabs -= 2;
    }
    line("END;");
}

// The name under which a table stands: an alias of a tab_list entry resolves to its table.
std::string table_of(const std::string &name) {
    for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++)
        if (name == tab_list[i].alias)
            return tab_list[i].name;
    return name;
}

// INSERT ... SELECT into a temporary table: the session id becomes the first value of every
// top-level SELECT (after DISTINCT where present). Words end at blanks, tabs and newlines;
// runs of blanks collapse to one blank, tabs and newlines are kept; subqueries and string
// literals are left alone.
std::string insert_session_id(const std::string &query) {
    std::string out;
    int depth = 0;
    char quote = 0;
    size_t i = 0;
    const size_t n = query.size();
    std::string pending; // "SELECT" seen: insert unless the next word is DISTINCT
    while (i < n) {
        const char c = query[i];
        if (c == ' ') {
            i++;
            continue;
        }
        if (c == '\t' || c == '\n') {
            out += c;
            i++;
            continue;
        }
        const size_t start = i;
        const bool top = depth == 0 && quote == 0;
        while (i < n && (quote != 0 || (query[i] != ' ' && query[i] != '\t' && query[i] != '\n'))) {
            const char d = query[i];
            if (quote != 0) {
                if (d == quote)
                    quote = 0;
            } else if (d == '\'' || d == '"') {
                quote = d;
            } else if (d == '(') {
                depth++;
            } else if (d == ')') {
                depth--;
            }
            i++;
        }
        const std::string w = query.substr(start, i - start);
        if (!pending.empty()) {
            if (w != "DISTINCT")
                out += "USERENV('SESSIONID'), ";
            pending.clear();
        }
        out += w + " ";
        if (top && w == "DISTINCT")
            out += "USERENV('SESSIONID'), ";
        else if (top && w == "SELECT")
            pending = w;
    }
    if (!pending.empty())
        out += "USERENV('SESSIONID'), ";
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The DDL file.
// ---------------------------------------------------------------------------------------------

void open_unit_ddl_file(const char *extension) {
    if (ddl_fd != nullptr)
        return;
    std::string unit = proc_name;
    for (char &c : unit)
        if (c == '/' || c == '\\')
            c = '_';
    const std::string name = "ddl_" + unit + str(extension);
    open_ddl_file(name.c_str());
}

// ---------------------------------------------------------------------------------------------
// process_selection.
// ---------------------------------------------------------------------------------------------

namespace {

// The items of a select list, split at the commas outside parentheses and string literals;
// each keeps its blanks.
std::vector<std::string> select_items(const char *selection) {
    std::vector<std::string> items;
    std::string cur;
    int depth = 0;
    bool quoted = false;
    for (const char *p = selection == nullptr ? "" : selection; *p != '\0'; p++) {
        const char c = *p;
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && c == '(')
            depth++;
        else if (!quoted && c == ')')
            depth--;
        if (c == ',' && depth <= 0 && !quoted) {
            items.push_back(cur);
            cur.clear();
            continue;
        }
        cur += c;
    }
    items.push_back(cur);
    return items;
}

} // namespace

void process_selection(const char *selection) {
    const int set = fldlst_cnt;
    check_capacity(set, RESULT_SET_MAX, "the result-set list (retfld_list)");
    // 1. Items at commas outside parentheses and string literals.
    const std::vector<std::string> items = select_items(selection);

    // Each result set is analysed once, so its slots start empty: which ones this call fills
    // is kept here rather than read back (every slot lies on a page of its own).
    std::vector<bool> filled(RESULT_COL_MAX, false);
    auto slot_empty = [&filled](int col) { return col >= RESULT_COL_MAX || !filled[col]; };
    auto put = [&](int col, const std::string &text) {
        retfld_set(set, col, text.c_str());
        filled[col] = true;
    };
    auto set_field = [](int col, const char *name, const char *type) {
        check_capacity(col, FLD_LIST_MAX, "the result-column list (fld_list)");
        if (name != nullptr)
            state_copy(fld_list[col].name, sizeof fld_list[col].name, name, "a result column name");
        if (type != nullptr && type[0] != '\0')
            state_copy(fld_list[col].type, sizeof fld_list[col].type, type, "a result column type");
    };
    auto generated = [](char *name) {
        snprintf(name, CHECK_NAME_LEN, "o_oval%d", var_no);
        var_no++;
    };

    int last = 0;
    const bool first_select = fld_cnt == 0;
    for (size_t i = 0; i < items.size(); i++) {
        const int p = static_cast<int>(i);
        std::vector<char> item(items[i].begin(), items[i].end());
        item.push_back('\0');
        char name[CHECK_NAME_LEN], type[CHECK_TYPE_LEN];
        last = check_name(item.data(), name, type);
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

void action_for_query_spec(const char *distinct, const char *selection, const char *into,
                           const char *table_exp, const char *compute) {
    if (new_statement != 0) {
        part_query.clear();
        number_list.clear();
        new_statement = 0;
    }
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
                record_part("SELECT " + sel + "\nFROM DUAL", false);
            } else {
                fputs(";", yyout);
                if (noFrom == 0)
                    record_part("SELECT " + sel + "\nFROM DUAL", true);
            }
        } else if (union_flag == 0) {
            fputs(";", yyout);
            if (noFrom == 0) {
                // The chain began with a table: its single-row block ends here.
                no_of_tabs++;
                single_row_end();
            }
        }
    } else {
        // 4. A query with a table.
        const bool temp = !empty(into);
        const bool assign = cur_col > 0;
        std::string bare = str(into);
        if (bare.compare(0, 5, "INTO ") == 0)
            bare = bare.substr(5);
        if (temp) {
            line("\t/*CONVERTING SELECT  " + str(into) + "*/");
            line("        /*TO INSERT " + str(into) + "*/");
            dml_temp_rows_delete(bare.c_str());
            inTmp = 1;
        }
        noFrom = 0;
        const bool rows_out = result_mode && !assign && !temp;
        // A row limit wraps the query: "SELECT q_top.* [INTO ...] FROM (<query>) q_top WHERE
        // ROWNUM <= n". The INTO list of variables then follows the outer select list.
        std::string limit = query_row_limit;
        const bool into_first = !limit.empty() && !rows_out && !temp && (assign || !result_mode);
        if (into_first && (later || union_flag != 0)) {
            print_tabs();
            kestra_diagnostic(yyout, yylineno,
                              ("Manual conversion required : TOP " + limit +
                               " in a UNION (row limit not converted)")
                                  .c_str());
            limit.clear();
        }
        const bool wrap_into = into_first && !limit.empty();
        const std::string head =
            limit.empty() ? "SELECT " : "SELECT " ROW_LIMIT_ALIAS ".* FROM (SELECT ";
        if (rows_out) {
            // b.
            if (!later) {
                line("OPEN RC" + std::to_string(cur_ref == 0 ? 1 : cur_ref) + " FOR");
            } else {
                inUnion++;
                line(union_word());
            }
            line(head + word);
        } else {
            // c.
            if (!later) {
                line("BEGIN");
                no_of_tabs++;
                line("Tarn_rowcnt := 0;");
                line("Tarn_selcnt := 0;");
                line("Tarn_error  := 0;\n");
            } else {
                print_tabs();
                print_tabs();
                fputs(union_word().c_str(), yyout);
                inUnion++;
            }
            if (temp) {
                line("INSERT " + str(into));
                line(is_temp_table(bare) ? head + word + " USERENV('SESSIONID'), "
                                         : head + word + " ");
            } else if (wrap_into) {
                line("SELECT " ROW_LIMIT_ALIAS ".*");
                if (assign)
                    write_into_targets();
                else
                    into_line();
                line("FROM (SELECT " + word);
            } else {
                line("SELECT " + word);
            }
        }
        // d. The temporary table's definition goes to the DDL file.
        std::string sel = str(selection);
        if (temp && tot_tmp > 0) {
            print_tabs();
            fprintf(yyout, "/*[KESTRA-ERR(%.4d)]:CREATE TABLE %s statement added to ddl file*/",
                    yylineno, bare.c_str());
            log_diagnostic(("CREATE TABLE " + bare + " statement added to ddl file").c_str());
            open_unit_ddl_file(".sql");
            if (sel.find('@') != std::string::npos) {
                print_tabs();
                fprintf(yyout,
                        "/*[KESTRA-ERR(%.4d)]:One or more columns are procedure variables for "
                        "table -- %s*/",
                        yylineno, bare.c_str());
                log_diagnostic(
                    ("One or more columns are procedure variables for table -- " + bare).c_str());
            }
            fprintf(ddl_fd, "CREATE TABLE %s AS\n", bare.c_str());
            fputs("SELECT USERENV('SESSIONID') SESSID,\n", ddl_fd);
            fprintf(ddl_fd, "%s\nFROM %s\n", ddl_column_names(without_at_signs(sel)).c_str(),
                    tableList);
            fputs("WHERE 1 = 2", ddl_fd);
            if (!query_group_by.empty())
                fprintf(ddl_fd, "\n%s", query_group_by.c_str());
            fputs(";\n", ddl_fd);
        }
        // e. The select list.
        if (assign) {
            std::vector<std::string> values;
            for (int i = 0; i < cur_col && i < COL_LIST_MAX; i++)
                values.emplace_back(col_list[i].value);
            for (size_t i = 0; i < values.size(); i++) {
                if (i > 0)
                    fputs(",", yyout);
                fputs(" ", yyout);
                const std::string v =
                    wrap_into ? values[i] + row_limit_column_alias(values, i) : values[i];
                print_statement(0, no_of_tabs, v.c_str(), yyout);
            }
        } else {
            sel = without_at_signs(sel);
            check_capacity(fldlst_cnt, RESULT_SET_MAX, "the result-set list (fld_list)");
            fld_list[fldlst_cnt].indent = no_of_tabs;
            if (rows_out)
                select_marker(fldlst_cnt, !limit.empty());
            else
                print_statement(0, no_of_tabs, sel.c_str(), yyout);
            if (inTmp == 0)
                process_selection(sel.c_str());
            if (inUnion > 0) {
                inUnion--;
            } else {
                if (cur_ref == 0 && fld_cnt > 0)
                    cur_ref = 1;
                if (!result_mode && !temp && !wrap_into)
                    into_line();
                if (result_mode)
                    inUnion++;
            }
        }
        fldlst_cnt++;
        // f. The variables of the assignments.
        if (assign && !wrap_into)
            write_into_targets();
        // g. The table expression.
        const std::string limited =
            limit.empty() ? str(table_exp)
                          : str(table_exp) + ") " ROW_LIMIT_ALIAS " WHERE ROWNUM <= " + limit;
        print_statement(1, no_of_tabs, limited.c_str(), yyout);
        if (rows_out) {
            if (union_flag == 0)
                fputs(";", yyout);
            if (!empty(compute)) // not silently lost: marked for manual conversion
                compute_diagnostic(compute);
            if (union_flag != 0)
                record_part("SELECT " + sel + "\n" + str(table_exp), false);
            else
                record_part("SELECT " + sel + "\n\t" + str(table_exp), true);
        } else {
            // h.
            if (!empty(compute))
                compute_diagnostic(compute);
            if (union_flag == 0) {
                fputs(";", yyout);
                single_row_end();
            }
        }
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
    if (new_statement != 0) {
        part_query.clear();
        number_list.clear();
        new_statement = 0;
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
            fprintf(yyout, "/*[KESTRA-ERR(%.4d)]:TEMP tables are not supported by CORVANE*/\n",
                    yylineno);
            log_diagnostic("TEMP tables are not supported by CORVANE");
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

// ---------------------------------------------------------------------------------------------
// Rules 411 to 418 and the select-list items.
// ---------------------------------------------------------------------------------------------

namespace {

// Records the select-list pair in slot cur_col (rule 425 advances cur_col).
void record_item(const std::string &left, const std::string &value, bool variable) {
    check_capacity(cur_col, COL_LIST_MAX, "the select-list assignments (col_list)");
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
    const std::string l = str(left), o = str(op);
    std::string r = kind == CMP_NULL        ? std::string("NULL")
                    : kind == CMP_SQLSTATUS ? std::string("Tarn_sqlstatus")
                                            : without_at_signs(str(right));
    if (kind == CMP_EXPR)
        r = lit_for_target(left, r.c_str()); // a hexadecimal literal for a binary target
    state_copy(cur_case_param, sizeof cur_case_param, r.c_str(), "a CASE expression");
    const bool variable = !l.empty() && l[0] == '@';
    const bool condition = comparison || inWhere != 0 || inHaving != 0;
    if (kind == CMP_SUBQUERY && variable && !condition && inExecute == 0) {
        // A variable assigned from a subquery: the subquery becomes temp_var<n>.
        subquery_comments();
        check_selection(dst);
        r = "temp_var" + std::to_string(temp_var_cnt);
        val_printf(dst, "%s = %s", l.c_str(), r.c_str());
        if (inSelect != 0)
            record_item(l, r, true);
        return;
    }
    if (inExecute != 0) {
        val_printf(dst, "%s => %s", l.c_str(), r.c_str());
    } else if (condition) {
        // The condition texts (expressions.h): NULL tests everywhere, '' tests in IF and WHILE.
        if (kind == CMP_NULL)
            xpr_null_comparison(dst, l.c_str(), o.c_str());
        else
            xpr_condition_compare(dst, l.c_str(), o.c_str(), r.c_str());
    } else if (variable || o != "=") {
        val_printf(dst, "%s %s %s", l.c_str(), o.c_str(), r.c_str());
        if (inSelect != 0 && o == "=")
            record_item(l, r, true);
    } else {
        // A column alias: the value, two blanks, the alias as a quoted identifier.
        std::string alias = l;
        if (alias.size() >= 2 && alias.front() == '\'' && alias.back() == '\'')
            alias = "\"" + alias.substr(1, alias.size() - 2) + "\"";
        else
            alias = "\"" + alias + "\"";
        val_printf(dst, "%s  %s", r.c_str(), alias.c_str());
        if (inSelect != 0)
            record_item(l, r, false);
    }
}

void qry_select_item(char *dst, const char *item, const char *alias) {
    item_was_subquery = false;
    const std::string it = str(item);
    if (!empty(alias))
        val_printf(dst, "%s %s", it.c_str(), alias);
    else
        val_set(dst, it.c_str());
    if (inSelect == 0)
        return;
    // The first "=" outside parentheses and string literals: the value of the current slot
    // is the text after it (blank included), and the next item takes the next slot.
    int depth = 0;
    bool quoted = false;
    for (size_t i = 0; i < it.size(); i++) {
        const char c = it[i];
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && c == '(')
            depth++;
        else if (!quoted && c == ')')
            depth--;
        else if (!quoted && depth == 0 && c == '=') {
            check_capacity(cur_col, COL_LIST_MAX, "the select-list assignments (col_list)");
            fit_copy(col_list[cur_col].value, sizeof col_list[cur_col].value, it.substr(i + 1),
                     "a select-list value (col_list)");
            cur_col++;
            return;
        }
    }
}

void qry_subquery_item(char *dst, const char *subquery, const char *alias) {
    if (!empty(alias))
        val_printf(dst, "%s %s", subquery, alias);
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
std::vector<fn_arguments> fn_arguments_stack;

// Adds argument `arg` (a subquery when the item just read was one) to list `f`.
void add_fn_argument(fn_arguments &f, const std::string &arg) {
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
    fn_arguments_stack.emplace_back();
    add_fn_argument(fn_arguments_stack.back(), str(arg));
}

void qry_fn_next_argument(char *dst, const char *list, const char *arg) {
    if (!fn_arguments_stack.empty())
        add_fn_argument(fn_arguments_stack.back(), str(arg));
    item_was_subquery = false;
    val_printf(dst, "%s, %s", str(list).c_str(), str(arg).c_str());
}

bool qry_fn_arguments_end(std::string &moved, std::string &from) {
    if (fn_arguments_stack.empty())
        return false;
    const fn_arguments f = fn_arguments_stack.back();
    fn_arguments_stack.pop_back();
    if (!f.subquery)
        return false;
    moved = f.moved;
    from = f.from;
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

void qry_query_spec(char *dst, const char *distinct, const char *selection, const char *into,
                    const char *table_exp, const char *compute) {
    // 1. In a trigger, the pseudo tables' qualifiers (in the assigned values as well).
    const std::string sel = trigger_qualifiers(str(selection));
    if (iftrigger != 0)
        for (int i = 0; i < cur_col && i < COL_LIST_MAX; i++)
            fit_copy(col_list[i].value, sizeof col_list[i].value,
                     trigger_qualifiers(col_list[i].value), "a select-list value (col_list)");
    // 2.
    inSelect = 0;
    std::string te = str(table_exp);
    const std::string limit = row_limit_take(sel, te);
    // 3.
    if (declare_cur == 0) {
        if (skip_rs != 0 && from == 0) {
            write_assignments();
        } else if (skip_rs == 0 && powerbuilder != 0) {
            if (!limit.empty()) {
                print_tabs();
                kestra_diagnostic(
                    yyout, yylineno,
                    ("Manual conversion required : TOP " + limit + " (row limit not converted)")
                        .c_str());
            }
            action_for_query_pb(distinct, sel.c_str(), into, te.c_str(), compute);
        } else if (skip_rs == 0) {
            query_row_limit = limit;
            action_for_query_spec(distinct, sel.c_str(), into, te.c_str(), compute);
            query_row_limit.clear();
        }
        if (skip_rs != 0)
            cur_col = 0;
    }
    // 4.
    if (from != 0 && !limit.empty())
        val_set(dst,
                row_limit_wrap("SELECT " + str(distinct) + " " + sel + "\n" + te, limit).c_str());
    else if (from != 0)
        val_printf(dst, "SELECT %s %s\n%s", str(distinct).c_str(), sel.c_str(), te.c_str());
    else
        val_printf(dst, "SELECT %s %s\nFROM DUAL\n%s", str(distinct).c_str(), sel.c_str(),
                   te.c_str());
    declare_cur = 0;
    trig_scope_end(subquery_stack.size());
}

void qry_query_union(char *dst, const char *left, const char *right, int all) {
    val_printf(dst, all != 0 ? "%s\nUNION ALL\n%s" : "%s\nUNION\n%s", left, right);
}

void qry_query_paren(char *dst, const char *query) {
    fputs("\n\n/*Manual conversion required : Select statement is found in the condition "
          "expression.*/\n",
          yyout);
    fputs("/*The converter will not parse this expression correctly.*/\n", yyout);
    val_printf(dst, "(%s)", query);
}

namespace {

std::string join_parts(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string &p : parts) {
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
    const std::string w = row_limit_where(temp_filter(str(from_text), join_where(where), true),
                                          str(group), str(having), str(order));
    val_set(dst, join_parts({str(from_text), w, str(group), str(having), str(order)}).c_str());
    const std::string g = str(group);
    const size_t b = g.find_first_not_of(" \t\n");
    query_group_by = b == std::string::npos ? std::string() : g.substr(b);
}

void qry_subquery_table_exp(char *dst, const char *from_text, const char *where, const char *group,
                            const char *having, const char *order) {
    // With a row limit the order decides which rows stay: it is kept.
    const bool keep_order = row_limit_pending();
    const std::string w = row_limit_where(temp_filter(str(from_text), join_where(where), true),
                                          str(group), str(having), str(order));
    std::string out = join_parts({str(from_text), w, str(group), str(having)});
    if (keep_order) {
        out = join_parts({out, str(order)});
    } else if (!empty(order)) {
        char note[128];
        snprintf(note, sizeof note, "\n/*[KESTRA-ERR(%.4d)]:ORDER BY statement ignored*/\n",
                 yylineno);
        out += "\n" + tabs(no_of_tabs) + note;
        log_diagnostic("ORDER BY statement ignored");
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
        // The pseudo tables leave the list; the statement's tables are kept in tab_list1.
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
    const std::string t = declare_cur != 0 ? std::string() : tabs(no_of_tabs - 1);
    val_printf(dst, "%sFROM %s", t.c_str(), list.c_str());
}

void qry_where_current_of(char *dst, const char *cursor) {
    inWhere = 0;
    val_printf(dst, "WHERE CURRENT OF %s", cursor);
}

void qry_where_clause(char *dst, const char *condition) {
    // Conditions of trigger joins whose pseudo table left the FROM list come first.
    const std::string joined = join_condition_take();
    const std::string cond = join_inner_restrictions(trigger_qualifiers(
        joined.empty() ? str(condition) : joined + " AND (" + str(condition) + ")"));
    const std::string t =
        declare_cur != 0 ? std::string() : tabs(no_of_tabs + 1 + (inWhile != 0 ? 1 : 0));
    fit_copy(where_str, sizeof where_str, cond, "a WHERE condition (where_str)");
    case_param[0] = '\0';
    inWhere = 0; // the clause is complete: "=" is an operator again after it
    val_printf(dst, "\n%sWHERE %s", t.c_str(), cond.c_str());
}

void qry_group_by(char *dst, const char *columns) {
    const std::string t = declare_cur != 0 ? std::string() : tabs(no_of_tabs);
    val_printf(dst, "\n\t%sGROUP BY %s", t.c_str(), str(columns).c_str());
}

void qry_having(char *dst, const char *condition) {
    const std::string t = declare_cur != 0 ? std::string() : tabs(no_of_tabs);
    inHaving = 0;
    val_printf(dst, "\n%sHAVING %s", t.c_str(), str(condition).c_str());
}

void qry_order_by(char *dst, const char *items) {
    const std::string t = declare_cur != 0 ? std::string() : tabs(no_of_tabs);
    val_printf(dst, "\n%sORDER BY %s", t.c_str(), str(items).c_str());
}

void qry_compute(char *dst, const char *list, const char *by) {
    val_printf(dst, "COMPUTE %s %s", str(list).c_str(), str(by).c_str());
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
        val_printf(dst, "(\n\t\t%s%s)", q.c_str(), u.c_str());
        const std::string outer_list = ROW_LIMIT_ALIAS ".*";
        fit_copy(qstr1, sizeof qstr1, outer_list, "a subquery's select list (qstr1)");
        fit_copy(qstr2, sizeof qstr2, q.substr(8 + outer_list.size()) + u,
                 "a subquery's FROM part (qstr2)");
    } else {
        if (from != 0)
            val_printf(dst, "(\n\t\tSELECT %s %s\n\t\t%s%s)", word.c_str(), sel.c_str(), t.c_str(),
                       u.c_str());
        else
            val_printf(dst, "(\n\t\tSELECT %s %s FROM DUAL%s)", word.c_str(), sel.c_str(),
                       u.c_str());
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
// Data changes.
// ---------------------------------------------------------------------------------------------

void dml_delete_from() {
    select_stmt = 1;
}

void dml_delete(const char *from_word, const char *table, const char *where) {
    rowcount_statement(true);
    std::string t = str(table), w = str(where);
    // 1. In a trigger: the statement's own table with the stored WHERE clause.
    if (iftrigger != 0) {
        int real = 0;
        bool listed = false;
        for (int i = 0; i < tab_cnt && i < TAB_LIST_MAX; i++) {
            const std::string n = tab_list1[i].name;
            if (n != ":OLD" && n != ":NEW")
                real++;
            if (n == t)
                listed = true;
        }
        if (listed && real == 1) {
            update_from = 0;
            w = trig_where;
        }
    }
    dml_block_open();
    if (update_from != 0) {
        // 2. A join: the rows go by ROWID.
        update_from = 0;
        const std::string target = table_of(t);
        std::string alias = tot_tab > 0 ? tab_list[0].name : t;
        for (int i = 1; i < tot_tab && i < TAB_LIST_MAX; i++)
            if (alias == tab_list[i].name && tab_list[i].alias[0] != '\0') {
                alias = tab_list[i].alias;
                break;
            }
        line("DELETE " + str(from_word) + " " + target);
        line("\tWHERE ROWID IN");
        line("\t(SELECT " + alias + ".ROWID");
        print_statement(1, no_of_tabs + 1, w.c_str(), yyout);
        fputs(");", yyout);
    } else {
        // 3.
        w = temp_filter(t, w, false);
        line("DELETE " + str(from_word) + " " + t + " " + w + ";");
    }
    dml_block_close();
    tot_tab = 0;
    tot_item = 0;
}

// TRUNCATE deletes every row; of a temporary table only the rows of this session (the
// other sessions' rows share the table).
void dml_truncate(const char *table) {
    firstTime = 0;
    line("/* Manual conversion : Please use DBMS_DDL packaged function to improve the "
         "performance.*/");
    const std::string t = str(table);
    const std::string w = temp_filter(t, "", false);
    line("DELETE " + t + (w.empty() ? "" : " " + w) + ";");
}

bool dml_temp_rows_delete(const char *table) {
    const std::string t = str(table);
    if (t.empty() || !is_temp_table(t))
        return false;
    line("DELETE FROM " + t + " WHERE " + t + ".SESSID = USERENV('SESSIONID');");
    return true;
}

void dml_insert(const char *table, const char *columns, const char *values) {
    firstTime = 0;
    union_flag = 0;
    select_stmt = 0;
    first_union = 0;
    std::string t = str(table), cols = str(columns), vals = str(values);
    dml_block_open();
    no_of_tabs++;
    if (is_temp_table(t)) {
        size_t c = cols.find_first_not_of('\t');
        if (c != std::string::npos && cols[c] == '(')
            cols = cols.substr(0, c) + "(SESSID, " + cols.substr(c + 1);
        size_t v = vals.find_first_not_of('\t');
        if (v != std::string::npos && vals.compare(v, 8, "VALUES (") == 0)
            vals = vals.substr(0, v) + "VALUES (USERENV('SESSIONID'), " + vals.substr(v + 8);
        else
            vals = insert_session_id(vals);
    }
    line("INSERT INTO " + t + " " + cols);
    print_statement(1, no_of_tabs + 1, vals.c_str(), yyout);
    fputs(";", yyout);
    no_of_tabs--;
    dml_block_close();
    select_stmt = 0;
    skip_rs = 0;
    if (inInsert > 0)
        inInsert--;
}

void dml_values(char *dst, const char *atoms) {
    val_printf(dst, "VALUES (%s)", str(atoms).c_str());
}

void dml_query_values(char *dst, const char *query) {
    val_set(dst, without_at_signs(str(query)).c_str());
    from = 0;
}

void dml_list_join(char *dst, const char *list, const char *item) {
    val_printf(dst, "%s, \n%s%s", str(list).c_str(), tabs(no_of_tabs + 1).c_str(),
               str(item).c_str());
}

void dml_assignment(char *dst, const char *column, const char *value) {
    const std::string t = tabs(no_of_tabs);
    if (value == nullptr) {
        val_printf(dst, "\t%s%s = NULL", t.c_str(), str(column).c_str());
        return;
    }
    const std::string v = lit_for_target(column, value);
    value = v.c_str();
    val_printf(dst, "\t%s%s = %s", t.c_str(), str(column).c_str(), value);
    check_capacity(tot_item, ITEM_LIST_MAX, "the UPDATE assignment list (item_list)");
    fit_copy(item_list[tot_item].expr, sizeof item_list[tot_item].expr, value,
             "an UPDATE value (item_list)");
    fit_copy(item_list[tot_item].column, sizeof item_list[tot_item].column, str(column),
             "an UPDATE column (item_list)");
    tot_item++;
}

void dml_update_where(char *dst, const char *from_text, const char *where) {
    if (iftrigger != 0)
        fit_copy(trig_where, sizeof trig_where, str(where),
                 "a trigger's WHERE clause (trig_where)");
    if (empty(from_text)) {
        val_set(dst, str(where).c_str());
        return;
    }
    std::string list = str(from_text);
    if (tot_tab > 0 && str_match(list.c_str(), tab_list[0].name) == 0) {
        list += ", ";
        list += tab_list[0].name;
        if (tab_list[0].alias[0] != '\0' && strcmp(tab_list[0].alias, tab_list[0].name) != 0) {
            list += " ";
            list += tab_list[0].alias;
        }
    }
    const std::string w = temp_filter(list, str(where), true);
    val_printf(dst, "%s\n%s", list.c_str(), w.c_str());
    update_from = 1;
}

namespace {

// The trigger updating its own table: direct assignments to the new row.
void update_own_row(const std::string &assignments) {
    std::string out;
    size_t pos = 0;
    while (pos <= assignments.size()) {
        size_t end = assignments.find(",\n", pos);
        if (end == std::string::npos)
            end = assignments.size();
        std::string a = assignments.substr(pos, end - pos);
        pos = end + 2;
        const size_t b = a.find_first_not_of("\t ");
        if (b == std::string::npos)
            continue;
        a = a.substr(b);
        const size_t eq = a.find(" = ");
        if (eq == std::string::npos)
            continue;
        std::string column = a.substr(0, eq);
        const size_t dot = column.rfind('.');
        if (dot != std::string::npos)
            column = column.substr(dot + 1);
        std::string value = trigger_qualifiers(a.substr(eq + 3));
        // A qualifier naming the trigger's table becomes ":NEW.".
        const std::string own = std::string(trig_tab) + ".";
        for (size_t q = value.find(own); q != std::string::npos; q = value.find(own, q)) {
            if (q > 0 && (word_char(value[q - 1]) || value[q - 1] == '.')) {
                q += own.size();
                continue;
            }
            value.replace(q, own.size(), ":NEW.");
            q += 5;
        }
        line(":NEW." + column + " := " + value + ";");
    }
    aft_trig = 0;
}

// UPDATE with a join: a cursor over the joined rows, updated by ROWID.
void update_join(const std::string &table, const std::string &where) {
    const int n = ref_cursor_no;
    const std::string real = table_of(table);
    std::string alias;
    for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++)
        if (real == tab_list[i].name && tab_list[i].alias[0] != '\0') {
            alias = tab_list[i].alias;
            break;
        }
    if (alias.empty() && real != table)
        alias = table;
    const std::string rowid_of = alias.empty() ? real : alias;
    fprintf(fp2, "\nUF%d_rowid \tROWID;", n);
    const int items = tot_item < ITEM_LIST_MAX ? tot_item : ITEM_LIST_MAX;
    std::vector<std::string> columns;
    for (int k = 0; k < items; k++) {
        std::string col = item_list[k].column;
        const size_t dot = col.rfind('.');
        if (dot != std::string::npos) {
            // A qualified column: its qualifier may be an alias of a table of the join.
            const std::string q = col.substr(0, dot), c = col.substr(dot + 1);
            fprintf(fp2, "\nUF%d_oval%d \t%s.%s%%TYPE;", n, k + 1, table_of(q).c_str(), c.c_str());
            columns.push_back(c);
        } else {
            fprintf(fp2, "\nUF%d_oval%d \t%s.%s%%TYPE;", n, k + 1, real.c_str(), col.c_str());
            columns.push_back(col);
        }
    }
    fputs("\n", fp2);
    fprintf(fp2, "\nCURSOR UF%d_cursor IS", n);
    fprintf(fp2, "\n\tSELECT %s.ROWID", rowid_of.c_str());
    for (int k = 0; k < items; k++)
        fprintf(fp2, ", %s", trigger_qualifiers(item_list[k].expr).c_str());
    print_statement(1, 1, where.c_str(), fp2);
    for (int k = 0; k < items; k++) {
        const std::string col = item_list[k].column;
        const bool qualified = col.find('.') != std::string::npos;
        if (k == 0)
            fputs("\n\tFOR UPDATE OF ", fp2);
        else
            fputs(", ", fp2);
        if (qualified)
            fputs(col.c_str(), fp2);
        else
            fprintf(fp2, "%s.%s", real.c_str(), col.c_str());
    }
    fputs(";", fp2);

    const std::string cur = "UF" + std::to_string(n);
    line("OPEN " + cur + "_cursor;");
    line("LOOP");
    std::string fetch = "\tFETCH " + cur + "_cursor INTO " + cur + "_rowid";
    for (int k = 0; k < items; k++)
        fetch += ", " + cur + "_oval" + std::to_string(k + 1);
    line(fetch + ";");
    line("\tEXIT WHEN " + cur + "_cursor%NOTFOUND;");
    no_of_tabs++;
    dml_block_open();
    const std::string first = columns.empty() ? std::string() : columns[0];
    if (!alias.empty()) {
        line("UPDATE " + real + " " + alias);
        line("SET " + first + " = " + cur + "_oval1");
    } else {
        line("UPDATE " + real + " SET " + first + " = " + cur + "_oval1");
    }
    for (size_t k = 1; k < columns.size(); k++) {
        fputs(",", yyout);
        line(columns[k] + " = " + cur + "_oval" + std::to_string(k + 1));
    }
    line("WHERE ROWID = " + cur + "_rowid;");
    line("Tarn_rowcnt := SQL%ROWCOUNT;");
    if (noexception == 1) {
        line("EXCEPTION");
        line("\tWHEN OTHERS THEN");
        line("\t\tTarn_error  := SQLCODE;");
        line("\t\tTarn_errmsg := SQLERRM;");
    }
    line("END;");
    no_of_tabs--;
    line("END LOOP;");
    line("CLOSE " + cur + "_cursor;");
    ref_cursor_no++;
}

} // namespace

void dml_update(const char *table, const char *assignments, const char *where) {
    rowcount_statement(true);
    const std::string t = str(table), a = str(assignments);
    std::string w = str(where);
    if (update_from != 0) {
        update_from = 0;
        if (iftrigger != 0 && t == trig_tab) {
            firstTime = 0;
            update_own_row(a);
        } else {
            firstTime = 0;
            update_join(t, w);
        }
    } else {
        w = temp_filter(t, w, false);
        dml_block_open();
        line("UPDATE " + t);
        print_tabs();
        fputs("SET ", yyout);
        print_statement(0, no_of_tabs, a.c_str(), yyout);
        print_statement(1, no_of_tabs, w.c_str(), yyout);
        fputs(";", yyout);
        dml_block_close();
    }
    // The scanner sets inUpdate for an UPDATE read as the look-ahead.
    inUpdate = yychar == UPDATE ? 1 : 0;
    tot_tab = 0;
    tot_item = 0;
}

// ---------------------------------------------------------------------------------------------
// Tables and column references.
// ---------------------------------------------------------------------------------------------

void qry_table(char *dst, const char *owner, const char *table, const char *alias) {
    // A quoted name loses its quotes unless it needs them to stay one name (a blank or
    // another character that no plain name holds: "Order Subtotals").
    auto unquote = [](const char *s) {
        std::string t = str(s);
        if (t.size() >= 2 && t.front() == '"' && t.back() == '"' &&
            t.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_#$",
                                1) == t.size() - 1)
            t = t.substr(1, t.size() - 2);
        return t;
    };
    const std::string o = unquote(owner), a = unquote(alias);
    std::string name = unquote(table);
    if (!o.empty() && o != "dbo")
        name = o + "." + name;
    if (a.empty())
        val_set(dst, name.c_str());
    else
        val_printf(dst, "%s %s", name.c_str(), a.c_str());
    if (iftrigger != 0 && trig_tab[0] == '\0')
        state_copy(trig_tab, sizeof trig_tab, name.c_str(), "a table name");
    if (inSubquery != 0)
        return; // a subquery's tables are its own
    if (iftrigger != 0 && firstTrig != 0) {
        firstTrig = 0;
        return;
    }
    char stored_name[sizeof tab_list[0].name], stored_alias[sizeof tab_list[0].alias];
    fit_copy(stored_name, sizeof stored_name, name, "a table name (tab_list)");
    fit_copy(stored_alias, sizeof stored_alias, a, "a table alias (tab_list)");
    for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++)
        if (strcmp(tab_list[i].name, stored_name) == 0 &&
            strcmp(tab_list[i].alias, stored_alias) == 0)
            return;
    check_capacity(tot_tab, TAB_LIST_MAX, "the table list (tab_list)");
    state_copy(tab_list[tot_tab].name, sizeof tab_list[tot_tab].name, stored_name, "a table name");
    state_copy(tab_list[tot_tab].alias, sizeof tab_list[tot_tab].alias, stored_alias,
               "a table alias");
    tot_tab++;
}

void qry_column_name(char *dst, const char *name) {
    clash_column(str(name));
    val_set(dst, str(name).c_str());
}

void qry_column_ref(char *dst, const char *qualifier, const char *column) {
    clash_column(str(column));
    if (empty(qualifier)) {
        if (iftrigger != 0)
            trig_scope_column(subquery_stack.size(), str(column));
        val_set(dst, str(column).c_str());
        return;
    }
    const std::string q = str(qualifier);
    if (iftrigger != 0 && q == ":NEW")
        ifeachrow = 1;
    if (iftrigger != 0 && q == ":OLD") {
        ifeachrow = 1;
        ifdeleted = 1;
    }
    val_printf(dst, "%s.%s", q.c_str(), str(column).c_str());
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
    fn_arguments_stack.clear();
    inSubquery = 0;
    tab_cnt = 0;
    item_was_subquery = false;
}
