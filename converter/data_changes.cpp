// Data changes: INSERT, UPDATE, DELETE and TRUNCATE, each in its status block; rows of
// temporary tables carry the session id; in a trigger, an UPDATE of the trigger's own table
// assigns the new row; UPDATE and DELETE with a join go by ROWID.
#include "data_changes.h"

#include "blockstack.h"
#include "convstate.h"
#include "error_handling.h"
#include "literals.h"
#include "namecheck.h"
#include "output.h"
#include "parser.h"
#include "rowcount.h"
#include "statement_text.h"
#include "table_names.h"
#include "textwalk.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace stmt_text;

namespace {

// The lines of the DML block, made once: every INSERT, UPDATE and DELETE writes them.
const std::string begin_line = "BEGIN", error_reset = "Tarn_error   := 0;",
                  rowcnt_reset = "Tarn_rowcnt  := 0;", rowcnt_set = "Tarn_rowcnt := SQL%ROWCOUNT;",
                  exception_line = "EXCEPTION", when_others = "WHEN OTHERS THEN",
                  error_set = "Tarn_error  := SQLCODE;", errmsg_set = "Tarn_errmsg := SQLERRM;",
                  raise_line = "RAISE;", end_line = "END;";

// The DML block around INSERT, UPDATE and DELETE: lines 1 to 3, and 5 to 7.
void dml_block_open() {
    firstTime = 0;
    line(begin_line);
    line(error_reset);
    line(rowcnt_reset);
}

void dml_block_close() {
    line(rowcnt_set);
    if (noexception == 1) {
        line(exception_line);
        no_of_tabs++;
        line(when_others);
        no_of_tabs++;
        line(error_set);
        line(errmsg_set);
        if (err_in_try())
            line(raise_line);
        no_of_tabs -= 2;
    }
    line(end_line);
}

// The name under which a table stands: an alias of a tab_list entry resolves to its table.
std::string table_of(const std::string &name) {
    for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++)
        if (name == tab_list[i].alias)
            return tab_list[i].name;
    return name;
}

// INSERT ... SELECT into a temporary table: the session id becomes the first value of every
// top-level SELECT (after DISTINCT where present). Words end at blanks, tabs and newlines
// outside literals; runs of blanks collapse to one blank, tabs and newlines are kept;
// subqueries, string literals and double-quoted names are left alone. A ')' without its '('
// counts the depth below 0 (what follows is not at the top until a '(' makes up for it).
std::string insert_session_id(const std::string &query) {
    std::string out;
    sql_position at(walk_rules{true, true});
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
        const bool top = at.top();
        while (i < n && (at.quoted() || (query[i] != ' ' && query[i] != '\t' && query[i] != '\n')))
            at.step(query[i++]);
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
        w = temp_filter(t, std::move(w), false);
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
    val_join(dst, {"VALUES (", view(atoms), ")"});
}

void dml_query_values(char *dst, const char *query) {
    val_set(dst, without_at_signs(str(query)).c_str());
    from = 0;
}

void dml_list_join(char *dst, const char *list, const char *item) {
    val_join(dst, {view(list), ", \n", tab_run(no_of_tabs + 1), view(item)});
}

void dml_assignment(char *dst, const char *column, const char *value) {
    const std::string_view t = tab_run(no_of_tabs);
    if (value == nullptr) {
        val_join(dst, {"\t", t, view(column), " = NULL"});
        return;
    }
    // The value is read in place ($2, never dst) unless it may become a hexadecimal literal.
    std::string v;
    if (lit_hex_pending()) {
        v = lit_for_target(column, value);
        value = v.c_str();
    }
    val_join(dst, {"\t", t, view(column), " = ", view(value)});
    check_capacity(tot_item, ITEM_LIST_MAX, "the UPDATE assignment list (item_list)");
    list_mark(item_list_marked, tot_item);
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
    val_join(dst, {list, "\n", w});
    update_from = 1;
}

namespace {

// The trigger updating its own table: direct assignments to the new row. The assignments are
// taken apart at each ",\n" outside literals and parentheses (rule 305 joins them so; a value's
// literal or a function's arguments may hold one too), and the table's qualifier is replaced
// outside the value's literals only.
void update_own_row(const std::string &assignments) {
    std::string out;
    size_t pos = 0;
    while (pos <= assignments.size()) {
        size_t end = find_top_level(assignments, ",\n", pos);
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
        for (size_t q = find_outside_literals(value, own); q != std::string::npos;
             q = find_outside_literals(value, own, q)) {
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
        w = temp_filter(t, std::move(w), false);
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
