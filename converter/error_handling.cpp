// TRY ... CATCH, THROW and the error functions (error_handling.h).
#include "error_handling.h"

#include "blockstack.h"
#include "control.h"
#include "convstate.h"
#include "diagnostics.h"
#include "output.h"
#include "parser.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

// Block kinds of an open TRY body and of an open CATCH body (token numbers of BEGIN TRY and
// BEGIN CATCH, like the other kinds).
constexpr int16_t BLK_TRY = BEGIN_TRY;
constexpr int16_t BLK_CATCH = BEGIN_CATCH;

// One open TRY ... CATCH: whether its CATCH has begun, and the WHILE-without-BEGIN state that
// stood when it opened (the construct as a whole is that loop's one statement).
struct open_try {
    bool in_catch;
    int16_t while_cnt;
};
std::vector<open_try> open_tries;
bool locals_declared = false; // Tarn_errnum and Tarn_errtext are in this unit's declarations

// A numbered diagnostic as a comment line of the body and in the log.
void note(diag kind, diag_args args = {}) {
    firstTime = 0;
    print_tabs();
    diagnose_to(yyout, kind, yylineno, args);
}

// The BEGINs of an opt_begin after BEGIN TRY or BEGIN CATCH: nested blocks of the body.
void nested_begins(const char *opt_begin) {
    if (opt_begin == nullptr || opt_begin[0] == '\0')
        return;
    for (int i = 1; i <= no_of_begin; i++) {
        line("BEGIN");
        no_of_tabs++;
        push(BLK_BEGIN);
    }
    block_opened();
}

int catch_depth() {
    int n = 0;
    for (const open_try &t : open_tries)
        n += t.in_catch ? 1 : 0;
    return n;
}

void declare_locals() {
    if (locals_declared || fp2 == nullptr)
        return;
    fputs("\nTarn_errnum \tINTEGER;", fp2);
    fputs("\nTarn_errtext \tVARCHAR2(512);", fp2);
    locals_declared = true;
}

} // namespace

bool sql_statement = false;

void err_reset() {
    open_tries.clear();
    locals_declared = false;
    sql_statement = false;
}

bool err_in_try() {
    for (const open_try &t : open_tries)
        if (!t.in_catch)
            return true;
    return false;
}

void err_try_begin(const char *opt_begin) {
    open_tries.push_back({false, while_cnt});
    while_cnt = 0; // the statements of the body do not end an enclosing WHILE
    statement("BEGIN");
    no_of_tabs++;
    push(BLK_TRY);
    block_opened();
    nested_begins(opt_begin);
}

void err_catch_begin(const char *opt_begin) {
    fill_empty_block();
    if (!open_tries.empty())
        open_tries.back().in_catch = true;
    pop(); // the TRY body
    no_of_tabs--;
    statement("EXCEPTION");
    no_of_tabs++;
    line("WHEN OTHERS THEN");
    no_of_tabs++;
    push(BLK_CATCH);
    block_opened();
    nested_begins(opt_begin);
}

void err_catch_end(const char *opt_begin) {
    fill_empty_block();
    pop(); // the CATCH body
    no_of_tabs -= 2;
    statement("END;");
    if (!open_tries.empty()) {
        while_cnt = open_tries.back().while_cnt;
        open_tries.pop_back();
    }
    check_for_end(str(opt_begin).c_str(), ctl_lookahead());
}

void err_throw(const char *number, const char *message, const char *state) {
    // The target's application errors take one number of -20000 to -20999 and a text: the
    // number is -20999 (as for RAISERROR) and the source's number heads the text.
    statement("raise_application_error(-20999, " + str(number) + " || '-' || " + str(message) +
              " /* state " + str(state) + " */);");
}

void err_rethrow() {
    if (catch_depth() > 0) {
        statement("RAISE;");
        return;
    }
    note(diag::throw_outside_catch);
    statement("/* THROW; */");
}

bool err_throw_follows(int after) {
    return catch_depth() > 0 || (after >= '0' && after <= '9') || after == '-' || after == '@';
}

bool err_function(char *dst, const char *name, const char *args) {
    static const struct {
        const char *source, *target, *local;
    } functions[] = {
        {"ERROR_NUMBER", "SQLCODE", "Tarn_errnum"}, {"ERROR_MESSAGE", "SQLERRM", "Tarn_errtext"},
        {"ERROR_LINE", nullptr, nullptr},           {"ERROR_SEVERITY", nullptr, nullptr},
        {"ERROR_STATE", nullptr, nullptr},          {"ERROR_PROCEDURE", nullptr, nullptr},
    };
    if (name == nullptr || (args != nullptr && args[0] != '\0'))
        return false;
    // The prefix of every name above; its first letter tested first (most calls end there).
    if ((name[0] != 'E' && name[0] != 'e') || strncasecmp(name, "ERROR_", 6) != 0)
        return false;
    for (const auto &f : functions) {
        if (strcasecmp(name, f.source) != 0)
            continue;
        // The condition of an ELSE IF continues the "ELS" already written: no line may come
        // between them, so the diagnostic goes to the log and stays as a comment in the text.
        const bool inline_only = else_if != 0;
        if (f.target == nullptr) {
            if (inline_only) {
                diagnose(diag::error_function_null, yylineno, {f.source});
                val_printf(dst, "NULL /* %s() */", f.source);
            } else {
                note(diag::error_function_null, {f.source});
                val_set(dst, "NULL");
            }
        } else if (sql_statement && !inline_only) {
            declare_locals();
            statement(std::string(f.local) + " := " + f.target + ";");
            val_set(dst, f.local);
        } else {
            if (sql_statement) // inline_only: the query of an ELSE IF condition
                diagnose(diag::error_function_in_query, yylineno, {f.source, f.target});
            val_set(dst, f.target);
        }
        return true;
    }
    return false;
}
