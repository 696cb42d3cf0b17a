// Diagnostics of the converter: the numbered notes it writes to the output script and to the
// log, and the parser's error report.
#pragma once

#include <cstdio>

// A diagnostic in the fixed form, numbered with source line `line`: "/*[KESTRA-ERR(nnnn)]:"
// text "*/" and a newline to `script` (the body or the output script; none when null), and
// "[KESTRA-ERR(nnnn)]:[<iFname>(<proc_name>)]" text and a newline to the log (when open).
void kestra_diagnostic(FILE *script, int line, const char *text);

// The parser's error report: log line, standard-error line, conv_error = 1.
void yyerror(const char *msg);
