// Declarations with an initial value (initial_values.h).
#include "initial_values.h"

#include "blockstack.h"
#include "convstate.h"
#include "headers.h"
#include "output.h"
#include "parser.h"

#include <cstring>
#include <string>

void decl_initial_value(const char *declared, const char *value) {
    // The variable's name as declared (after any renaming), referenced like any variable.
    const char *end = strstr(declared, " \t");
    const std::string name =
        "@" + (end == nullptr ? std::string(declared) : std::string(declared, end));
    static char ref[YYVALSIZE];
    hdr_parameter_ref(ref, name.c_str());
    if (ifdeclare == 3)
        ifdeclare = 1; // the next variable of the list may have a user type
    const std::string s = std::string(ref) + " := " + value + ";";
    firstTime = 0;
    print_tabs();
    print_statement(0, no_of_tabs, s.c_str(), yyout);
}
