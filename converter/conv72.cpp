// Run driver: options, banner, usage texts, run order, report,
// yywrap, print_statement, valid_procname; work files and output assembly.
#include "conv72.h"

#include "convstate.h"
#include "keyword.h"
#include "parser.h"
#include "row_limits.h"
#include "scanner.h"
#include "unitname.h"
#include "usertype.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>
#include <sys/stat.h>
#if defined(__GLIBC__)
#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>
#endif

namespace {

// Thrown by kestra_exit inside kestra_main.
struct kestra_stop {
    int status;
};
int run_depth = 0;

// The source and the output script go through large stdio buffers: a few system calls per
// megabyte instead of one per 4 or 8 KB. A run holds at most one of each open (both are closed
// with the run's files), so each uses one buffer for the whole process.
char input_buffer[1 << 16];
char output_buffer[1 << 18];

void large_buffer(FILE *fp, char *buffer, size_t size) {
    setvbuf(fp, buffer, _IOFBF, size);
#if defined(__GLIBC__)
    __fsetlocking(fp, FSETLOCKING_BYCALLER); // single-threaded: no lock on every write
#endif
}
bool log_opened_in_run = false;  // the run has opened its log (reset with the run's files)
bool conversion_started = false; // the run got as far as its log: a stop then logs a failure
bool output_created = false;     // the run created (or truncated) its output script

// The banner's constants.
const char vsnban[] = "Kestra for TSQL Release %d.%d.%d.%d.%d %s";
const uint32_t release_number = 0x04000006;
const char rel_status[6][23] = {
    " - Production",         " - Beta", " - Alpha", " - Development", " - Limited Production",
    " - Developer's Release"};

const char *const usage_lines[] = {
    "-F<Default Return Value> for Function, or, -P for Procedure, or, -B for PowerBuilder\n",
    "-R for Returning Resultset, or, -I for Returning Arguments\n",
};
// The lines that the usage and the invalid-switch texts share, from "-X" on.
const char *const common_lines[] = {
    "-X for No Execption\n",
    "-D for Debug\n",
    "-N for No Procedure Name Prefix For Variables\n",
    "-C for Skip Comments\n",
    "-A for Use Of Alias Name\n",
    "-O for Conversion of IN Arguments to IN OUT Arguments\n",
    "   When 0 (Defaulted), No Conversion will be Done\n",
    "   When 1, Value Assignment of IN Arguments will Convert the IN Argument to IN OUT\n",
    ("   When 2, Value Assignment of IN Argument will introduce an extra IN OUT Argument with "
     "prefix in_\n"),
    "-U <DataTypeFile> (For ",
    "User Defined Datatype)\n",
};

void print_usage(const char *prog, FILE *fp) {
    fprintf(fp,
            "USAGE: %s [-F<Default Return Value> || -P || -B] [-R || -I] [-X -D -N -C -A "
            "{-O<0 || 1 || 2>} {-U <DataTypefile>}] <input_file_name>\n",
            prog);
    for (const char *l : usage_lines)
        fputs(l, fp);
    for (const char *l : common_lines)
        fputs(l, fp);
}

// The invalid-switch text, then a line naming the argument that was refused.
[[noreturn]] void invalid_switch(const char *why) {
    fputs("Invalid switch\n", stderr);
    fputs("You can specify ", stderr);
    fputs("one of the following ", stderr);
    fputs("values only: \n", stderr);
    fputs("-F<Default Return Value> for Function, or, -P for Procedure, or, -B for PowerBuilder\n",
          stderr);
    fputs("-R for Resultset, or -I for Arguments\n", stderr);
    for (const char *l : common_lines)
        fputs(l, stderr);
    fprintf(stderr, "kestra: %s\n", why);
    kestra_exit(1);
}

// "--help" (the usage on standard output) and "--version" (the banner alone) end the run
// with status 0 wherever they stand among the arguments.
void help_or_version(int argc, char **argv, const char *prog) {
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0) {
            print_usage(prog, stdout);
            fputs("Writes <input_file_name>.pls beside the source; KESTRA.log and the DDL "
                  "scripts in the current directory.\n"
                  "Exit status: 0 converted, 2 failed to convert, 1 refused (usage, files, "
                  "limits), 10 DDL script not created.\n",
                  stdout);
            kestra_exit(0);
        }
        if (strcmp(argv[i], "--version") == 0)
            kestra_exit(0);
    }
}

// Refusal of a value that does not fit its width.
[[noreturn]] void too_long(const char *what, const char *value, size_t limit) {
    fprintf(stderr, "kestra: %s is longer than %zu characters: %s\n", what, limit, value);
    kestra_exit(1);
}

// The valid_procname buffers of the run.
std::vector<std::unique_ptr<char[]>> procname_pool;

void close_file(FILE *&fp) {
    if (fp != nullptr && fp != stdin && fp != stdout && fp != stderr)
        fclose(fp);
    fp = nullptr;
}

// Closes a file the run wrote for the user (the output script, the DDL script). A write that
// failed on the way (a full disk, a quota) or at the close stops the run with status 1, so a
// script that lacks its end is never reported as converted, and the file is removed.
void close_written_file(FILE *&fp, const char *name) {
    if (fp == nullptr)
        return;
    const bool failed = ferror(fp) != 0;
    const int closed = fclose(fp);
    const int why = errno;
    fp = nullptr;
    if (failed || closed != 0) {
        fprintf(stderr, "kestra: cannot write %s: %s\n", name, strerror(why != 0 ? why : EIO));
        remove(name);
        kestra_exit(1);
    }
}

void release_work_buffers();

// Closes everything the run may hold open; the work files are in memory, so nothing of them
// outlives the run. Safe to call twice.
void release_run_files() {
    close_file(yyin);
    close_file(yyout);
    close_file(fp1);
    close_file(fp2);
    close_file(fp3);
    close_file(fp72);
    close_file(fpLog);
    close_file(tmpFile);
    close_file(ddl_fd);
    release_work_buffers();
    log_opened_in_run = false;
    FreeList();
}

// Appends the run's last log line: success, or failure naming the unit being converted.
// Returns false when the log cannot be opened.
bool log_run_result(bool success) {
    fpLog = fopen("KESTRA.log", "a");
    if (fpLog == nullptr)
        return false;
    if (success)
        fprintf(fpLog, "[KESTRA-MSG(OKEY)]:[%s(%s)] Conversion Successful\n", iFname, "SUCCESS");
    else
        fprintf(fpLog, "[KESTRA-MSG(FAIL)]:[%s(%s)] Conversion Failed\n", iFname, proc_name);
    close_file(fpLog);
    return true;
}

void final_report() {
    // Surplus ENDs of any unit make the code negative: minus their number.
    const int code = surplus_ends > 0 ? -surplus_ends : stack_ptr;
    if (conv_error == 0)
        printf("Successfully converted. RETCODE = %d\n", code);
    else
        printf("Failed to convert. RETCODE = %d\n", code);
    if (!log_run_result(conv_error == 0))
        perror("KESTRA.log");
}

int run(int argc, char **argv) {
    reset_conversion_state();
    // 1. Banner.
    prtban(stdout);
    // 2.
    yydebug = 0;
    text_copy(RetCode, sizeof RetCode, "0");
    memset(userfile, 0, sizeof userfile);
    // 3.
    const char *prog = argc > 0 && argv[0] != nullptr ? argv[0] : "kestra";
    if (argc < 2) {
        print_usage(prog, stderr);
        kestra_exit(1);
    }
    help_or_version(argc, argv, prog);
    std::vector<const char *> skipped; // further source names: only the last is converted
    // 4. Options: every argument, the source name included, when there are two or more.
    if (argc >= 3) {
        for (int i = 1; i < argc; i++) {
            const char *arg = argv[i];
            if (arg[0] != '-') {
                if (i < argc - 1)
                    skipped.push_back(arg);
                continue;
            }
            switch (toupper(static_cast<unsigned char>(arg[1]))) {
            case 'F':
                function = 1;
                procedure = 0;
                powerbuilder = 0;
                if (arg[2] != '\0') {
                    if (strlen(arg + 2) >= sizeof RetCode)
                        too_long("the default return value of -F", arg + 2, sizeof RetCode - 1);
                    text_copy(RetCode, sizeof RetCode, arg + 2);
                }
                break;
            case 'P':
                procedure = 1;
                function = 0;
                powerbuilder = 0;
                default_opt = 0;
                break;
            case 'B':
                powerbuilder = 1;
                procedure = 0;
                function = 0;
                mult_row_fn = 0;
                result_set_fn = 0;
                default_opt = 0;
                break;
            case 'R':
                result_set_fn = 1;
                mult_row_fn = 0;
                break;
            case 'I':
                result_set_fn = 0;
                mult_row_fn = 0;
                break;
            case 'X':
                noexception = 0;
                break;
            case 'D':
                yydebug = 1;
                break;
            case 'N':
                prefix_name = 0;
                break;
            case 'C':
                nocomments = 1;
                break;
            case 'A':
                use_alias = 1;
                break;
            case 'O':
                if (strcmp(arg + 2, "1") == 0)
                    arg_option = 1;
                else if (strcmp(arg + 2, "2") == 0)
                    arg_option = 2;
                break;
            case 'U': {
                const char *name = arg + 2;
                if (*name == '\0') {
                    if (i + 1 >= argc) {
                        fprintf(stderr, "kestra: -U needs a user datatype file name\n");
                        kestra_exit(1);
                    }
                    name = argv[++i];
                    if (name[0] == '-')
                        invalid_switch(
                            (std::string("-U must be followed by a file name, not ") + name)
                                .c_str());
                }
                if (strlen(name) >= sizeof userfile)
                    too_long("the user datatype file name", name, sizeof userfile - 1);
                text_copy(userfile, sizeof userfile, name);
                break;
            }
            default:
                invalid_switch((std::string("unknown switch ") + arg).c_str());
            }
        }
    }
    for (const char *name : skipped)
        fprintf(stderr,
                "kestra: %s not converted: kestra converts one source file, its last argument; "
                "kestra-batch converts several\n",
                name);
    // 6 (checked before loading). The source name and the output name must fit 127 bytes.
    const char *source = argv[argc - 1];
    if (strlen(source) + strlen(".pls") >= sizeof oFname)
        too_long("the input file name", source, sizeof oFname - 1 - strlen(".pls"));
    // 5.
    if (userfile[0] != '\0')
        LoadUserType(userfile);
    // 6.
    text_copy(iFname, sizeof iFname, source);
    text_copy(oFname, sizeof oFname, iFname);
    text_append(oFname, sizeof oFname, ".pls");
    // 7.
    yyin = fopen(iFname, "r");
    if (yyin == nullptr) {
        const int why = errno;
        fprintf(stderr, "Cannot open input file : %s\n", iFname);
        fprintf(stderr, "kestra: %s: %s\n", iFname, strerror(why));
        kestra_exit(1);
    }
    large_buffer(yyin, input_buffer, sizeof input_buffer);
    // A directory or a device is no source: refused before the output script is created.
    struct stat st;
    if (fstat(fileno(yyin), &st) == 0 &&
        (S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))) {
        fprintf(stderr, "kestra: cannot read %s: %s\n", iFname,
                S_ISDIR(st.st_mode) ? strerror(EISDIR) : "Is a device, not a source file");
        kestra_exit(1);
    }
    // 8.
    tmpFile = fopen(oFname, "w");
    output_created = tmpFile != nullptr;
    if (tmpFile == nullptr) {
        const int why = errno;
        fprintf(stderr, "Cannot open output file : %s\n", oFname);
        fprintf(stderr, "kestra: %s: %s\n", oFname, strerror(why));
        kestra_exit(1);
    }
    large_buffer(tmpFile, output_buffer, sizeof output_buffer);
    // 9. Keyword table; the scanner starts afresh on the new source, in its outer state.
    init_lex();
    scanner_reset(yyin);
    // 10.
    open_tmp_files();
    conversion_started = true;
    // 11.
    yyparse();
    // 12.
    FreeList();
    // 13.
    close_tmp_files();
    // 14. (The work files live in memory: closing them removed them.)
    close_file(yyin);
    close_written_file(tmpFile, oFname);
    close_written_file(ddl_fd, ddl_fname);
    // 15. A source without any unit says so, besides the parser's report.
    if (!scanner_found_unit())
        fprintf(stderr, "kestra: no procedure or trigger found in %s\n", iFname);
    final_report();
    return 0;
}

} // namespace

void kestra_exit(int status) {
    if (run_depth > 0)
        throw kestra_stop{status};
    fflush(stdout);
    fflush(stderr);
    std::exit(status);
}

int kestra_main(int argc, char **argv) {
    int status;
    run_depth++;
    conversion_started = false;
    output_created = false;
    try {
        status = run(argc, argv);
    } catch (const kestra_stop &stop) {
        status = stop.status;
    }
    run_depth--;
    const bool ddl_made = ddl_fd != nullptr;
    release_run_files();
    // A run stopped with status 1 or 10 (an exceeded limit, an unreadable source, a DDL script
    // that cannot be created) leaves no partial output script or DDL script behind; a unit
    // that fails with a syntax error completes the run and keeps its output.
    if (status != 0) {
        if (output_created)
            remove(oFname);
        if (ddl_made)
            remove(ddl_fname);
    }
    output_created = false;
    // A run stopped during the conversion (an exceeded limit, an input or output failure)
    // ends its log like every failed run; its message is already on standard error.
    if (status != 0 && conversion_started)
        log_run_result(false);
    conversion_started = false;
    release_procname_pool();
    fflush(stdout);
    fflush(stderr);
    return status;
}

int kestra_guard(void (*fn)(void *), void *arg) {
    struct depth {
        depth() { run_depth++; }
        ~depth() { run_depth--; }
    } in_run;
    try {
        fn(arg);
    } catch (const kestra_stop &stop) {
        return stop.status;
    }
    return 0;
}

void kestra_refuse_source() {
    // The source is refused as a whole (the reader runs ahead of the parse): the failure line
    // names no unit.
    proc_name[0] = '\0';
    kestra_exit(1);
}

void prtban(FILE *fp) {
    const uint32_t r = release_number;
    fprintf(fp, vsnban, static_cast<int>((r >> 24) & 0xff), static_cast<int>((r >> 20) & 0xf),
            static_cast<int>((r >> 12) & 0xff), static_cast<int>((r >> 8) & 0xf),
            static_cast<int>(r & 0xff), rel_status[1]);
    time_t now = time(nullptr);
    char date[64];
    struct tm tmv;
    if (localtime_r(&now, &tmv) == nullptr ||
        strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y\n", &tmv) == 0)
        text_copy(date, sizeof date, "Thu Jan  1 00:00:00 1970\n");
    fprintf(fp, " on %s", date);
}

extern "C" int yywrap(void) {
    end_of_input = 1;
    return 1;
}

static void write_tabs(int n, FILE *fp) {
    static const char tabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    for (; n > 0; n -= 16)
        fwrite(tabs, 1, static_cast<size_t>(n < 16 ? n : 16), fp);
}

// The end of the quoted text (a string literal or a quoted identifier) that opens at `p`: the
// byte after its closing quote (a doubled quote inside stays inside), or the end of the text.
static const char *quoted_end(const char *p) {
    const char quote = *p++;
    while (*p != '\0') {
        if (*p++ == quote) {
            if (*p != quote)
                return p;
            p++;
        }
    }
    return p;
}

void print_statement(int16_t newline_first, int indent, const char *text, FILE *fp) {
    if (newline_first != 0 && text[0] != '\n') {
        fputc('\n', fp);
        write_tabs(indent, fp);
    }
    // Runs of plain characters are written whole; tabs are dropped, a newline is followed by
    // the indentation, and a blank past column 60 breaks the line (continuation: 3 blanks).
    // A string literal or a quoted identifier is written as it is, never broken: its tabs and
    // newlines are part of its value. Quotes inside a comment open nothing.
    int col = 0;
    const char *p = text;
    bool comment = false;
    auto opens = [&comment](const char *c) {
        return !comment && (*c == '\'' || *c == '"' || (*c == '/' && c[1] == '*'));
    };
    auto closes = [&comment](const char *c) { return comment && *c == '*' && c[1] == '/'; };
    while (*p != '\0') {
        const char *q = p;
        while (*q != '\0' && *q != '\t' && *q != '\n' && !(*q == ' ' && col + (q - p) > 60) &&
               !opens(q) && !closes(q))
            q++;
        bool quoted_or_comment = true;
        if (opens(q) && *q != '/') {
            q = quoted_end(q);
        } else if (opens(q)) {
            comment = true;
            q += 2;
        } else if (closes(q)) {
            comment = false;
            q += 2;
        } else {
            quoted_or_comment = false;
        }
        if (q > p) {
            fwrite(p, 1, static_cast<size_t>(q - p), fp);
            const void *nl = memchr(p, '\n', static_cast<size_t>(q - p));
            if (nl != nullptr) // a newline inside a literal: the column starts again after it
                col = static_cast<int>(q - static_cast<const char *>(nl)) - 1;
            else
                col += static_cast<int>(q - p);
        }
        p = q;
        if (*p == '\0')
            break;
        if (quoted_or_comment)
            continue;
        const char ch = *p++;
        if (ch == '\t')
            continue;
        fputc(ch, fp);
        if (ch == '\n') {
            write_tabs(indent, fp);
            col = 0;
        } else { // a blank past column 60
            fputc('\n', fp);
            write_tabs(indent, fp);
            fputs("   ", fp);
            col = 0;
        }
    }
}

char *valid_procname(const char *name) {
    std::unique_ptr<char[]> buf(new char[30]());
    text_copy(buf.get(), 28, name);
    char *result = buf.get();
    procname_pool.push_back(std::move(buf));
    return result;
}

void release_procname_pool() {
    procname_pool.clear();
    procname_pool.shrink_to_fit();
}

// Where the markers of the unit's body start (offsets into work file 1, in writing order).
static std::vector<size_t> body_markers;

void write_body_marker(const char *marker) {
    const long at = ftell(yyout);
    if (at >= 0)
        body_markers.push_back(static_cast<size_t>(at));
    fputs(marker, yyout);
}

void open_ddl_file(const char *name) {
    if (ddl_fd != nullptr)
        return;
    text_copy(ddl_fname, sizeof ddl_fname, name);
    ddl_fd = fopen(ddl_fname, "w");
    if (ddl_fd == nullptr) {
        perror(ddl_fname);
        kestra_exit(10);
    }
}

// ---------------------------------------------------------------------------------------------
// Work files and output assembly.
// ---------------------------------------------------------------------------------------------

namespace {

// The work files live in memory: private to the run by construction, never left behind, and
// opening, rewinding and closing them costs no system call. A closed work file hands its
// storage back to a small pool, so the next unit's files reuse it; what the pool holds is
// bounded by the largest unit, whatever the length of the source.
struct work_buffer {
    std::vector<char> bytes; // storage; its size is the capacity
    size_t length = 0;       // bytes written
    size_t pos = 0;          // read/write position
};
constexpr int WORK_POOL = 5; // one per work file of a unit
std::unique_ptr<work_buffer> work_pool[WORK_POOL];
std::string body_bytes; // the body read back for the assembly

#if defined(__GLIBC__)
ssize_t work_read(void *cookie, char *buf, size_t n) {
    work_buffer *w = static_cast<work_buffer *>(cookie);
    if (w->pos >= w->length)
        return 0;
    size_t k = std::min(n, w->length - w->pos);
    memcpy(buf, w->bytes.data() + w->pos, k);
    w->pos += k;
    return static_cast<ssize_t>(k);
}

ssize_t work_write(void *cookie, const char *buf, size_t n) {
    work_buffer *w = static_cast<work_buffer *>(cookie);
    if (n > static_cast<size_t>(SSIZE_MAX) || w->pos > static_cast<size_t>(SSIZE_MAX) - n)
        return 0;
    const size_t end = w->pos + n;
    if (end > w->bytes.size()) {
        try {
            w->bytes.resize(std::max(end, w->bytes.size() * 2));
        } catch (const std::exception &) {
            errno = ENOMEM;
            return 0; // a write error of the stream
        }
    }
    if (w->pos > w->length) // written past the end after a seek: the gap reads as zeros
        memset(w->bytes.data() + w->length, 0, w->pos - w->length);
    memcpy(w->bytes.data() + w->pos, buf, n);
    w->pos = end;
    w->length = std::max(w->length, end);
    return static_cast<ssize_t>(n);
}

int work_seek(void *cookie, off64_t *offset, int whence) {
    work_buffer *w = static_cast<work_buffer *>(cookie);
    off64_t base;
    if (whence == SEEK_SET)
        base = 0;
    else if (whence == SEEK_CUR)
        base = static_cast<off64_t>(w->pos);
    else if (whence == SEEK_END)
        base = static_cast<off64_t>(w->length);
    else
        return -1;
    if (*offset < -base || *offset > static_cast<off64_t>(SSIZE_MAX) - base) {
        errno = EINVAL;
        return -1;
    }
    *offset += base;
    w->pos = static_cast<size_t>(*offset);
    return 0;
}

int work_close(void *cookie) {
    std::unique_ptr<work_buffer> w(static_cast<work_buffer *>(cookie));
    for (std::unique_ptr<work_buffer> &slot : work_pool) {
        if (!slot) {
            slot = std::move(w);
            break;
        }
    }
    return 0; // a buffer the pool cannot take is freed here
}
#endif

// Opens an empty work file for writing and, after rewind_work_file, reading.
FILE *open_work_file() {
    FILE *fp = nullptr;
#if defined(__GLIBC__)
    std::unique_ptr<work_buffer> w;
    for (std::unique_ptr<work_buffer> &slot : work_pool) {
        if (slot) {
            w = std::move(slot);
            break;
        }
    }
    if (!w)
        w.reset(new (std::nothrow) work_buffer);
    if (w) {
        w->length = 0;
        w->pos = 0;
        fp = fopencookie(w.get(), "w+",
                         cookie_io_functions_t{work_read, work_write, work_seek, work_close});
        if (fp != nullptr) {
            w.release(); // the stream owns it now: work_close takes it back
            // The converter is single-threaded: no stream lock on every getc and putc (the
            // C library locks streams with callbacks by default).
            __fsetlocking(fp, FSETLOCKING_BYCALLER);
        }
    } else {
        errno = ENOMEM;
    }
#else
    fp = tmpfile(); // anonymous: removed by the system when closed or when the process ends
#endif
    if (fp == nullptr) {
        fputs("Cannot open temporary output file\n", stderr);
        perror("Open()");
        kestra_exit(1);
    }
    return fp;
}

// Frees the pooled work-file storage (at the end of a run, with every work file closed).
void release_work_buffers() {
    for (std::unique_ptr<work_buffer> &slot : work_pool)
        slot.reset();
    std::string().swap(body_bytes);
}

// Rewinds a work file for reading (instead of closing and reopening it).
void rewind_work_file(FILE *&fp) {
    if (fp == nullptr || fflush(fp) != 0 || fseek(fp, 0L, SEEK_SET) != 0) {
        fputs("Cannot open temporary file\n", stdout);
        close_file(fp);
        kestra_exit(1);
    }
}

// The whole of a work file from its start, into `into`.
void read_work_file(FILE *&fp, std::string &into) {
    rewind_work_file(fp);
    into.clear();
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0)
        into.append(buf, n);
}

// Copies a work file onto tmpFile; `before` (if any) is written just before its first byte.
// Returns whether the file held anything.
bool copy_work_file(FILE *&fp, const char *before = nullptr) {
    rewind_work_file(fp);
    char buf[8192];
    size_t n;
    bool any = false;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0) {
        if (!any && before != nullptr)
            fputs(before, tmpFile);
        any = true;
        fwrite(buf, 1, n, tmpFile);
    }
    return any;
}

void head(const char *kind) {
    fprintf(tmpFile, "\nCREATE OR REPLACE %s %s", kind, unit_head_name().c_str());
}

// The support functions of step 13, each piece an exact literal.
const char *const basechar_text[] = {
    "\nCREATE OR REPLACE FUNCTION BASECHAR(",
    "\nP1 NUMBER,",
    "\nBASE NUMBER)",
    "\nRETURN VARCHAR2",
    "\nAS",
    "\nDIGITSTRING VARCHAR2(16) := '0123456789ABCDEF';",
    "\nINTVALUE INTEGER;",
    "\nREMAINDER INTEGER;",
    "\nRETURNVALUE VARCHAR2(100);",
    "\nBEGIN",
    "\n\tINTVALUE := FLOOR(P1/BASE);",
    "\n\tREMAINDER := MOD(P1,BASE);",
    "\n\tRETURNVALUE := SUBSTR(DIGITSTRING,REMAINDER+1,1);",
    "\n\tWHILE INTVALUE > 0 LOOP",
    "\n\t\tREMAINDER := MOD(INTVALUE,BASE);",
    "\n\t\tINTVALUE := FLOOR(INTVALUE/BASE);",
    "\n\t\tRETURNVALUE := SUBSTR(DIGITSTRING,REMAINDER+1,1) || RETURNVALUE;",
    "\n\tEND LOOP;",
    "\n\tRETURN RETURNVALUE;",
    "\nEND BASECHAR;",
    nullptr};
const char *const bitnand_text[] = {"\nCREATE OR REPLACE FUNCTION BITNAND(",
                                    "\np1 NUMBER,",
                                    "\np2 NUMBER)",
                                    "\nRETURN NUMBER",
                                    "\nAS",
                                    "\nbits1 VARCHAR2(100);",
                                    "\nbits2 VARCHAR2(100);",
                                    "\nbitsout VARCHAR2(100);",
                                    "\nnbits NUMBER;",
                                    "\nloopc NUMBER;",
                                    "\ncbit CHAR(1);",
                                    "\nBEGIN",
                                    "\n\tbits1 := BASECHAR(p1, 2);",
                                    "\n\tbits2 := BASECHAR(p2, 2);",
                                    "\n\tnbits := GREATEST(LENGTH(bits1), LENGTH(bits2));",
                                    "\n\tbitsout := '';",
                                    "\n\tbits1 := LPAD(bits1, nbits, '0');",
                                    "\n\tbits2 := LPAD(bits2, nbits, '0');",
                                    "\n\tFOR loopc IN 1..nbits LOOP",
                                    "\n\t\tIF SUBSTR(bits2, loopc, 1) = '1' THEN",
                                    "\n\t\t\tcbit := '0';",
                                    "\n\t\tELSE",
                                    "\n\t\t\tcbit := '1';",
                                    "\n\t\tEND IF;",
                                    "\n\t\tIF SUBSTR(bits1, loopc, 1) = '1' AND cbit = '1' THEN",
                                    "\n\t\t\tbitsout := cbit || bitsout;",
                                    "\n\t\tELSE",
                                    "\n\t\t\tbitsout := '0' || bitsout;",
                                    "\n\t\tEND IF;",
                                    "\n\tEND LOOP;",
                                    "\n\tRETURN(CHARBASE(bitsout, 2));",
                                    "\nEND BITNAND;",
                                    nullptr};
const char *const charbase_text[] = {"\nCREATE OR REPLACE FUNCTION CHARBASE(",
                                     "\np1 VARCHAR2,",
                                     "\nbase NUMBER)",
                                     "\nRETURN NUMBER",
                                     "\nAS",
                                     "\ndigitstring VARCHAR2(16) := '0123456789ABCDEF';",
                                     "\nreturnvalue NUMBER := 0;",
                                     "\ncnum NUMBER;",
                                     "\nloopc NUMBER;",
                                     "\nBEGIN",
                                     "\n\tFOR loopc IN 1..LENGTH(p1) LOOP",
                                     "\n\t\tcnum := INSTR(digitstring, SUBSTR(p1, loopc, 1));",
                                     "\n\t\treturnvalue := (returnvalue * base) + (cnum - 1);",
                                     "\n\tEND LOOP;",
                                     "\n\tRETURN returnvalue;",
                                     "\nEND CHARBASE;",
                                     nullptr};
const char *const patindex_text[] = {
    "\nCREATE OR REPLACE FUNCTION PATINDEX(",
    "\nS1 VARCHAR2,",
    "\nS2 VARCHAR2)",
    "\nRETURN INTEGER",
    "\nAS",
    "\nPPOS INTEGER;",
    "\nOPOS INTEGER := 0;",
    "\nTYPE STABTYP IS TABLE OF VARCHAR2(100) INDEX BY BINARY_INTEGER;",
    "\nSTAB STABTYP;",
    "\nLOOPC INTEGER;",
    "\nSTARTPOS INTEGER;",
    "\nCURPOS INTEGER;",
    "\nSSTRING VARCHAR2(100);",
    "\nBEGIN",
    "\n\tPPOS := INSTR(S1,'%');",
    "\n\tWHILE PPOS != 0 LOOP",
    "\n\t\tSSTRING := SUBSTR(S1,OPOS+1,PPOS-OPOS-1);",
    "\n\t\tIF SSTRING IS NOT NULL THEN",
    "\n\t\t\tSTAB(STAB.COUNT+1) := SSTRING;",
    "\n\t\tEND IF;",
    "\n\t\tOPOS := PPOS;",
    "\n\t\tPPOS := INSTR(S1,'%',OPOS+1);",
    "\n\tEND LOOP;",
    "\n\tSSTRING := SUBSTR(S1,OPOS+1);",
    "\n\tIF SSTRING IS NOT NULL THEN",
    "\n\t\tSTAB(STAB.COUNT+1) := SSTRING;",
    "\n\tEND IF;",
    "\n\tSTARTPOS := INSTR(S2,STAB(1));",
    "\n\tIF STARTPOS > 0 THEN",
    "\n\t\tCURPOS := STARTPOS + 1;",
    "\n\t\tFOR LOOPC IN 2..STAB.COUNT LOOP",
    "\n\t\t\tCURPOS := INSTR(S2,STAB(LOOPC),CURPOS);",
    "\n\t\t\tIF CURPOS = 0 THEN",
    "\n\t\t\t\tSTARTPOS := 0;",
    "\n\t\t\t\tEXIT;",
    "\n\t\t\tEND IF;",
    "\n\t\t\tCURPOS := CURPOS + 1;",
    "\n\t\tEND LOOP;",
    "\n\tEND IF;",
    "\n\tRETURN STARTPOS;",
    "\nEND PATINDEX;",
    nullptr};

void support_function(const char *const *pieces) {
    for (; *pieces != nullptr; pieces++)
        fputs(*pieces, tmpFile);
    fputs("\n/", tmpFile);
    fputs("\nshow errors;\n", tmpFile);
}

int clamp_count(int32_t n, int limit) {
    return n < 0 ? 0 : (n > limit ? limit : n);
}

// Writes the tabs of indentation depth d.
void tabs_out(int d) {
    write_tabs(d, tmpFile);
}

// The status block of SELECT n (marker digits n, terminator 2).
void status_block(int n) {
    if (retrow_list[n].status_flag != 1)
        return;
    const int d = retrow_list[n].number;
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("BEGIN", tmpFile);
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\tTarn_error   := 0;", tmpFile);
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\tSELECT 1 INTO Tarn_rowcnt FROM DUAL", tmpFile);
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\tWHERE EXISTS (", tmpFile);
    // The SELECT numbers of this status block, separated by "@", are in fld_list[n].text.
    std::string list(fld_list[n].text, strnlen(fld_list[n].text, sizeof fld_list[n].text));
    bool first = true;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t at = list.find('@', pos);
        if (at == std::string::npos)
            at = list.size();
        std::string item = list.substr(pos, at - pos);
        pos = at + 1;
        if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos ||
            item.size() > 5)
            continue;
        int m = atoi(item.c_str());
        if (m >= RESULT_SET_MAX)
            continue;
        if (!first)
            print_statement(1, d + 1, "   UNION", tmpFile);
        first = false;
        print_statement(1, d + 1, retrow_list[m].query, tmpFile);
    }
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\t);", tmpFile);
    fputs("\n", tmpFile);
    if (noexception == 1) {
        tabs_out(d);
        fputs("\tEXCEPTION", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 1);
        fputs("\tWHEN OTHERS THEN", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 2);
        fputs("\tTarn_rowcnt := 0;", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 2);
        fputs("\tTarn_selcnt := 0;", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 2);
        fputs("\tTarn_error := SQLCODE;", tmpFile);
    }
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("END;", tmpFile);
}

// The select list of SELECT n (marker digits n, terminator 1). In a query wrapped for a row
// limit (`wrapped`), a column whose name repeats an earlier one gets an alias, so that the
// wrapped query's columns are distinct (the padding NULLs, the same expression twice).
void select_list(int n, bool wrapped) {
    const int cols = clamp_count(fld_cnt, RESULT_COL_MAX);
    const int d = fld_list[n].indent;
    bool all_empty = true;
    bool any_star = false;
    for (int c = 0; c < cols; c++) {
        const char *t = retfld_list[n][c];
        if (t[0] != '\0')
            all_empty = false;
        if (strchr(t, '*') != nullptr)
            any_star = true;
    }
    if (star_flag != 0 && all_empty) {
        fputs("*", tmpFile);
        return;
    }
    // With a "*" among them only the filled columns are written, else every column (NULL for
    // an empty one).
    std::vector<std::string> items;
    for (int c = 0; c < cols; c++) {
        const char *t = retfld_list[n][c];
        if (t[0] != '\0')
            items.emplace_back(t);
        else if (!any_star)
            items.emplace_back("NULL");
    }
    std::string piece;
    for (size_t k = 0; k < items.size(); k++) {
        const std::string text = wrapped ? items[k] + row_limit_column_alias(items, k) : items[k];
        if (k == 0) {
            fputs(text.c_str(), tmpFile);
        } else {
            piece = ", " + text;
            print_statement(1, d, piece.c_str(), tmpFile);
        }
    }
}

// The INTO list (marker without digits); d is the indentation of the SELECT of the most
// recent numbered marker.
void into_list(int d, bool trigger) {
    if (star_flag == 1) {
        fputs("o_record", tmpFile);
        return;
    }
    const int cols = clamp_count(fld_cnt, FLD_LIST_MAX);
    const bool prefixed = prefix_name != 0 && !trigger;
    const std::string unit = unit_ref_name();
    std::string piece;
    for (int c = 0; c < cols; c++) {
        const char *name = fld_list[c].name;
        if (c == 0) {
            if (prefixed)
                fprintf(tmpFile, "%s.%s", unit.c_str(), name);
            else
                fputs(name, tmpFile);
        } else {
            piece = ", ";
            if (prefixed) {
                piece += unit;
                piece += ".";
            }
            piece += name;
            print_statement(1, d, piece.c_str(), tmpFile);
        }
    }
}

// The size of a local variable of type `base` declared without one, where the target requires
// a size: the largest the type takes.
const char *type_maximum(const char *base) {
    if (strcasecmp(base, "VARCHAR2") == 0 || strcasecmp(base, "RAW") == 0)
        return "(32767)";
    if (strcasecmp(base, "NVARCHAR2") == 0)
        return "(16383)";
    return "";
}

// Byte 5: initialisation of the input arguments that the body assigns.
void argument_initialisation(bool trigger) {
    const bool prefixed = prefix_name == 1 && !trigger;
    const std::string unit_text = unit_ref_name();
    const char *unit = unit_text.c_str();
    const int n = clamp_count(declare_no, DECLARE_LIST_MAX);
    for (int i = 0; i < n; i++) {
        const declare_entry &e = declare_list[i];
        if (e.kind != 3)
            continue;
        if (arg_option == 0 || arg_option == 2) {
            if (prefixed)
                fprintf(tmpFile, "\n\t%s.%s := %s.in_%s;", unit, e.name, unit, e.name);
            else
                fprintf(tmpFile, "\n\t%s := in_%s;", e.name, e.name);
        } else if (arg_option == 1 && e.default_clause[0] != '\0') {
            if (prefixed) {
                fprintf(tmpFile, "\n\tIF %s.%s IS NULL THEN", unit, e.name);
                fprintf(tmpFile, "\n\t\t%s.%s := %s;", unit, e.name, e.default_value);
                fputs("\n\tEND;", tmpFile);
            } else {
                fprintf(tmpFile, "\n\tIF %s IS NULL THEN", e.name);
                fprintf(tmpFile, "\n\t%s := %s;", e.name, e.default_value);
                fputs("\n\tEND;", tmpFile);
            }
        }
    }
}

// Step 11: the body with its markers replaced. Only the bytes that write_body_marker recorded
// start a marker; every other byte, a byte 1, 2 or 5 of a source literal included, goes out
// unchanged.
void copy_body(bool trigger) {
    std::string &body = body_bytes;
    read_work_file(yyout, body);
    const char *const start = body.data();
    const char *p = start;
    const char *const end = p + body.size();
    int last_n = 0; // the SELECT of the most recent numbered marker
    for (size_t at : body_markers) {
        if (at >= body.size() || start + at < p)
            continue; // not in the body (or inside a marker already read)
        const char *q = start + at;
        // Plain bytes go out as runs, up to the marker.
        if (q > p)
            fwrite(p, 1, static_cast<size_t>(q - p), tmpFile);
        p = q;
        if (*q == 5) {
            argument_initialisation(trigger);
            p = q + 1;
            continue;
        }
        if (*q != 1)
            continue; // not a marker byte: written with the plain run that follows
        // A marker: bytes up to the next byte 1 or 2.
        long n = 0;
        int digits = 0;
        bool wrapped = false; // "w": the select list of a query wrapped for a row limit
        const char *m = q + 1;
        for (; m < end && *m != 1 && *m != 2; m++) {
            if (*m == 'w')
                wrapped = true;
            if (*m >= '0' && *m <= '9' && n < 100000) {
                n = n * 10 + (*m - '0');
                digits++;
            }
        }
        if (m == end)
            break; // a marker cut off by the end of the body is no marker: written as read
        const char term = *m;
        p = m + 1;
        if (digits == 0) {
            into_list(fld_list[last_n].indent, trigger);
            continue;
        }
        if (n >= RESULT_SET_MAX)
            continue; // no such SELECT: the marker writes nothing
        last_n = static_cast<int>(n);
        if (term == 1)
            select_list(last_n, wrapped);
        else
            status_block(last_n);
    }
    if (p < end)
        fwrite(p, 1, static_cast<size_t>(end - p), tmpFile);
}

// The log of a unit. "KESTRA.log" is opened for appending per unit and every line goes out in
// one write, so that the lines of runs sharing the log never interleave. Within a run, where
// the first unit has shown that the log can be opened, a unit opens it only when it writes its
// first line, and closes it at its end: a unit without diagnostics costs no system call.
// Outside a run (a routine called directly) every unit opens it at once.
int log_open_error = 0; // errno of a deferred open that failed: reported at unit end

#if defined(__GLIBC__)
struct unit_log {
    int fd = -1;
};

int open_log_fd() {
    return open("KESTRA.log", O_WRONLY | O_CREAT | O_APPEND, 0666);
}

ssize_t log_write(void *cookie, const char *buf, size_t n) {
    unit_log *log = static_cast<unit_log *>(cookie);
    if (log->fd < 0) {
        log->fd = open_log_fd();
        if (log->fd < 0) {
            if (log_open_error == 0)
                log_open_error = errno;
            return -1;
        }
    }
    size_t done = 0;
    while (done < n) {
        ssize_t k = write(log->fd, buf + done, n - done);
        if (k < 0) {
            if (errno == EINTR)
                continue;
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        }
        done += static_cast<size_t>(k);
    }
    return static_cast<ssize_t>(n);
}

int log_close(void *cookie) {
    std::unique_ptr<unit_log> log(static_cast<unit_log *>(cookie));
    return log->fd >= 0 ? close(log->fd) : 0;
}
#endif

// Opens fpLog for the unit; a log that cannot be opened stops the run.
void open_unit_log() {
    log_open_error = 0;
#if defined(__GLIBC__)
    std::unique_ptr<unit_log> log(new (std::nothrow) unit_log);
    if (!log) {
        errno = ENOMEM;
        perror("KESTRA.log");
        kestra_exit(1);
    }
    if (run_depth == 0 || !log_opened_in_run) {
        log->fd = open_log_fd();
        if (log->fd < 0) {
            perror("KESTRA.log");
            kestra_exit(1);
        }
        log_opened_in_run = run_depth > 0;
    }
    fpLog =
        fopencookie(log.get(), "w", cookie_io_functions_t{nullptr, log_write, nullptr, log_close});
    if (fpLog == nullptr) {
        const int error = errno;
        if (log->fd >= 0)
            close(log->fd);
        errno = error;
        perror("KESTRA.log");
        kestra_exit(1);
    }
    log.release(); // closed and freed by log_close
#else
    fpLog = fopen("KESTRA.log", "a");
    if (fpLog == nullptr) {
        perror("KESTRA.log");
        kestra_exit(1);
    }
#endif
    // One write per line: lines of runs that share the log do not interleave.
    setvbuf(fpLog, nullptr, _IOLBF, 0);
}

// After the unit's log is closed: a deferred open that failed stops the run as the open at the
// unit's start would have, before the unit is assembled.
void check_unit_log() {
    if (log_open_error != 0) {
        errno = log_open_error;
        log_open_error = 0;
        perror("KESTRA.log");
        kestra_exit(1);
    }
}

} // namespace

void open_tmp_files() {
    close_file(fpLog);
    open_unit_log();
    close_file(yyout);
    close_file(fp1);
    close_file(fp2);
    close_file(fp3);
    close_file(fp72);
    yyout = open_work_file();
    body_markers.clear();
    fp1 = open_work_file();
    fp2 = open_work_file();
    fp3 = open_work_file();
    fp72 = open_work_file();
}

void close_tmp_files() {
    // 1.
    close_file(fpLog);
    check_unit_log();
    const bool trigger = iftrigger != 0;
    // 2. Heads.
    if (!trigger && begin_printed != 0) {
        if (procedure != 0) {
            if (result_set_fn == 0)
                head(isFunction == 1 ? "FUNCTION" : "PROCEDURE");
        } else if (function != 0 && result_set_fn == 0) {
            head("FUNCTION");
        } else if (powerbuilder != 0 && result_set_fn == 0) {
            // With result sets (-B -R) step 5 writes the head after the package.
            head("PROCEDURE");
        }
    }
    if (trigger && begin_printed != 0) {
        fprintf(tmpFile, "\nCREATE OR REPLACE TRIGGER %s\n", unit_head_name().c_str());
        fprintf(tmpFile,
                instead_trig != 0 ? "INSTEAD OF %s\n"
                : aft_trig != 0   ? "AFTER %s\n"
                                  : "BEFORE %s\n",
                TriggerEvent);
        fprintf(tmpFile, "ON %s\n", TriggerTable);
        fputs("FOR EACH ROW", tmpFile);
        ifeachrow = 0;
    }
    // 3. Package specification.
    bool package_written = false;
    if (result_set_fn != 0) {
        const std::string pkg = "\nCREATE OR REPLACE PACKAGE " + unit_package_name() + " AS";
        package_written = copy_work_file(fp72, pkg.c_str());
    }
    // 4. Parameter list.
    if ((powerbuilder != 0 || procedure != 0 || function != 0) && result_set_fn == 0)
        copy_work_file(fp1);
    // 5. Result-set form.
    if (result_set_fn != 0 && begin_printed != 0) {
        if (!trigger) {
            if (package_written)
                fputs("END;\n/ \n", tmpFile);
            head(isFunction == 1 || function != 0 ? "FUNCTION" : "PROCEDURE");
        }
        copy_work_file(fp1);
    }
    // 6. Return type. Only for a unit with a head: the empty set of work files that the run
    // assembles after a last unit closed by GO must not leave a stray "RETURN INTEGER".
    if (begin_printed != 0 && ((function != 0 && !trigger) || (function == 0 && isFunction == 1)))
        fputs("\nRETURN INTEGER", tmpFile);
    // 7.
    if (!trigger && begin_printed != 0)
        fputs("\nAS", tmpFile);
    // 8. Local copies of assigned input arguments.
    if (arg_option == 0) {
        const int n = clamp_count(declare_no, DECLARE_LIST_MAX);
        for (int i = 0; i < n; i++) {
            const declare_entry &e = declare_list[i];
            if (e.kind == 3)
                fprintf(tmpFile, "\n%s \t%s%s;", e.name, e.base_type,
                        e.size[0] != '\0' ? e.size : type_maximum(e.base_type));
        }
    }
    // 9. Declarations.
    iftrigger = 0;
    copy_work_file(fp2);
    if (version_flag != 0)
        fputs("\nTarn_version \tDATE;", tmpFile);
    // 10.
    if (begin_printed != 0) {
        for (int i = 2; i <= no_of_begin; i++)
            fputs("\nBEGIN", tmpFile);
    }
    // 11. Body.
    copy_body(trigger);
    // 12. A unit that the parse left unfinished (a syntax error) has a body without its
    // closing lines: its last line is ended before "show errors;".
    if (begin_printed != 0) {
        if (!body_bytes.empty() && body_bytes.back() != '\n')
            fputc('\n', tmpFile);
        fputs("show errors;\n", tmpFile);
    }
    // 13. Support functions.
    if (ibasechar != 0 || ibitnand != 0)
        support_function(basechar_text);
    if (ibitnand != 0)
        support_function(bitnand_text);
    if (icharbase != 0 || ibitnand != 0)
        support_function(charbase_text);
    if (ipatindex != 0)
        support_function(patindex_text);
    // 14. The work files live in memory: closing removes them.
    close_file(yyout);
    close_file(fp1);
    close_file(fp2);
    close_file(fp3);
    close_file(fp72);
}
