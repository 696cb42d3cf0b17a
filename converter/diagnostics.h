// Diagnostics of the converter: the catalogue of their texts, the one writer that puts a
// diagnostic in the log (and hands back its script comment), the observer a driver may install
// to receive every diagnostic as the log does, and the parser's error report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

// The kinds of diagnostics, one per row of the catalogue (diagnostics.cpp). The comment of each
// kind is its text; %s stands for an argument, filled in order.
enum class diag : uint8_t {
    // Scanner
    comment_not_closed, // Comment not closed before the end of the input
    string_not_closed,  // String literal not closed before the end of the input: ...
    string_too_long,    // String literal too long (limit %s): conversion stopped
    parse_error,        // %s Near '%s' (the parser's message and the token; log only)
    // Blocks and control statements
    surplus_end,              // Surplus END without an open block not written
    outside_loop,             // %s statement outside a loop ignored
    placeholder_unrecognised, // Unrecognised placeholder %s in a message written as text
    placeholder_empty,        // Message placeholder without an argument written empty
    waitfor_delay,            // Manual conversion required WAITFOR DELAY
    print_argument,           // PRINT argument without a placeholder not written: %s
    reserved_rename,          // %s %s renamed %s (a reserved word)
    ddl_trigger_skipped,      // DDL trigger %s skipped: ...
    // Functions and expressions
    manual_conversion,      // Manual conversion required
    manual_function,        // Manual conversion required %s()
    convert_style,          // Manual conversion required CONVERT style %s
    convert_style_hijri,    // Manual conversion required CONVERT style %s (Hijri calendar)
    outer_join_restriction, // Manual conversion required outer join restriction on %s
    identity_value,         // Manual conversion required @@identity
    if_update,              // (%s) Manual conversion requird
    subquery_comparison,    // a note on a compared subquery (its log text differs)
    // Cursors, transactions, DDL statements
    cursor_status,       // Manual conversion required : cursor status tested before any FETCH
    deallocate_cursor,   // Deallocate Cursor is not supported (the log text says more)
    begin_tran,          // BEGIN TRAN statement ignored
    create_table_passed, // CREATE TABLE %s statement passed to ddl file
    statement_ignored,   // %s statement ignored
    // Queries
    create_table_added,         // CREATE TABLE %s statement added to ddl file
    procedure_variable_columns, // One or more columns are procedure variables for table -- %s
    temp_tables,                // TEMP tables are not supported by ...
    order_by_ignored,           // ORDER BY statement ignored
    top_in_union,               // Manual conversion required : TOP %s in a UNION (...)
    top_not_converted,          // Manual conversion required : TOP %s (row limit not converted)
    top_percent,                // Manual conversion required : TOP %s PERCENT (...)
    table_hint,                 // Table hint (%s) dropped
    table_variable,             // Table variable %s: CREATE TABLE %s statement passed to ddl file
    rowcount_no_query,          // Manual conversion required SET ROWCOUNT %s: no query follows it
    rowcount_one_query,         // ... SET ROWCOUNT %s: the query at line %s returns every row
    rowcount_queries,           // ... SET ROWCOUNT %s: the queries at lines %s return every row
    prefix_kept,                // Variable %s keeps the unit's name as prefix: ...
    prefix_missing,             // Variable %s has no prefix in a statement with a column ...
    // Dynamic SQL, remote calls, error handling
    dynamic_sql,             // Dynamic SQL: the string is executed as it is, not converted
    dynamic_sql_parameters,  // the same; its parameters are not passed
    remote_procedure,        // Remote procedure %s called over the database link %s, ...
    throw_outside_catch,     // THROW without arguments outside a CATCH block not converted
    error_function_null,     // %s() has no equivalent: NULL written in its place
    error_function_in_query, // %s() in the query of an ELSE IF condition: %s, ...
    count_                   // number of kinds (not a kind)
};

// A row of the catalogue: the kind, its text in the script comment and its text in the log
// (the same unless the row gives one), each with %s for the arguments.
struct diag_row {
    diag kind;
    const char *script;
    const char *log; // nullptr: the script text
};

// The catalogue row of `kind` (rows are in the order of the kinds).
const diag_row &diag_catalogue(diag kind);

using diag_args = std::initializer_list<std::string>;

// The text of `kind` with `args` in place of its %s, in order (a missing argument reads as
// empty), for the script or (log = true) for the log.
std::string diagnostic_text(diag kind, diag_args args = {}, bool log = false);

// The script comment of a diagnostic: "/*[KESTRA-ERR(nnnn)]:" text "*/", nnnn the source line
// `line` in at least four digits.
std::string diagnostic_comment(int line, const std::string &text);

// The writer. Writes the log line "[KESTRA-ERR(nnnn)]:[<iFname>(<unit>)]" log text and a
// newline when the log is open (unit: proc_name unless given), tells the observer of that
// line, and returns the script comment of the script text for the caller to place.
std::string diagnose(diag kind, int line, diag_args args = {}, const char *unit = nullptr);

// The same, with the comment and a newline written to `script` (nothing when null).
void diagnose_to(FILE *script, diag kind, int line, diag_args args = {});

// An observer of the diagnostics: called once for every diagnostic line the log receives,
// with its kind, source line, unit and log text (as the log line has them). `context` is the
// pointer given with it. It stays installed across runs until replaced; nullptr removes it.
using diagnostic_observer = void (*)(void *context, diag kind, int line, const char *unit,
                                     const std::string &text);
void set_diagnostic_observer(diagnostic_observer observer, void *context);

// The parser's error report: log line ("<msg> Near '<token>'"), standard-error line,
// conv_error = 1.
void yyerror(const char *msg);
