// Output layer: the stop of a run (kestra_exit, kestra_guard), the line-wrapping writer and the
// body-line helpers, the unit's work files (in memory) with its body markers, the unit's log and
// the DDL script.
#include "output.h"

#include "blockstack.h"
#include "convstate.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GLIBC__)
#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>
#endif

namespace {

// Thrown by kestra_exit inside kestra_guard.
struct kestra_stop {
    int status;
};
int run_depth = 0;
bool log_opened_in_run = false; // the run has opened its log (reset with the run's files)

} // namespace

void kestra_exit(int status) {
    if (run_depth > 0)
        throw kestra_stop{status};
    fflush(stdout);
    fflush(stderr);
    std::exit(status);
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

void write_tabs(int n, FILE *fp) {
    static const char tabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    for (; n > 0; n -= 16)
        put_run16(tabs, static_cast<size_t>(n < 16 ? n : 16), fp);
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

// The bytes at which a run of plain characters in print_statement may end, blanks aside: the end
// of the text, a tab, a newline, a quote, and the bytes of "/*" and "*/". next_print_stop finds
// the first of them at or after `p`. A text ends with its NUL, so the scan stops there; with SSE2
// it reads aligned 16-byte blocks, which never reach into the next page (the bytes of the last
// block after the NUL are read and ignored: the address sanitizer is told not to check these
// reads).
#if defined(__SSE2__)
#define KESTRA_WHOLE_BLOCK_READS __attribute__((no_sanitize_address))

KESTRA_WHOLE_BLOCK_READS static inline unsigned print_stop_mask(const char *block) {
    const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(block));
    const __m128i a = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()),
                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('\t')));
    const __m128i b = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('\'')));
    const __m128i c =
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('/')));
    const __m128i d = _mm_cmpeq_epi8(v, _mm_set1_epi8('*'));
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))));
}

KESTRA_WHOLE_BLOCK_READS static const char *next_print_stop(const char *p) {
    const size_t skip = reinterpret_cast<uintptr_t>(p) & 15;
    const char *block = p - skip;
    unsigned mask = print_stop_mask(block) >> skip;
    while (mask == 0) {
        block += 16;
        mask = print_stop_mask(block);
    }
    return block + __builtin_ctz(mask) + (block == p - skip ? skip : 0);
}
#else
static const bool *const print_stops = [] {
    static bool stops[256] = {};
    for (unsigned char c : {'\0', '\t', '\n', '\'', '"', '/', '*'})
        stops[c] = true;
    return stops;
}();

static const char *next_print_stop(const char *p) {
    while (!print_stops[static_cast<unsigned char>(*p)])
        p++;
    return p;
}
#endif

void print_statement(int16_t newline_first, int indent, const char *text, FILE *fp) {
    if (newline_first != 0 && text[0] != '\n') {
        put_char('\n', fp);
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
        // The run of plain characters ends at a stop byte that acts here (a "/" that opens no
        // comment, a "*" that closes none and a quote inside a comment do not), or earlier at
        // the first blank past column 60.
        const char *q = p;
        for (;; q++) {
            q = next_print_stop(q);
            const char c = *q;
            if ((c == '/' && !opens(q)) || (c == '*' && !closes(q)) ||
                ((c == '\'' || c == '"') && !opens(q)))
                continue;
            break;
        }
        const char *from = p + std::max(61 - col, 0); // the first column past 60
        if (from < q) {
            const void *blank = memchr(from, ' ', static_cast<size_t>(q - from));
            if (blank != nullptr)
                q = static_cast<const char *>(blank);
        }
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
            put_bytes(p, static_cast<size_t>(q - p), fp);
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
        put_char(ch, fp);
        if (ch == '\n') {
            write_tabs(indent, fp);
            col = 0;
        } else { // a blank past column 60
            put_char('\n', fp);
            write_tabs(indent, fp);
            put_text("   ", fp);
            col = 0;
        }
    }
}

void line_bytes(const char *text, size_t n) {
    print_tabs();
    put_bytes(text, n, yyout);
}

void statement(const char *text, bool keep_first) {
    if (!keep_first)
        firstTime = 0;
    line(text);
}

namespace {
// Where the markers of the unit's body start (offsets into work file 1, in writing order).
std::vector<size_t> body_markers;
} // namespace

void write_body_marker(const char *marker) {
    const long at = ftell(yyout);
    if (at >= 0)
        body_markers.push_back(static_cast<size_t>(at));
    put_text(marker, yyout);
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

void open_unit_ddl_file(const char *extension) {
    if (ddl_fd != nullptr)
        return;
    std::string unit = proc_name;
    for (char &c : unit)
        if (c == '/' || c == '\\')
            c = '_';
    const std::string name = "ddl_" + unit + str(extension);
    open_ddl_file(name.c_str());
}

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
#if defined(__GLIBC__)
// The work streams of the run with their storage. A unit's streams are parked at its end and
// the next unit's are taken from here, emptied and rewound, so a unit opens and closes no
// stream; a stream closed otherwise (fclose) leaves the list through work_close.
struct work_stream {
    FILE *fp;
    work_buffer *buf;
    bool parked;
};
// Never destroyed: a run that ends through exit() leaves its streams open, and their storage
// stays reachable from here until the process is gone.
std::vector<work_stream> &work_streams = *new std::vector<work_stream>;

work_stream *find_work_stream(const FILE *fp) {
    for (work_stream &s : work_streams)
        if (s.fp == fp)
            return &s;
    return nullptr;
}
#else
std::string body_bytes; // the body read back for the assembly
#endif

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
    work_streams.erase(std::remove_if(work_streams.begin(), work_streams.end(),
                                      [&](const work_stream &s) { return s.buf == w.get(); }),
                       work_streams.end());
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
    for (work_stream &s : work_streams) {
        if (s.parked) {
            // Rewound first (which drops what its stdio buffer holds), then emptied.
            if (fseek(s.fp, 0L, SEEK_SET) != 0)
                break; // not reusable: a new stream instead
            clearerr(s.fp);
            s.buf->length = 0;
            s.buf->pos = 0;
            s.parked = false;
            return s.fp;
        }
    }
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
            try {
                work_streams.push_back(work_stream{fp, w.get(), false});
            } catch (const std::exception &) {
                // Not listed: used once and closed, as any stream.
            }
            w.release(); // the stream owns it now: work_close takes it back
            // The converter is single-threaded: no stream lock on every getc and putc (the
            // C library locks streams with callbacks by default).
            __fsetlocking(fp, FSETLOCKING_BYCALLER);
        }
    } else {
        errno = ENOMEM;
    }
#else
    fp = tmpfile();     // anonymous: removed by the system when closed or when the process ends
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
#if defined(__GLIBC__)
    std::vector<FILE *> parked;
    for (const work_stream &s : work_streams)
        if (s.parked)
            parked.push_back(s.fp);
    for (FILE *fp : parked)
        fclose(fp); // work_close takes it off the list
    if (work_streams.empty())
        std::vector<work_stream>().swap(work_streams);
#else
    std::string().swap(body_bytes);
#endif
    for (std::unique_ptr<work_buffer> &slot : work_pool)
        slot.reset();
}

// Parks a work file of the unit for the next unit (closes it where it is not a listed work
// stream) and sets `fp` to nullptr.
void park_work_file(FILE *&fp) {
#if defined(__GLIBC__)
    if (work_stream *s = find_work_stream(fp)) {
        s->parked = true;
        fp = nullptr;
        return;
    }
#endif
    close_file(fp);
}

#if !defined(__GLIBC__)
// Rewinds a work file for reading (instead of closing and reopening it).
void rewind_work_file(FILE *&fp) {
    if (fp == nullptr || fflush(fp) != 0 || fseek(fp, 0L, SEEK_SET) != 0) {
        fputs("Cannot open temporary file\n", stdout);
        close_file(fp);
        kestra_exit(1);
    }
}
#endif

} // namespace

namespace {

#if defined(__GLIBC__)
// The whole content of a work stream, read in place: its pending bytes are flushed into the
// storage first. A stream that cannot be flushed stops the run, as a failed rewind does.
std::string_view work_file_bytes(FILE *&fp) {
    work_stream *s = find_work_stream(fp);
    if (s == nullptr || fflush(fp) != 0) {
        fputs("Cannot open temporary file\n", stdout);
        close_file(fp);
        kestra_exit(1);
    }
    return std::string_view(s->buf->bytes.data(), s->buf->length);
}
#endif

} // namespace

std::string_view read_body_file() {
#if defined(__GLIBC__)
    return work_file_bytes(yyout);
#else
    rewind_work_file(yyout);
    body_bytes.clear();
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, yyout)) > 0)
        body_bytes.append(buf, n);
    return body_bytes;
#endif
}

const std::vector<size_t> &body_marker_offsets() {
    return body_markers;
}

bool copy_work_file(FILE *&fp, const char *before) {
#if defined(__GLIBC__)
    const std::string_view bytes = work_file_bytes(fp);
    if (bytes.empty())
        return false;
    if (before != nullptr)
        fputs(before, tmpFile);
    fwrite(bytes.data(), 1, bytes.size(), tmpFile);
    return true;
#else
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
#endif
}

namespace {

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
    close_work_files();
    yyout = open_work_file();
    body_markers.clear();
    fp1 = open_work_file();
    fp2 = open_work_file();
    fp3 = open_work_file();
    fp72 = open_work_file();
}

void close_unit_log() {
    close_file(fpLog);
    check_unit_log();
}

void close_work_files() {
    park_work_file(yyout);
    park_work_file(fp1);
    park_work_file(fp2);
    park_work_file(fp3);
    park_work_file(fp72);
}

void release_run_files() {
    close_file(yyin);
    close_work_files();
    close_file(fpLog);
    close_file(tmpFile);
    close_file(ddl_fd);
    release_work_buffers();
    log_opened_in_run = false;
}
