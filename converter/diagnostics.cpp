// Diagnostics: the catalogue of texts, the writer, the observer and yyerror.
#include "diagnostics.h"

#include "convstate.h"

#include <cstdio>
#include <cstring>

namespace {

// One row per kind, in the order of the kinds. The texts are the ones the output scripts and
// logs have always carried, spelling included.
const diag_row catalogue[] = {
    {diag::comment_not_closed, "Comment not closed before the end of the input", nullptr},
    {diag::string_not_closed,
     "String literal not closed before the end of the input: its quote is dropped", nullptr},
    {diag::string_too_long, "String literal too long (limit %s): conversion stopped", nullptr},
    {diag::parse_error, "%s Near '%s'", nullptr},
    {diag::surplus_end, "Surplus END without an open block not written", nullptr},
    {diag::outside_loop, "%s statement outside a loop ignored", nullptr},
    {diag::placeholder_unrecognised, "Unrecognised placeholder %s in a message written as text",
     nullptr},
    {diag::placeholder_empty, "Message placeholder without an argument written empty", nullptr},
    {diag::waitfor_delay, "Manual conversion required WAITFOR DELAY", nullptr},
    {diag::print_argument, "PRINT argument without a placeholder not written: %s", nullptr},
    {diag::reserved_rename, "%s %s renamed %s (a reserved word)", nullptr},
    {diag::ddl_trigger_skipped,
     "DDL trigger %s skipped: Corvane has no trigger on database or server events", nullptr},
    {diag::manual_conversion, "Manual conversion required", nullptr},
    {diag::manual_function, "Manual conversion required %s()", nullptr},
    {diag::convert_style, "Manual conversion required CONVERT style %s", nullptr},
    {diag::convert_style_hijri, "Manual conversion required CONVERT style %s (Hijri calendar)",
     nullptr},
    {diag::outer_join_restriction, "Manual conversion required outer join restriction on %s",
     nullptr},
    {diag::identity_value, "Manual conversion required @@identity", nullptr},
    {diag::if_update, "(%s) Manual conversion requird", nullptr},
    {diag::subquery_comparison, "Note Specific To SYBASE. REF DOC",
     "Subquery COMPARISON Note Specific to SYBASE. REF DOC"},
    {diag::cursor_status, "Manual conversion required : cursor status tested before any FETCH",
     nullptr},
    {diag::deallocate_cursor, "Deallocate Cursor is not supported",
     "Deallocate Cursor is not supported, Changed to CLOSE Cursor statement"},
    {diag::begin_tran, "BEGIN TRAN statement ignored", nullptr},
    {diag::create_table_passed, "CREATE TABLE %s statement passed to ddl file", nullptr},
    {diag::statement_ignored, "%s statement ignored", nullptr},
    {diag::create_table_added, "CREATE TABLE %s statement added to ddl file", nullptr},
    {diag::procedure_variable_columns,
     "One or more columns are procedure variables for table -- %s", nullptr},
    {diag::temp_tables, "TEMP tables are not supported by CORVANE", nullptr},
    {diag::order_by_ignored, "ORDER BY statement ignored", nullptr},
    {diag::top_in_union, "Manual conversion required : TOP %s in a UNION (row limit not converted)",
     nullptr},
    {diag::top_not_converted, "Manual conversion required : TOP %s (row limit not converted)",
     nullptr},
    {diag::top_percent, "Manual conversion required : TOP %s PERCENT (row limit not converted)",
     nullptr},
    {diag::table_hint, "Table hint (%s) dropped", nullptr},
    {diag::table_variable, "Table variable %s: CREATE TABLE %s statement passed to ddl file",
     nullptr},
    {diag::rowcount_no_query, "Manual conversion required SET ROWCOUNT %s: no query follows it",
     nullptr},
    {diag::rowcount_one_query,
     "Manual conversion required SET ROWCOUNT %s: the query at line %s returns every row", nullptr},
    {diag::rowcount_queries,
     "Manual conversion required SET ROWCOUNT %s: the queries at lines %s return every row",
     nullptr},
    {diag::prefix_kept, "Variable %s keeps the unit's name as prefix: a column has its name",
     nullptr},
    {diag::prefix_missing,
     "Variable %s has no prefix in a statement with a column of its name: check which one each "
     "name means",
     nullptr},
    {diag::dynamic_sql, "Dynamic SQL: the string is executed as it is, not converted", nullptr},
    {diag::dynamic_sql_parameters,
     "Dynamic SQL: the string is executed as it is, not converted; its parameters are not passed",
     nullptr},
    {diag::remote_procedure,
     "Remote procedure %s called over the database link %s, which must exist", nullptr},
    {diag::throw_outside_catch, "THROW without arguments outside a CATCH block not converted",
     nullptr},
    {diag::error_function_null, "%s() has no equivalent: NULL written in its place", nullptr},
    {diag::error_function_in_query,
     "%s() in the query of an ELSE IF condition: %s, which a query cannot read, needs manual "
     "conversion",
     nullptr},
};
static_assert(sizeof catalogue / sizeof catalogue[0] == static_cast<size_t>(diag::count_),
              "one catalogue row per diagnostic kind");

diagnostic_observer observer = nullptr;
void *observer_context = nullptr;

} // namespace

const diag_row &diag_catalogue(diag kind) {
    return catalogue[static_cast<size_t>(kind)];
}

std::string diagnostic_text(diag kind, diag_args args, bool log) {
    const diag_row &row = diag_catalogue(kind);
    const char *format = log && row.log != nullptr ? row.log : row.script;
    std::string text;
    auto arg = args.begin();
    // The format's constant runs are appended whole; each "%s" takes the next argument.
    for (const char *p = format;;) {
        const char *mark = strchr(p, '%');
        while (mark != nullptr && mark[1] != 's')
            mark = strchr(mark + 1, '%');
        if (mark == nullptr) {
            text += p;
            return text;
        }
        text.append(p, static_cast<size_t>(mark - p));
        if (arg != args.end())
            text += *arg++;
        p = mark + 2;
    }
}

namespace {
// The line number of a diagnostic as its tags write it: at least four digits.
std::string line_number(int line) {
    char number[16];
    if (line < 0) {
        snprintf(number, sizeof number, "%.4d", line);
        return number;
    }
    // The digits from the last, then zeros up to four.
    char *const end = number + sizeof number;
    char *p = end;
    for (unsigned v = static_cast<unsigned>(line); v != 0 || end - p < 4; v /= 10)
        *--p = static_cast<char>('0' + v % 10);
    return std::string(p, end);
}
} // namespace

std::string diagnostic_comment(int line, const std::string &text) {
    return "/*[KESTRA-ERR(" + line_number(line) + ")]:" + text + "*/";
}

std::string diagnose(diag kind, int line, diag_args args, const char *unit) {
    const std::string number = line_number(line);
    std::string text = diagnostic_text(kind, args);
    if (fpLog != nullptr) {
        // The log's text differs from the script's only where the row has a text of its own.
        const bool own_log_text = diag_catalogue(kind).log != nullptr;
        const std::string log_own = own_log_text ? diagnostic_text(kind, args, true) : "";
        const std::string &log_text = own_log_text ? log_own : text;
        if (unit == nullptr)
            unit = proc_name;
        // The entry is built in a buffer kept from call to call and goes out in one write.
        static std::string entry;
        entry.assign("[KESTRA-ERR(").append(number).append(")]:[");
        entry.append(iFname).append("(").append(unit).append(")]");
        entry.append(log_text.c_str()).append("\n");
        fputs(entry.c_str(), fpLog);
        if (observer != nullptr)
            observer(observer_context, kind, line, unit, log_text);
    }
    return "/*[KESTRA-ERR(" + number + ")]:" + text + "*/";
}

void diagnose_to(FILE *script, diag kind, int line, diag_args args) {
    const std::string comment = diagnose(kind, line, args);
    if (script != nullptr)
        fprintf(script, "%s\n", comment.c_str());
}

void set_diagnostic_observer(diagnostic_observer fn, void *context) {
    observer = fn;
    observer_context = context;
}

void yyerror(const char *msg) {
    const char *token = yytext != nullptr ? yytext : "";
    diagnose(diag::parse_error, yylineno, {msg, token});
    fprintf(stderr, "%s in %s at line %d near the token '%s'\n", msg, iFname, yylineno, token);
    conv_error = 1;
}
