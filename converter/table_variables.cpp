// Table variables (table_variables.h).
#include "table_variables.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"
#include "data_changes.h"
#include "output.h"
#include "parser.h"

#include <cstdio>
#include <string>
#include <strings.h>
#include <vector>

namespace {

std::vector<std::string> table_variables; // of the unit, as written ("@name")

} // namespace

void tvar_declared(const char *text) {
    if (!tvar_known(text))
        table_variables.emplace_back(text);
}

bool tvar_known(const char *text) {
    for (const std::string &v : table_variables)
        if (strcasecmp(v.c_str(), text) == 0)
            return true;
    return false;
}

void tvar_declare(char *dst, const char *table, const char *elements) {
    firstTime = 0;
    tableFlag = 0;
    const std::string name = table;
    const std::string source = "@" + name.substr(name.compare(0, 5, "temp_") == 0 ? 5 : 0);
    print_tabs();
    diagnose_to(yyout, diag::table_variable, yylineno, {source, name});
    open_unit_ddl_file(".pls");
    fprintf(ddl_fd, "CREATE TABLE %s (\n\tSESSID NUMBER,\n %s \n);\n", table, elements);
    dml_temp_rows_delete(table); // the table is in the temporary-table list since its name
    tot_tmp = 0;
    val_set(dst, "");
}

void tvar_reset() {
    table_variables.clear();
}
