// kestra-batch: unit boundaries of a source, found by the converter's own scanner (its outer
// state skips text up to a unit head; CREATE PROCEDURE and CREATE TRIGGER tokens start units).
// A source in UTF-16 is searched in its decoded text, as the converter reads it.
#include "batch.h"

#include "convstate.h"
#include "keyword.h"
#include "output.h"
#include "parser.h"
#include "scanner.h"
#include "source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace batch {

namespace {

struct scan_job {
    const std::string *source;
    std::vector<unit_result> *units;
    FILE *sink;
};

// The scan goes on after a NUL byte (the scanner reads it as the end of the input; the units
// after it can still be converted on their own). A unit name is the name after its head,
// optionally qualified by an owner ("dbo.p1").
void scan(void *arg) {
    scan_job &job = *static_cast<scan_job *>(arg);
    const std::string &src = *job.source;
    yyout = job.sink;
    tmpFile = job.sink;
    init_lex();
    size_t base = 0;   // offset of the scanned part in the source
    int line_base = 0; // lines before it
    enum { none, name, dot } want = none;
    for (;;) {
        scanner_scan_bytes(src.data() + base, src.size() - base);
        int token;
        while ((token = yylex()) > 0) {
            const size_t at = base + scanner_match_offset();
            const size_t end = at + static_cast<size_t>(yyleng);
            const int line = line_base + yylineno;
            if (token == CREATE_PROC || token == CREATE_TRIGGER) {
                unit_result u;
                u.kind = token == CREATE_PROC ? "procedure" : "trigger";
                u.first_line = u.last_line = line;
                u.offset = at;
                u.end = end;
                job.units->push_back(u);
                want = name;
                continue;
            }
            if (job.units->empty())
                continue;
            unit_result &u = job.units->back();
            u.last_line = line;
            u.end = std::max(u.end, end);
            if (want == name &&
                (token == NAME || token == PARAMETER || token == USER_TYPE || token == STRING)) {
                u.name.append(src, at, end - at); // as the source writes it, quotes included
                want = dot;
            } else if (want == dot && token == '.') {
                u.name += '.';
                want = name;
            } else {
                want = none;
            }
        }
        const size_t nul = src.find('\0', base);
        if (nul == std::string::npos)
            break;
        line_base += static_cast<int>(std::count(src.begin() + static_cast<long>(base),
                                                 src.begin() + static_cast<long>(nul), '\n'));
        base = nul + 1;
        if (!job.units->empty()) // the NUL byte belongs to the unit it stopped
            job.units->back().end = std::max(job.units->back().end, base);
        want = none;
    }
}

struct decode_job {
    const std::string *raw;
    std::string *text;
};

// The source's text as the converter's reader hands it to the scanner (UTF-16 decoded);
// a NUL character or a read error ends it there.
void decode(void *arg) {
    decode_job &job = *static_cast<decode_job *>(arg);
    FILE *in = fmemopen(const_cast<char *>(job.raw->data()), job.raw->size(), "rb");
    if (in == nullptr)
        return;
    source_reset();
    char buf[8192];
    while (size_t n = source_read(in, buf, sizeof buf))
        job.text->append(buf, n);
    fclose(in);
}

} // namespace

std::string source_text(const std::string &raw) {
    const bool utf16 = raw.size() >= 2 && ((static_cast<unsigned char>(raw[0]) == 0xff &&
                                            static_cast<unsigned char>(raw[1]) == 0xfe) ||
                                           (static_cast<unsigned char>(raw[0]) == 0xfe &&
                                            static_cast<unsigned char>(raw[1]) == 0xff));
    if (!utf16)
        return raw;
    std::string text;
    decode_job job{&raw, &text};
    // A stop of the reader (a NUL character) is the whole run's to report, not the search's.
    fflush(stderr);
    const int saved = dup(2), quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0)
        dup2(quiet, 2);
    kestra_guard(decode, &job);
    fflush(stderr);
    if (saved >= 0)
        dup2(saved, 2);
    for (int fd : {saved, quiet})
        if (fd >= 0)
            close(fd);
    source_reset();
    return text;
}

std::vector<unit_result> find_units(const std::string &source) {
    std::vector<unit_result> units;
    // Clearing the state's texts and lists (some 2.5 MB) is left to the conversion that follows.
    reset_scan_state();
    // What the scanner echoes goes to /dev/null, opened once per process.
    static FILE *const sink = fopen("/dev/null", "w");
    scan_job job{&source, &units, sink};
    // An overlong token stops the scan like the run: the units found so far are kept, the last
    // one runs to the end of the source.
    kestra_guard(scan, &job);
    if (sink != nullptr)
        fflush(sink);
    yyout = nullptr;
    tmpFile = nullptr;
    // The rest of the state is left as the scan left it: a conversion (kestra_main) starts from
    // the program-start values itself, and clearing the state's large tables costs as much as
    // the scan.
    scanner_reset(nullptr);
    return units;
}

} // namespace batch
