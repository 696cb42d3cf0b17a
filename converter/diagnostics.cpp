// Diagnostics: the numbered notes written to the output script and the log, and yyerror.
#include "diagnostics.h"

#include "convstate.h"

#include <cstdio>

void kestra_diagnostic(FILE *script, int line, const char *text) {
    if (script != nullptr)
        fprintf(script, "/*[KESTRA-ERR(%.4d)]:%s*/\n", line, text);
    if (fpLog != nullptr)
        fprintf(fpLog, "[KESTRA-ERR(%.4d)]:[%s(%s)]%s\n", line, iFname, proc_name, text);
}

void yyerror(const char *msg) {
    const char *token = yytext != nullptr ? yytext : "";
    if (fpLog != nullptr)
        fprintf(fpLog, "[KESTRA-ERR(%.4d)]:[%s(%s)]%s Near '%s'\n", yylineno, iFname, proc_name,
                msg, token);
    fprintf(stderr, "%s in %s at line %d near the token '%s'\n", msg, iFname, yylineno, token);
    conv_error = 1;
}
