// The diagnostic catalogue and its writer: the script comment, the log line and the observer
// of one diagnostic, for a table of kinds, arguments, units and lines.
#include "convstate.h"
#include "diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct seen_diagnostic {
    diag kind;
    int line;
    std::string unit, text;
};

void record(void *context, diag kind, int line, const char *unit, const std::string &text) {
    static_cast<std::vector<seen_diagnostic> *>(context)->push_back({kind, line, unit, text});
}

// The text written to `fp` since it was opened (a tmpfile).
std::string written(FILE *fp) {
    fflush(fp);
    rewind(fp);
    std::string s;
    for (int c; (c = fgetc(fp)) != EOF;)
        s += static_cast<char>(c);
    return s;
}

} // namespace

TEST(Diagnostics, CatalogueRowsFollowTheKinds) {
    for (size_t k = 0; k < static_cast<size_t>(diag::count_); k++)
        EXPECT_EQ(static_cast<size_t>(diag_catalogue(static_cast<diag>(k)).kind), k);
}

TEST(Diagnostics, WriterFormsCommentLogLineAndObserverCall) {
    struct row {
        diag kind;
        std::vector<std::string> args; // up to three
        const char *unit;              // nullptr: proc_name
        int line;
        std::string comment, log_line;
    };
    // The comment is "/*[KESTRA-ERR(" line in four digits or more ")]:" script text "*/"; the
    // log line "[KESTRA-ERR(" line ")]:[" input file "(" unit ")]" log text; the arguments
    // replace the %s of the row's text in order, taken as they are.
    const row rows[] = {
        {diag::manual_conversion,
         {},
         nullptr,
         7,
         "/*[KESTRA-ERR(0007)]:Manual conversion required*/",
         "[KESTRA-ERR(0007)]:[in.sql(p1)]Manual conversion required\n"},
        {diag::manual_function,
         {"LEFT"},
         nullptr,
         12345,
         "/*[KESTRA-ERR(12345)]:Manual conversion required LEFT()*/",
         "[KESTRA-ERR(12345)]:[in.sql(p1)]Manual conversion required LEFT()\n"},
        {diag::reserved_rename,
         {"Label", "exception", "exception_"},
         nullptr,
         3,
         "/*[KESTRA-ERR(0003)]:Label exception renamed exception_ (a reserved word)*/",
         "[KESTRA-ERR(0003)]:[in.sql(p1)]Label exception renamed exception_ (a reserved word)\n"},
        // An argument holding %s stays as it is.
        {diag::table_hint,
         {"%s"},
         nullptr,
         1,
         "/*[KESTRA-ERR(0001)]:Table hint (%s) dropped*/",
         "[KESTRA-ERR(0001)]:[in.sql(p1)]Table hint (%s) dropped\n"},
        // A missing argument reads as empty.
        {diag::parse_error,
         {"syntax error"},
         nullptr,
         9,
         "/*[KESTRA-ERR(0009)]:syntax error Near ''*/",
         "[KESTRA-ERR(0009)]:[in.sql(p1)]syntax error Near ''\n"},
        // The log text of the row, where it has one.
        {diag::deallocate_cursor,
         {},
         nullptr,
         20,
         "/*[KESTRA-ERR(0020)]:Deallocate Cursor is not supported*/",
         "[KESTRA-ERR(0020)]:[in.sql(p1)]Deallocate Cursor is not supported, Changed to CLOSE "
         "Cursor statement\n"},
        // A unit given instead of proc_name.
        {diag::ddl_trigger_skipped,
         {"d_t"},
         "d_t",
         2,
         "/*[KESTRA-ERR(0002)]:DDL trigger d_t skipped: Corvane has no trigger on database or "
         "server events*/",
         "[KESTRA-ERR(0002)]:[in.sql(d_t)]DDL trigger d_t skipped: Corvane has no trigger on "
         "database or server events\n"},
    };
    reset_conversion_state();
    text_copy(iFname, sizeof iFname, "in.sql");
    text_copy(proc_name, sizeof proc_name, "p1");
    std::vector<seen_diagnostic> seen;
    set_diagnostic_observer(record, &seen);
    for (const row &r : rows) {
        SCOPED_TRACE(r.comment);
        const std::string a0 = r.args.size() > 0 ? r.args[0] : "",
                          a1 = r.args.size() > 1 ? r.args[1] : "",
                          a2 = r.args.size() > 2 ? r.args[2] : "";
        diag_args none = {};
        seen.clear();
        // Log closed: the comment only, and nothing for the observer.
        fpLog = nullptr;
        std::string comment = r.args.empty()       ? diagnose(r.kind, r.line, none, r.unit)
                              : r.args.size() == 1 ? diagnose(r.kind, r.line, {a0}, r.unit)
                              : r.args.size() == 2 ? diagnose(r.kind, r.line, {a0, a1}, r.unit)
                                                   : diagnose(r.kind, r.line, {a0, a1, a2}, r.unit);
        EXPECT_EQ(comment, r.comment);
        EXPECT_TRUE(seen.empty());
        // Log open: the same comment, the log line, and the observer told of that line.
        fpLog = tmpfile();
        ASSERT_NE(fpLog, nullptr);
        comment = r.args.empty()       ? diagnose(r.kind, r.line, none, r.unit)
                  : r.args.size() == 1 ? diagnose(r.kind, r.line, {a0}, r.unit)
                  : r.args.size() == 2 ? diagnose(r.kind, r.line, {a0, a1}, r.unit)
                                       : diagnose(r.kind, r.line, {a0, a1, a2}, r.unit);
        EXPECT_EQ(comment, r.comment);
        const std::string log = written(fpLog);
        fclose(fpLog);
        fpLog = nullptr;
        EXPECT_EQ(log, r.log_line);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].kind, r.kind);
        EXPECT_EQ(seen[0].line, r.line);
        EXPECT_EQ(seen[0].unit, r.unit != nullptr ? r.unit : "p1");
        // The observer's text is the log line's, after "]:[in.sql(unit)]" and without the newline.
        const std::string head = log.substr(0, log.find(")]", log.find(":[")) + 2);
        EXPECT_EQ(seen[0].text, log.substr(head.size(), log.size() - head.size() - 1));
    }
    // diagnose_to writes the comment and a newline to the script.
    FILE *script = tmpfile();
    ASSERT_NE(script, nullptr);
    diagnose_to(script, diag::begin_tran, 4);
    EXPECT_EQ(written(script), "/*[KESTRA-ERR(0004)]:BEGIN TRAN statement ignored*/\n");
    fclose(script);
    set_diagnostic_observer(nullptr, nullptr);
    reset_conversion_state();
}
