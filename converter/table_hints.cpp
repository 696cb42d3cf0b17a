// Table hints (table_hints.h).
#include "table_hints.h"

#include "blockstack.h"
#include "conv72.h"
#include "convstate.h"
#include "parser.h"

#include <string>

void qry_table_hint(char *dst, const char *hints) {
    const std::string text = "Table hint (" + std::string(hints) + ") dropped";
    print_tabs();
    kestra_diagnostic(yyout, yylineno, text.c_str());
    val_set(dst, "");
}
