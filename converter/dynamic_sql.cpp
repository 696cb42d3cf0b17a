// Dynamic SQL and remote procedure names of EXECUTE (dynamic_sql.h).
#include "dynamic_sql.h"

#include "blockstack.h"
#include "control.h"
#include "convstate.h"
#include "diagnostics.h"
#include "expressions.h"
#include "parser.h"
#include "textwalk.h"

#include <string>
#include <strings.h>

namespace {

// BEGIN, the diagnostic, EXECUTE IMMEDIATE of the string and the call's end (as for a call).
void execute_immediate(const std::string &sql, bool with_parameters) {
    firstTime = 0;
    print_tabs();
    fputs("BEGIN", yyout);
    print_tabs();
    diagnose_to(yyout, with_parameters ? diag::dynamic_sql_parameters : diag::dynamic_sql,
                yylineno);
    print_tabs();
    fprintf(yyout, "EXECUTE IMMEDIATE %s;", sql.c_str());
    ctl_call_end();
}

} // namespace

void stm_execute_immediate(const char *expression) {
    execute_immediate(xpr_concat_text(expression), false);
}

bool stm_sp_executesql(const char *name, const char *params) {
    if (strcasecmp(name, "sp_executesql") != 0 || params == nullptr || params[0] == '\0')
        return false;
    // The statement is the first argument: up to the first comma outside literals and
    // parentheses.
    const std::vector<std::string> items = top_level_items(params);
    execute_immediate(xpr_concat_text(items[0]), items.size() > 1);
    return true;
}

void stm_remote_name(char *dst, const char *const *parts, int count) {
    const std::string server = parts[0], owner = count >= 4 ? parts[count - 2] : "",
                      name = parts[count - 1];
    std::string call = owner.empty() || owner == "dbo" ? name : owner + "." + name;
    call += "@" + server;
    std::string source = server;
    for (int i = 1; i < count; i++)
        source += "." + std::string(parts[i]);
    print_tabs();
    diagnose_to(yyout, diag::remote_procedure, yylineno, {source, server});
    val_set(dst, call.c_str());
}
