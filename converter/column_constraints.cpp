// Column constraints of CREATE TABLE (column_constraints.h).
#include "column_constraints.h"

#include "convstate.h"
#include "literals.h"
#include "parser.h"

#include <string>

namespace {

// The DEFAULT clause of the column being read ("" when none).
std::string column_default;

// Blank runs outside string literals shortened to one blank, and no blank at the ends (the
// options around a DEFAULT that yields no text).
std::string tidy(const std::string &s) {
    std::string out;
    bool quoted = false;
    for (char c : s) {
        if (c == '\'')
            quoted = !quoted;
        if (!quoted && c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

void ddl_column_def(char *dst, const char *column, const char *type, const char *options) {
    lit_column_type(column, type);
    if (column_default.empty()) {
        val_printf(dst, "%s %s %s", column, type, options);
        return;
    }
    const std::string rest = tidy(options);
    val_printf(dst, "%s %s %s%s%s", column, type, column_default.c_str(), rest.empty() ? "" : " ",
               rest.c_str());
    column_default.clear();
}

void ddl_column_default(char *dst, const char *value) {
    column_default = "DEFAULT " + std::string(value);
    val_set(dst, "");
}

void ddl_column_default_negative(char *dst, const char *number) {
    ddl_column_default(dst, ("-" + std::string(number)).c_str());
}

void ddl_check_constraint(char *dst, const char *check_word, const char *condition) {
    inHaving = 0;
    val_printf(dst, "%s ( %s )", check_word, condition);
}

void ddl_named_constraint(char *dst, const char *name, const char *constraint) {
    if (constraint[0] == '\0')
        val_set(dst, "");
    else
        val_printf(dst, "CONSTRAINT %s %s", name, constraint);
}
