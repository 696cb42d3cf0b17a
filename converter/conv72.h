// Run driver of the converter: one whole conversion run from a command line (options, banner,
// source and output script, parse, report), and the scanner's hook yywrap. The output layer
// is output.h, the assembly of a unit assembly.h, the diagnostics diagnostics.h.
#pragma once

#include "diagnostics.h"

#include <cstdio>

// Runs one conversion as the command line says and returns the exit status (0, 1 or 10; 0
// also after a conversion that failed: conv_error tells, and the kestra program exits 2).
// Every run starts from the program-start state, so one process can run many conversions.
int kestra_main(int argc, char **argv);

// Writes the banner line "Kestra for TSQL Release 4.0.0.0.6  - Beta on <ctime>" to `fp`.
void prtban(FILE *fp);

// End-of-input hook of the scanner: end_of_input = 1, returns 1. C linkage because the
// flex skeleton declares it extern "C" when compiled as C++.
extern "C" int yywrap(void);
