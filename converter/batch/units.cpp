// kestra-batch: unit boundaries of a source, found by the converter's own scanner (its outer
// state skips text up to a unit head; CREATE PROCEDURE and CREATE TRIGGER tokens start units).
#include "batch.h"

#include "conv72.h"
#include "convstate.h"
#include "keyword.h"
#include "parser.h"
#include "scanner.h"

#include <algorithm>
#include <cstdio>

namespace batch {

namespace {

struct scan_job {
    const std::string *source;
    std::vector<unit_result> *units;
    FILE *sink;
};

// Token texts that make up a unit name after its head: a name, optionally qualified by an
// owner ("dbo.p1").
void scan(void *arg) {
    scan_job &job = *static_cast<scan_job *>(arg);
    yyout = job.sink;
    tmpFile = job.sink;
    init_lex();
    scanner_scan_bytes(job.source->data(), job.source->size());
    enum { none, name, dot } want = none;
    for (int token; (token = yylex()) > 0;) {
        if (token == CREATE_PROC || token == CREATE_TRIGGER) {
            unit_result u;
            u.kind = token == CREATE_PROC ? "procedure" : "trigger";
            u.first_line = yylineno;
            u.last_line = yylineno;
            u.end = std::max(u.end, scanner_match_offset() + static_cast<size_t>(yyleng));
            u.offset = scanner_match_offset();
            u.end = u.offset + static_cast<size_t>(yyleng);
            job.units->push_back(u);
            want = name;
            continue;
        }
        if (job.units->empty())
            continue;
        unit_result &u = job.units->back();
        u.last_line = yylineno;
        u.end = std::max(u.end, scanner_match_offset() + static_cast<size_t>(yyleng));
        if (want == name && (token == NAME || token == PARAMETER || token == USER_TYPE)) {
            u.name += yylval;
            want = dot;
        } else if (want == dot && token == '.') {
            u.name += '.';
            want = name;
        } else {
            want = none;
        }
    }
}

} // namespace

std::vector<unit_result> find_units(const std::string &source) {
    std::vector<unit_result> units;
    reset_conversion_state();
    scan_job job{&source, &units, fopen("/dev/null", "w")};
    // An overlong token stops the scan like the run: the units found so far are kept, the last
    // one runs to the end of the source.
    kestra_guard(scan, &job);
    if (job.sink != nullptr)
        fclose(job.sink);
    yyout = nullptr;
    tmpFile = nullptr;
    reset_conversion_state();
    scanner_reset(nullptr);
    return units;
}

} // namespace batch
