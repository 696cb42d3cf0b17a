// Cursor statements and status tests, transactions, table definitions, the statements that are
// only noted in the output (DROP TABLE, CREATE INDEX, views, GRANT, DBCC) and UPDATE
// STATISTICS.
#include "cursors.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"
#include "data_changes.h"
#include "output.h"
#include "parser.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The diagnostic comment on a line of its own and its log line.
void diagnostic_line(diag kind, diag_args args = {}) {
    print_tabs();
    diagnose_to(yyout, kind, yylineno, args);
}

// The cursor's entry in declare_list (kind 0), or -1.
int cursor_entry(const std::string &name) {
    for (int i = 0; i < declare_no && i < DECLARE_LIST_MAX; i++)
        if (declare_list[i].kind == 0 && name == declare_list[i].name)
            return i;
    return -1;
}

// The name the latest declaration of a cursor gave it: "name_REP_n" once redeclared.
std::string cursor_name(const std::string &name) {
    const int i = cursor_entry(name);
    if (i >= 0 && declare_list[i].counter >= 2)
        return name + "_REP_" + std::to_string(declare_list[i].counter - 1);
    return name;
}

bool fetch_first = false;

// The cursor test of a status condition. Before any FETCH there is no cursor to name: the
// test keeps its text and carries the diagnostic inside the condition (a comment written to
// the body here would land before the statement's own line).
void status_test(char *dst, const char *attribute) {
    if (current_cursor[0] != '\0') {
        val_printf(dst, "%s%s", current_cursor, attribute);
        return;
    }
    val_printf(dst, "%s %s", attribute, diagnose(diag::cursor_status, yylineno).c_str());
}

} // namespace

void cur_fetch_first() {
    fetch_first = true;
}

void cur_declare(const char *name, const char *cursor_word, const char *query, const char *clause) {
    inTmp = 0;
    declare_cur = 0;
    const int i = cursor_entry(str(name));
    if (i >= 0) {
        list_mark(declare_list_marked, i);
        declare_list[i].counter++;
        fprintf(fp2, "\n%s %s_REP_%d %s", cursor_word, name, declare_list[i].counter - 1, "IS");
    } else {
        check_capacity(declare_no, DECLARE_LIST_MAX, "the declaration list (declare_list)");
        list_mark(declare_list_marked, declare_no);
        declare_entry &e = declare_list[declare_no++];
        memset(&e, 0, sizeof e);
        if (text_copy(e.name, sizeof e.name, name) >= sizeof e.name) {
            fflush(stdout);
            fprintf(stderr, "kestra: the cursor name %s is too long\n", name);
            kestra_exit(1);
        }
        text_copy(e.name2, sizeof e.name2, name);
        e.kind = 0;
        e.counter = 1;
        fprintf(fp2, "\n%s %s %s", cursor_word, name, "IS");
    }
    print_statement(1, 1, query, fp2);
    fputs("\n", fp2);
    if (clause != nullptr && clause[0] != '\0')
        fprintf(fp2, "%s;\n", clause);
    else
        fputs(";\n", fp2);
}

void cur_open_close(const char *keyword, const char *name) {
    firstTime = 0;
    print_tabs();
    fprintf(yyout, "%s %s;\n", keyword, cursor_name(str(name)).c_str());
}

void cur_deallocate() {
    fprintf(yyout, "\n%s\n", diagnose(diag::deallocate_cursor, yylineno).c_str());
    line("NULL;\n");
    declare_cur = 0;
}

void cur_fetch(const char *fetch_word, const char *name, const char *into_word,
               const char *targets) {
    firstTime = 0;
    const std::string cur = cursor_name(str(name));
    if (fetch_first) {
        fetch_first = false;
        line("CLOSE " + cur + ";\n");
        line("OPEN " + cur + ";\n");
    }
    print_tabs();
    fprintf(yyout, "%s %s %s", fetch_word, cur.c_str(), into_word);
    print_statement(1, no_of_tabs, targets, yyout);
    fputs(";\n", yyout);
    state_copy(current_cursor, sizeof current_cursor, cur.c_str(), "a cursor name");
    line("IF " + cur + "%NOTFOUND THEN");
    no_of_tabs++;
    line("Tarn_sqlstatus := 2;");
    no_of_tabs--;
    line("ELSE");
    no_of_tabs++;
    line("Tarn_sqlstatus := 0;");
    no_of_tabs--;
    line("END IF;");
    select_stmt = 0;
}

void cur_cursor_word(char *dst, bool scroll) {
    val_set(dst, scroll ? "/* SCROLL CURSOR is not supported in Corvane */\n CURSOR" : "CURSOR");
    declare_cur = 1;
}

void cur_for_update(char *dst, const char *columns) {
    inUpdate = 0;
    val_printf(dst, "%s %s %s", "FOR", "UPDATE", columns);
}

void cur_sqlstatus_test(char *dst, const char *op, const char *n) {
    const std::string o = str(op), v = str(n);
    if (o == "=" && v == "2")
        status_test(dst, "%NOTFOUND");
    else if ((o == "!=" || o == "<>") && v == "2")
        status_test(dst, "%FOUND");
    else if (o == "=" && v == "0")
        status_test(dst, "%FOUND");
    else
        val_printf(dst, "Tarn_sqlstatus %s %s", op, n);
}

void cur_fetch_status_test(char *dst, const char *op, const char *n) {
    const std::string o = str(op), v = str(n);
    if (o == "=" && v == "0")
        status_test(dst, "%FOUND");
    else if ((o == "<>" || o == "!=") && (v == "-1" || v == "-2"))
        status_test(dst, "%FOUND");
    else
        status_test(dst, "%NOTFOUND");
}

void trn_commit() {
    firstTime = 0;
    line("COMMIT WORK;");
}

void trn_savepoint(const char *name) {
    firstTime = 0;
    line("SAVEPOINT " + str(name) + ";");
}

void trn_begin() {
    firstTime = 0;
    print_tabs();
    fputs(diagnose(diag::begin_tran, yylineno).c_str(), yyout);
    line("NULL;");
}

void trn_rollback(const char *name) {
    firstTime = 0;
    if (iftrigger != 0) {
        line("RAISE_APPLICATION_ERROR(-20500,'Trigger forces a rollback');");
        line("/* ROLLBACK; */");
    } else if (name == nullptr) {
        line("ROLLBACK WORK;");
    } else {
        line("ROLLBACK TO SAVEPOINT " + str(name) + ";");
    }
}

void ddl_create_table(const char *create_word, const char *table_word, const char *table,
                      const char *elements) {
    firstTime = 0;
    tableFlag = 0;
    diagnostic_line(diag::create_table_passed, {str(table)});
    open_unit_ddl_file(".pls");
    if (tot_tmp > 0)
        fprintf(ddl_fd, "%s %s %s (\n\tSESSID NUMBER,\n %s \n);\n", create_word, table_word, table,
                elements);
    else
        fprintf(ddl_fd, "%s %s %s (\n %s \n);\n", create_word, table_word, table, elements);
    if (!dml_temp_rows_delete(table))
        line("NULL;");
    tot_tmp = 0;
}

void ddl_drop_table(char *dst, const char *table) {
    val_printf(dst, "DROP TABLE %s", str(table).c_str());
    firstTime = 0;
    diagnostic_line(diag::statement_ignored, {str(dst)});
    if (!dml_temp_rows_delete(table))
        line("NULL;");
    tot_tmp = 0;
}

void ddl_ignored(const char *text) {
    firstTime = 0;
    diagnostic_line(diag::statement_ignored, {str(text)});
    line("NULL;");
    tot_tmp = 0;
}

void ddl_drop_view(char *dst, const char *table) {
    declare_cur = 0;
    val_printf(dst, "DROP VIEW %s", table);
    ddl_ignored(dst);
}

void ddl_update_statistics(const char *table, const char *index) {
    inUpdate = yychar == UPDATE ? 1 : 0;
    std::string t = str(table), i = str(index);
    const size_t blank = t.find(' ');
    if (i.empty() && blank != std::string::npos) {
        i = t.substr(blank + 1);
        t = t.substr(0, blank);
    }
    firstTime = 0;
    line("DBMS_DDL.ANALYZE_OBJECT('TABLE', NULL, UPPER('" + t + "'), 'ESTIMATE', NULL, 100);");
    if (!i.empty())
        line("DBMS_DDL.ANALYZE_OBJECT('INDEX', NULL, UPPER('" + i + "'), 'ESTIMATE', NULL, 100);");
}

void ddl_dbcc(const char *comment) {
    firstTime = 0;
    line(str(comment));
    line("NULL;");
}
