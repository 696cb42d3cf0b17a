// Table hints (table_hints.h).
#include "table_hints.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"
#include "parser.h"

#include <string>

void qry_table_hint(char *dst, const char *hints) {
    print_tabs();
    diagnose_to(yyout, diag::table_hint, yylineno, {hints});
    val_set(dst, "");
}
