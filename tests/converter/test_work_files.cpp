// Work files, the unit log and value copies under load: large and reused work files behave as
// files, the body's plain bytes pass through whole between markers, many units leave no file
// or descriptor behind, log lines of a later unit arrive in order, and values of every length
// travel through the parser unchanged.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "assembly.h"
#include "conv72.h"
#include "convstate.h"
#include "output.h"
#include "test_grammar_util.h"
#include "testutil.h"

using namespace kestra_test;

namespace {

// Number of open descriptors of this process.
int open_descriptors() {
    int n = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (struct dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                n++;
        closedir(d);
    }
    return n;
}

// `n` bytes of every value except the marker bytes 1, 2 and 5 (NUL and bytes above 127
// included), varied so that a misplaced or repeated block shows.
std::string plain_bytes(size_t n) {
    std::string s;
    s.reserve(n);
    unsigned x = 12345;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        unsigned char c = static_cast<unsigned char>(x >> 16);
        if (c == 1 || c == 2 || c == 5)
            continue;
        s += static_cast<char>(c);
    }
    return s;
}

std::string unit_source(const std::string &name, const std::string &statements) {
    return "create procedure " + name + "\nas\nbegin\n" + statements + "end\ngo\n";
}

} // namespace

TEST(WorkFiles, LargeBodyAndAReusedSetAssembleExactly) {
    temp_dir dir;
    const std::string big = plain_bytes(3 * 1024 * 1024 + 17);
    run_result r = capture_in(dir, [&] {
        reset_conversion_state(); // procedure, result set: declarations and body only
        tmpFile = fopen("out.pls", "w");
        open_tmp_files();
        fputs("\nx \tINTEGER;", fp2);
        fwrite(big.data(), 1, big.size(), yyout);
        close_tmp_files();
        // The next unit's files start empty, however much the previous unit held.
        open_tmp_files();
        fputs("[short]", yyout);
        close_tmp_files();
        fclose(tmpFile);
        tmpFile = nullptr;
    });
    EXPECT_EQ(r.err, "");
    const std::string out = dir.read("out.pls");
    ASSERT_EQ(out.size(), strlen("\nx \tINTEGER;") + big.size() + strlen("[short]"));
    EXPECT_TRUE(out == "\nx \tINTEGER;" + big + "[short]");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "out.pls"}));
    reset_conversion_state();
}

TEST(WorkFiles, PositioningWorksAsInAFile) {
    temp_dir dir;
    long pos_after = -1;
    run_result r = capture_in(dir, [&] {
        reset_conversion_state();
        tmpFile = fopen("out.pls", "w");
        open_tmp_files();
        fputs("abcdef", fp2);
        EXPECT_EQ(fseek(fp2, 2, SEEK_SET), 0);
        fputs("XY", fp2); // overwrites in place
        EXPECT_EQ(fseek(fp2, 0, SEEK_END), 0);
        fputs("!", fp2);
        pos_after = ftell(fp2);
        EXPECT_EQ(fseek(fp2, 3, SEEK_END), 0); // past the end: the gap reads as zero bytes
        fputc('z', fp2);
        EXPECT_NE(fseek(fp2, -100, SEEK_SET), 0); // before the start: refused
        close_tmp_files();
        fclose(tmpFile);
        tmpFile = nullptr;
    });
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(pos_after, 7);
    EXPECT_EQ(dir.read("out.pls"), std::string("abXYef!\0\0\0z", 11));
    reset_conversion_state();
}

TEST(WorkFiles, PlainRunsBetweenMarkersPassThrough) {
    // Byte 5 first, an INTO marker between plain runs, a stray byte 2 and a NUL that are plain
    // bytes, and a marker cut off by the end of the body (its bytes go out as they are).
    temp_dir dir;
    const char raw[] = "\x05"
                       "A\x01\x01"
                       "B\x02"
                       "C\0D\x01"
                       "12";
    const std::string body(raw, sizeof raw - 1);
    run_result r = capture_in(dir, [&] {
        reset_conversion_state(); // no declarations, no result columns
        tmpFile = fopen("out.pls", "w");
        open_tmp_files();
        write_marked_body(yyout, body);
        close_tmp_files();
        fclose(tmpFile);
        tmpFile = nullptr;
    });
    EXPECT_EQ(r.err, "");
    const char expected[] = "AB\x02"
                            "C\0D\x01"
                            "12";
    EXPECT_EQ(dir.read("out.pls"), std::string(expected, sizeof expected - 1));
    reset_conversion_state();
}

TEST(WorkFiles, ManyUnitsLeaveNoFileAndNoDescriptorBehind) {
    temp_dir dir;
    std::string source;
    const int units = 300;
    for (int i = 0; i < units; i++)
        source +=
            unit_source("p" + std::to_string(i), "    select @x = " + std::to_string(i) + "\n");
    dir.write("many.sql", source);
    const int before = open_descriptors();
    run_result r = run_in_process(dir, {"many.sql"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "many.sql", "many.sql.pls"}));
    EXPECT_EQ(dir.read("KESTRA.log"),
              "[KESTRA-MSG(OKEY)]:[many.sql(SUCCESS)] Conversion Successful\n");
    const std::string out = dir.read("many.sql.pls");
    size_t heads = 0;
    for (size_t at = out.find("\nCREATE OR REPLACE PROCEDURE p"); at != std::string::npos;
         at = out.find("\nCREATE OR REPLACE PROCEDURE p", at + 1))
        heads++;
    EXPECT_EQ(heads, static_cast<size_t>(units));
    EXPECT_NE(out.find("\nCREATE OR REPLACE PROCEDURE p299\n"), std::string::npos);
}

TEST(WorkFiles, ALaterUnitsLogLinePrecedesTheFinalLine) {
    // Units 1 and 2 write nothing to the log; unit 3 fails at line 16 on its second "=".
    temp_dir dir;
    std::string source = unit_source("p1", "    select @y = 1\n") +
                         unit_source("p2", "    select @y = 2\n") +
                         unit_source("p3", "    select @y = = 3\n");
    dir.write("three.sql", source);
    dir.write("KESTRA.log", "[earlier run]\n");
    run_result r = run_in_process(dir, {"three.sql"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "syntax error in three.sql at line 16 near the token '='\n");
    EXPECT_EQ(dir.read("KESTRA.log"), "[earlier run]\n"
                                      "[KESTRA-ERR(0016)]:[three.sql(p3)]syntax error Near '='\n"
                                      "[KESTRA-MSG(FAIL)]:[three.sql(p3)] Conversion Failed\n");
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"KESTRA.log", "three.sql", "three.sql.pls"}));
}

TEST(ParserValues, ValuesOfEveryLengthTravelUnchanged) {
    // PRINT joins its expressions with "," (rule 124); each string goes through the value
    // stack and the joined list grows past many 16-byte boundaries. PUT_LINE takes the first
    // string; each later one, with no placeholder to fill, is named whole in a diagnostic.
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::vector<size_t> lengths;
    for (size_t n = 1; n <= 70; n++)
        lengths.push_back(n);
    lengths.push_back(500);
    lengths.push_back(2000);
    std::string list;
    std::vector<std::string> strings;
    for (size_t k = 0; k < lengths.size(); k++) {
        std::string s;
        for (size_t i = 0; i < lengths[k]; i++)
            s += letters[(i * 7 + k) % letters.size()];
        list += (k > 0 ? ", '" : "'") + s + "'";
        strings.push_back("'" + s + "'");
    }
    temp_dir dir;
    dir.write("p.sql", unit_source("p1", "    print " + list + "\n"));
    run_result r = run_in_process(dir, {"p.sql"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string out = dir.read("p.sql.pls");
    size_t at = 0;
    for (size_t k = 1; k < strings.size(); k++) {
        at = out.find("not written: " + strings[k] + "*/\n", at);
        ASSERT_NE(at, std::string::npos) << strings[k] << "\n" << out;
    }
    EXPECT_NE(out.find("DBMS_OUTPUT.PUT_LINE(" + strings[0] + ") ;", at), std::string::npos) << out;
}

namespace {

// Tokens of two units; when the second unit's PRINT is handed out, the log is replaced by a
// directory, so that the second unit's first log line cannot open it.
std::vector<grammar_test::token> swap_tokens;
size_t swap_next = 0;

int swapping_lex() {
    if (swap_next >= swap_tokens.size())
        return 0;
    const grammar_test::token &t = swap_tokens[swap_next++];
    if (swap_next == 10) { // PRINT of p2
        unlink("KESTRA.log");
        mkdir("KESTRA.log", 0700);
    }
    set_yylval(t.text.data(), t.text.size());
    // As the scanner does: yytext is the token's text (yyerror quotes it).
    yytext = const_cast<char *>(t.text.c_str());
    return t.number;
}

} // namespace

TEST(WorkFiles, ALogThatCannotBeOpenedForALaterUnitStopsTheRunBeforeItsAssembly) {
    temp_dir dir;
    dir.write("p.sql", "-- the tokens come from the test\n");
    swap_tokens =
        grammar_test::tokens_of("CREATE_PROC p1 AS PRINT a GO CREATE_PROC p2 AS PRINT = GO");
    ASSERT_EQ(swap_tokens[9].number, PRINT);
    swap_next = 0;
    char *saved_yytext = yytext;
    yyparse_set_lexer(swapping_lex);
    run_result r = run_in_process(dir, {"p.sql"});
    yyparse_set_lexer(nullptr);
    yytext = saved_yytext;
    EXPECT_EQ(r.status, 1);
    const std::string tail = "KESTRA.log: Is a directory\n";
    ASSERT_GE(r.err.size(), tail.size()) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;
    EXPECT_EQ(fpLog, nullptr);
    EXPECT_EQ(yyout, nullptr);
    // The stopped run leaves no partial script (p1 was assembled, p2 was not).
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "p.sql"}));
    rmdir(dir.file("KESTRA.log").c_str());
}
