// Output layer of the converter: the stop of a run, the line-wrapping writer and the body-line
// helpers of the translation, the unit's work files (memory streams) with the markers of its
// body, the unit's log and the DDL script. The assembly of a unit (assembly.h) and the run
// driver (conv72.h) build on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Stop and unwind.
// ---------------------------------------------------------------------------------------------

// Every fatal stop of the converter (usage errors, file errors, the scanner's overlong-token
// stop, work-file errors, exceeded capacities) calls this instead of exit(). Inside
// kestra_guard (kestra_main runs its conversion there) it unwinds (a private exception type
// caught by kestra_guard), kestra_main closes the run's files, removes its work files and
// returns `status`. Outside (a unit test calling a routine directly) it flushes the standard
// streams and calls std::exit.
[[noreturn]] void kestra_exit(int status);

// Runs fn(arg) as kestra_main runs a conversion: a kestra_exit inside it unwinds back here.
// Returns 0 when fn returned, else the status given to kestra_exit. Files fn opened are its
// own to close. For drivers that use the scanner or other routines outside a whole run.
int kestra_guard(void (*fn)(void *), void *arg);

// Stops the run on a source that cannot be read as a source (a read error, a NUL byte) after
// its message is written: no output script or DDL script of the run is left behind, the log
// ends with the run's failure line (naming no unit), and the exit status is 1.
[[noreturn]] void kestra_refuse_source();

// ---------------------------------------------------------------------------------------------
// Writers.
// ---------------------------------------------------------------------------------------------

// Writes to a stream without taking its lock: a run converts on one thread only. With glibc, a
// write that fits the stream's buffer goes straight into it, as glibc's own putc_unlocked does
// (a stream that must not be written that way, unbuffered or line-buffered or not writing,
// keeps no room in its buffer, so its writes go through fwrite).
inline void put_bytes(const char *s, size_t n, FILE *fp) {
#if defined(__GLIBC__)
    if (static_cast<size_t>(fp->_IO_write_end - fp->_IO_write_ptr) >= n) {
        memcpy(fp->_IO_write_ptr, s, n);
        fp->_IO_write_ptr += n;
        return;
    }
    fwrite_unlocked(s, 1, n, fp);
#else
    fwrite(s, 1, n, fp);
#endif
}
// put_bytes for a run of at most 16 bytes from a source that holds 16 readable bytes: where the
// stream's buffer has room for 16, they are copied whole (one fixed-size move, no call) and the
// buffer advances by `n`.
inline void put_run16(const char *s16, size_t n, FILE *fp) {
#if defined(__GLIBC__)
    if (fp->_IO_write_end - fp->_IO_write_ptr >= 16) {
        memcpy(fp->_IO_write_ptr, s16, 16);
        fp->_IO_write_ptr += n;
        return;
    }
#endif
    put_bytes(s16, n, fp);
}
inline void put_text(const char *s, FILE *fp) {
    put_bytes(s, strlen(s), fp);
}
inline void put_char(char c, FILE *fp) {
#if defined(__GLIBC__)
    putc_unlocked(c, fp);
#else
    fputc(c, fp);
#endif
}

// The line-wrapping writer: newline-first flag, indentation depth (tabs), text, stream.
void print_statement(int16_t newline_first, int indent, const char *text, FILE *fp);

// `n` tabs to `fp` (nothing for n <= 0).
void write_tabs(int n, FILE *fp);

// `s` as a string; "" for nullptr.
inline std::string str(const char *s) {
    return s == nullptr ? std::string() : std::string(s);
}

// A body line: a new line at the current indentation (print_tabs), then the `n` bytes of
// `text`, to yyout. A constant line is written as it is, without a string made for it, and its
// length is known where it is written.
void line_bytes(const char *text, size_t n);
inline void line(const char *text) {
    line_bytes(text, strlen(text));
}
inline void line(const std::string &text) {
    line_bytes(text.data(), text.size());
}

// A statement line of the body: firstTime cleared (unless `keep_first`), then line(text).
void statement(const char *text, bool keep_first = false);
inline void statement(const std::string &text, bool keep_first = false) {
    statement(text.c_str(), keep_first);
}

// ---------------------------------------------------------------------------------------------
// The unit's work files and log.
// ---------------------------------------------------------------------------------------------

// Opens the log (append) and the five work files of a unit (yyout, fp1, fp2, fp3, fp72). The
// work files are memory streams (reused unit after unit): private to the run and never left
// behind, also when the run fails. close_tmp_files (assembly.h) assembles them.
void open_tmp_files();

// Writes a marker of the output assembly (byte 5, or byte 1, digits and byte 1 or 2) to the
// body (yyout) and records where it starts. Only recorded bytes are markers: the same bytes
// coming from the source (inside a literal) reach the output script unchanged.
void write_body_marker(const char *marker);

// Where the recorded markers of the unit's body start (offsets into yyout, in writing order).
const std::vector<size_t> &body_marker_offsets();

// The whole body (yyout) from its start; the text stays valid until the body is written again,
// the next call or the end of the run.
std::string_view read_body_file();

// Copies a work file onto tmpFile; `before` (if any) is written just before its first byte.
// Returns whether the file held anything.
bool copy_work_file(FILE *&fp, const char *before = nullptr);

// Closes the unit's log. A deferred open of the log that failed during the unit stops the run
// (status 1) as the open at the unit's start would have.
void close_unit_log();

// Closes the five work files of the unit: their streams and storage are kept for the next
// unit's files, emptied when it opens them, and freed with the run's files.
void close_work_files();

// ---------------------------------------------------------------------------------------------
// Files of the run.
// ---------------------------------------------------------------------------------------------

// Opens the DDL script `name` for writing into ddl_fd (recording the name in ddl_fname)
// unless ddl_fd is already open; when it cannot be created, prints the C library's error
// text for the name and stops the run with exit status 10.
void open_ddl_file(const char *name);

// The DDL file of the run, "ddl_<unit><extension>" (".sql" for SELECT INTO a temporary table,
// ".pls" for CREATE TABLE): opened once for the run, by whichever comes first; "/" and "\" of
// the unit name (proc_name) become "_", so it is always made in the current directory. When it
// cannot be made: the system error for the name and exit status 10.
void open_unit_ddl_file(const char *extension);

// Closes `fp` unless it is null or a standard stream, and sets it to nullptr.
void close_file(FILE *&fp);

// Closes a file the run wrote for the user (the output script, the DDL script). A write that
// failed on the way (a full disk, a quota) or at the close stops the run with status 1 after
// "kestra: cannot write <name>: <reason>", and the file is removed.
void close_written_file(FILE *&fp, const char *name);

// Closes everything the run may hold open (source, work files, log, output script, DDL
// script) and frees the work files' storage. Safe to call twice.
void release_run_files();
