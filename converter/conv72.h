// Run driver of the converter and the work files and output assembly, as one whole
// conversion run from a command line, and the services the rest of the converter calls.
#pragma once

#include "diagnostics.h"

#include <cstdint>
#include <cstdio>

// Runs one conversion as the command line says and returns the exit status (0, 1 or 10; 0
// also after a conversion that failed: conv_error tells, and the kestra program exits 2).
// Every run starts from the program-start state, so one process can run many conversions.
int kestra_main(int argc, char **argv);

// Every fatal stop of the converter (usage errors, file errors, the scanner's overlong-token
// stop, work-file errors, exceeded capacities) calls this instead of exit(). Inside
// kestra_main it unwinds (a private exception type caught by kestra_main), kestra_main closes
// the run's files, removes its work files and returns `status`. Outside kestra_main (a unit
// test calling a routine directly) it flushes the standard streams and calls std::exit.
[[noreturn]] void kestra_exit(int status);

// Runs fn(arg) as kestra_main runs a conversion: a kestra_exit inside it unwinds back here.
// Returns 0 when fn returned, else the status given to kestra_exit. Files fn opened are its
// own to close. For drivers that use the scanner or other routines outside a whole run.
int kestra_guard(void (*fn)(void *), void *arg);

// Stops the run on a source that cannot be read as a source (a read error, a NUL byte) after
// its message is written: no output script or DDL script of the run is left behind, the log
// ends with the run's failure line (naming no unit), and the exit status is 1.
[[noreturn]] void kestra_refuse_source();

// Writes the banner line "Kestra for TSQL Release 4.0.0.0.6  - Beta on <ctime>" to `fp`.
void prtban(FILE *fp);

// End-of-input hook of the scanner: end_of_input = 1, returns 1. C linkage because the
// flex skeleton declares it extern "C" when compiled as C++.
extern "C" int yywrap(void);

// The line-wrapping writer: newline-first flag, indentation depth (tabs), text, stream.
void print_statement(int16_t newline_first, int indent, const char *text, FILE *fp);

// The procedure name cut to at most 27 characters, in a 30-byte buffer. The buffer belongs to
// a per-run pool: it stays valid until the end of the run (reset_conversion_state() or
// release_procname_pool() frees it), so callers never free it.
char *valid_procname(const char *name);
void release_procname_pool();

// Work files. open_tmp_files opens the log (append) and the five work files of a
// unit (yyout, fp1, fp2, fp3, fp72); close_tmp_files assembles the unit onto tmpFile and
// closes them. The work files are memory streams (reused unit after unit): private to the
// run and never left behind, also when the run fails.
void open_tmp_files();
void close_tmp_files();

// Writes a marker of the output assembly (byte 5, or byte 1, digits and byte 1 or 2) to the
// body (yyout) and records where it starts. Only recorded bytes are markers: the same bytes
// coming from the source (inside a literal) reach the output script unchanged.
void write_body_marker(const char *marker);

// Opens the DDL script `name` for writing into ddl_fd (recording the name in ddl_fname)
// unless ddl_fd is already open; when it cannot be created, prints the C library's error
// text for the name and stops the run with exit status 10.
void open_ddl_file(const char *name);
