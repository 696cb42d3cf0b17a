// Run driver tests: banner, usage and invalid-switch texts, the option table and its edge
// cases, refusals of overlong values, the final report and log line, print_statement,
// valid_procname, yyerror and many runs in one process.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "conv72.h"
#include "convstate.h"
#include "diagnostics.h"
#include "output.h"
#include "testutil.h"
#include "unitname.h"

using namespace kestra_test;

namespace {

const char banner_re[] = "Kestra for TSQL Release 4\\.0\\.0\\.0\\.6  - Beta on "
                         "(Mon|Tue|Wed|Thu|Fri|Sat|Sun) "
                         "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                         "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n";

const std::string option_lines =
    "-X for No Execption\n"
    "-D for Debug\n"
    "-N for No Procedure Name Prefix For Variables\n"
    "-C for Skip Comments\n"
    "-A for Use Of Alias Name\n"
    "-O for Conversion of IN Arguments to IN OUT Arguments\n"
    "   When 0 (Defaulted), No Conversion will be Done\n"
    "   When 1, Value Assignment of IN Arguments will Convert the IN Argument to IN OUT\n"
    "   When 2, Value Assignment of IN Argument will introduce an extra IN OUT Argument with "
    "prefix in_\n"
    "-U <DataTypeFile> (For User Defined Datatype)\n";

std::string usage_text(const std::string &prog) {
    return "USAGE: " + prog +
           " [-F<Default Return Value> || -P || -B] [-R || -I] [-X -D -N -C -A {-O<0 || 1 || "
           "2>} {-U <DataTypefile>}] <input_file_name>\n"
           "-F<Default Return Value> for Function, or, -P for Procedure, or, -B for "
           "PowerBuilder\n"
           "-R for Returning Resultset, or, -I for Returning Arguments\n" +
           option_lines;
}

const std::string invalid_switch_text =
    "Invalid switch\n"
    "You can specify one of the following values only: \n"
    "-F<Default Return Value> for Function, or, -P for Procedure, or, -B for PowerBuilder\n"
    "-R for Resultset, or -I for Arguments\n" +
    option_lines;

const std::string source = "create procedure p1 as select 1\n";

} // namespace

TEST(Banner, ShapeWithTwoBlanksBeforeTheStatus) {
    char *buf = nullptr;
    size_t len = 0;
    FILE *fp = open_memstream(&buf, &len);
    prtban(fp);
    fclose(fp);
    std::string text(buf, len);
    free(buf);
    EXPECT_TRUE(std::regex_match(text, std::regex(banner_re))) << text;
    EXPECT_EQ(mask_banner_date(text), "Kestra for TSQL Release 4.0.0.0.6  - Beta on <date>\n");
}

TEST(Driver, NoArgumentsPrintsTheUsageAndExits1) {
    temp_dir dir;
    run_result r = run_kestra(dir, {}, "kestra-as-invoked");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_match(r.out, std::regex(banner_re))) << r.out;
    EXPECT_EQ(r.err, usage_text("kestra-as-invoked"));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(Driver, InvalidSwitchesAreRefusedWithTheFullText) {
    const std::vector<std::vector<std::string>> cases = {
        {"-E", "p1.sql"},       {"-1", "p1.sql"}, {"-", "p1.sql"}, {"-g", "p1.sql"},
        {"-U", "-C", "p1.sql"}, {"-X", "-Q"},     {"-P", "-Z"},    {"-Utypes", "-W", "p1.sql"}};
    for (const auto &args : cases) {
        temp_dir dir;
        dir.write("p1.sql", source);
        run_result r = run_kestra(dir, args);
        std::string joined;
        for (const auto &a : args)
            joined += a + " ";
        EXPECT_EQ(r.status, 1) << joined;
        EXPECT_EQ(r.err.substr(0, invalid_switch_text.size()), invalid_switch_text) << joined;
        EXPECT_FALSE(dir.exists("p1.sql.pls")) << joined;
        EXPECT_FALSE(dir.exists("KESTRA.log")) << joined;
    }
}

// What the command line answers besides the fixed texts: --help and --version anywhere (status
// 0, nothing written), the refused switch named after the invalid-switch text, and a line for
// every further source name that is not converted.
TEST(Driver, HelpVersionNamedSwitchAndSkippedSources) {
    const std::string banner = "Kestra for TSQL Release 4.0.0.0.6  - Beta on <date>\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out; // after the masked banner; "usage" stands for the usage text
        std::string err; // for status 1: the line after the invalid-switch text
    } cases[] = {
        {{"--help"}, 0, "usage", ""},
        {{"-X", "--help", "p1.sql"}, 0, "usage", ""},
        {{"--version"}, 0, "", ""},
        {{"-Z", "p1.sql"}, 1, "", "kestra: unknown switch -Z\n"},
        {{"-U", "-C", "p1.sql"}, 1, "", "kestra: -U must be followed by a file name, not -C\n"},
        {{"a.sql", "b.sql", "p1.sql"},
         0,
         "Successfully converted. RETCODE = 0\n",
         "kestra: a.sql not converted: kestra converts one source file, its last argument; "
         "kestra-batch converts several\n"
         "kestra: b.sql not converted: kestra converts one source file, its last argument; "
         "kestra-batch converts several\n"},
        {{"-U", "types.txt", "p1.sql"},
         0,
         "Successfully converted. RETCODE = 0\n",
         "Cannot Load User Defined Datatype File"},
    };
    for (const auto &c : cases) {
        temp_dir dir;
        dir.write("p1.sql", source);
        run_result r = run_kestra(dir, c.args, "kestra");
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        EXPECT_EQ(r.status, c.status);
        const std::string out = mask_banner_date(r.out);
        if (c.out == "usage") {
            EXPECT_EQ(out.substr(0, banner.size() + usage_text("kestra").size()),
                      banner + usage_text("kestra"));
            EXPECT_NE(out.find("Exit status: 0 converted, 2 failed to convert"), std::string::npos);
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_EQ(out, banner + c.out);
        }
        if (c.status == 1) {
            EXPECT_EQ(r.err, invalid_switch_text + c.err);
        } else if (c.out != "usage") {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        }
        if (c.status == 1 || c.out == "usage" || c.out.empty()) {
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"p1.sql"});
        }
    }
}

TEST(Driver, ASingleArgumentIsTheSourceNameEvenWithADash) {
    temp_dir dir;
    run_result r = run_kestra(dir, {"-P"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot open input file : -P\n"
                     "kestra: -P: No such file or directory\n");
    EXPECT_TRUE(dir.entries().empty());
}

TEST(Driver, MissingSourceAndUnwritableOutput) {
    temp_dir dir;
    run_result r = run_kestra(dir, {"-X", "nosuch.sql"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot open input file : nosuch.sql\n"
                     "kestra: nosuch.sql: No such file or directory\n");
    EXPECT_TRUE(dir.entries().empty()) << "nothing is written before the source is open";

    dir.write("p1.sql", source);
    ASSERT_EQ(mkdir(dir.file("p1.sql.pls").c_str(), 0700), 0);
    r = run_kestra(dir, {"p1.sql"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot open output file : p1.sql.pls\n"
                     "kestra: p1.sql.pls: Is a directory\n");
    EXPECT_FALSE(dir.exists("KESTRA.log"));
}

TEST(Driver, CompletedRunReportsAndLeavesOnlyItsFiles) {
    temp_dir dir;
    dir.write("p1.sql", source);
    run_result r = run_kestra(dir, {"p1.sql"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(mask_banner_date(r.out), "Kestra for TSQL Release 4.0.0.0.6  - Beta on <date>\n"
                                       "Successfully converted. RETCODE = 0\n");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "p1.sql", "p1.sql.pls"}));
    EXPECT_EQ(dir.read("KESTRA.log"),
              "[KESTRA-MSG(OKEY)]:[p1.sql(SUCCESS)] Conversion Successful\n");

    // The log grows across runs; the output script is rewritten.
    r = run_kestra(dir, {"-x", "p1.sql"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(dir.read("KESTRA.log"),
              "[KESTRA-MSG(OKEY)]:[p1.sql(SUCCESS)] Conversion Successful\n"
              "[KESTRA-MSG(OKEY)]:[p1.sql(SUCCESS)] Conversion Successful\n");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "p1.sql", "p1.sql.pls"}));
}

TEST(Driver, TheSourceKeepsItsExtensionInTheOutputName) {
    temp_dir dir;
    dir.write("proc.txt", source);
    EXPECT_EQ(run_kestra(dir, {"proc.txt"}).status, 0);
    EXPECT_TRUE(dir.exists("proc.txt.pls"));
}

// The option table, run in-process so that the resulting state can be read.
struct option_case {
    std::vector<std::string> args; // the source name p1.sql is appended
    int16_t procedure, function, powerbuilder, result_set_fn, mult_row_fn, default_opt;
    int16_t noexception, prefix_name, nocomments, use_alias, arg_option;
    int yydebug;
    const char *retcode;
    const char *userfile;
};

TEST(Options, TableLastOptionWinsEitherCase) {
    // proc func pb  rs  mr  def  noex pref noc alias argo dbg  RetCode userfile
    const option_case cases[] = {
        {{}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-f100", "-i"}, 0, 1, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, "100", ""},
        {{"-F"}, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-P", "-F"}, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-F7", "-p"}, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, "7", ""},
        {{"-B"}, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-b", "-R"}, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-I", "-r"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-X", "-d", "-N", "-c", "-A"}, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 1, "0", ""},
        {{"-O3"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-O"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", ""},
        {{"-o2"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 2, 0, "0", ""},
        {{"-O1"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, "0", ""},
        {{"-O2", "-O0"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 2, 0, "0", ""},
        {{"-O2", "-O1"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, "0", ""},
        {{"-Utypes.txt"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", "types.txt"},
        {{"-u", "types.txt"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", "types.txt"},
        {{"-Ua", "-Ub"}, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "0", "b"},
        {{"-F1234567890123456789"}, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, "1234567890123456789", ""},
        {{"notanoption", "-X"}, 1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, "0", ""},
    };
    for (const option_case &c : cases) {
        temp_dir dir;
        dir.write("p1.sql", source);
        dir.write("types.txt", "T1 int\n");
        std::vector<std::string> args = c.args;
        args.push_back("p1.sql");
        run_result r = run_in_process(dir, args);
        std::string joined;
        for (const auto &a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(procedure, c.procedure);
        EXPECT_EQ(function, c.function);
        EXPECT_EQ(powerbuilder, c.powerbuilder);
        EXPECT_EQ(result_set_fn, c.result_set_fn);
        EXPECT_EQ(mult_row_fn, c.mult_row_fn);
        EXPECT_EQ(default_opt, c.default_opt);
        EXPECT_EQ(noexception, c.noexception);
        EXPECT_EQ(prefix_name, c.prefix_name);
        EXPECT_EQ(nocomments, c.nocomments);
        EXPECT_EQ(use_alias, c.use_alias);
        EXPECT_EQ(arg_option, c.arg_option);
        EXPECT_EQ(yydebug, c.yydebug);
        EXPECT_STREQ(RetCode, c.retcode);
        EXPECT_STREQ(userfile, c.userfile);
        EXPECT_STREQ(iFname, "p1.sql");
        EXPECT_STREQ(oFname, "p1.sql.pls");
    }
}

TEST(Options, TheLastArgumentIsAlsoExaminedAsAnOption) {
    temp_dir dir;
    run_result r = run_in_process(dir, {"-X", "-N"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(prefix_name, 0) << "-N was examined as an option";
    EXPECT_EQ(r.err, "Cannot open input file : -N\n"
                     "kestra: -N: No such file or directory\n");
}

TEST(Options, UWithTheNextArgumentConsumesIt) {
    // "-U types.txt" consumes types.txt, which is also the last argument: the source name.
    temp_dir dir;
    dir.write("types.txt", "T1 int\n");
    run_result r = run_in_process(dir, {"-U", "types.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_STREQ(userfile, "types.txt");
    EXPECT_STREQ(iFname, "types.txt");
}

TEST(Options, MissingUserDatatypeFileDoesNotStopTheRun) {
    temp_dir dir;
    dir.write("p1.sql", source);
    run_result r = run_kestra(dir, {"-Unone.txt", "p1.sql"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Cannot Load User Defined Datatype File none.txt\n");
    EXPECT_NE(r.out.find("Successfully converted. RETCODE = 0\n"), std::string::npos);
}

// Values longer than their widths are refused (exit status 1, a message on standard error)
// instead of overrunning RetCode (19 characters), userfile (127) or iFname + ".pls" (127).
TEST(Options, OverlongValuesAndAMissingUFileNameAreRefused) {
    const std::string name123(119, 'n'), name124(120, 'n');
    const std::string long_u(128, 'u'), ok_u(127, 'u');
    struct refusal {
        std::vector<std::string> args;
        int status;
        const char *err_part;
    };
    const refusal cases[] = {
        {{"-F12345678901234567890", "p1.sql"}, 1, "-F"},
        {{"-U" + long_u, "p1.sql"}, 1, "user datatype file name"},
        {{"-U", long_u, "p1.sql"}, 1, "user datatype file name"},
        {{"-X", name124 + ".sql"}, 1, "input file name"},
        {{name124 + ".sql"}, 1, "input file name"},
        {{"p1.sql", "-U"}, 1, "-U needs"},
        {{"-U" + ok_u, "p1.sql"}, 0, "Cannot Load User Defined Datatype File"},
        {{name123 + ".sql"}, 1, "Cannot open input file : "},
    };
    for (const refusal &c : cases) {
        temp_dir dir;
        dir.write("p1.sql", source);
        run_result r = run_kestra(dir, c.args);
        SCOPED_TRACE(c.args[0].substr(0, 20));
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err_part), std::string::npos) << r.err;
        if (c.status != 0) {
            EXPECT_FALSE(dir.exists("KESTRA.log"));
            EXPECT_FALSE(dir.exists("p1.sql.pls"));
        }
    }
}

// The switch reader that kestra and kestra-batch share, on whole command lines: the switches
// in order, the source names before the last skipped, the first refusal returned with what it
// names. Then one switch read alone: its letter and value, and the argument it stops on (-U
// with a separate name stops on the name).
TEST(Options, SharedSwitchReaderTable) {
    struct row {
        std::vector<std::string> args; // after the program name
        switch_error error;
        std::string named; // the value, or what the refusal names
        int16_t procedure; // cl.options after the line (from all zero)
        int16_t result_set_fn;
        std::string return_value;
        std::string user_type_file;
        size_t skipped;
        int at;       // argv index of the switch read alone (0: none)
        char letter;  // its letter
        int stops_on; // the index read_switch leaves
    };
    const std::string u128(128, 'u'), f20(20, 'f');
    const row rows[] = {
        {{"-p", "a.sql"}, switch_error::none, "", 1, 0, "", "", 0, 1, 'P', 1},
        {{"-Fx1", "-R", "a.sql"}, switch_error::none, "x1", 0, 1, "x1", "", 0, 1, 'F', 1},
        {{"-Fx1", "-F", "a.sql"}, switch_error::none, "", 0, 0, "x1", "", 0, 2, 'F', 2},
        {{"-U", "t.txt", "a.sql"}, switch_error::none, "t.txt", 0, 0, "", "t.txt", 0, 1, 'U', 2},
        {{"-U-x", "a.sql"}, switch_error::none, "-x", 0, 0, "", "-x", 0, 1, 'U', 1},
        {{"b.sql", "c.sql", "a.sql"}, switch_error::none, "", 0, 0, "", "", 2, 0, 0, 0},
        {{"-Q", "a.sql"}, switch_error::unknown, "-Q", 0, 0, "", "", 0, 1, 'Q', 1},
        {{"--", "a.sql"}, switch_error::unknown, "--", 0, 0, "", "", 0, 1, '-', 1},
        {{"-F" + f20, "a.sql"}, switch_error::value_too_long, f20, 0, 0, "", "", 0, 1, 'F', 1},
        {{"a.sql", "-U"}, switch_error::no_file_name, "", 0, 0, "", "", 1, 2, 'U', 2},
        {{"-U", "-P", "a.sql"},
         switch_error::file_name_is_switch,
         "-P",
         0,
         0,
         "",
         "",
         0,
         1,
         'U',
         2},
        {{"-U" + u128, "a.sql"},
         switch_error::file_name_too_long,
         u128,
         0,
         0,
         "",
         "",
         0,
         1,
         'U',
         1},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.args[0].substr(0, 20));
        std::vector<std::string> storage = {"kestra"};
        storage.insert(storage.end(), r.args.begin(), r.args.end());
        std::vector<char *> argv;
        for (std::string &a : storage)
            argv.push_back(&a[0]);
        const int argc = static_cast<int>(argv.size());
        command_line cl;
        std::string refused;
        EXPECT_EQ(parse_command_line(argc, argv.data(), cl, refused), r.error);
        EXPECT_STREQ(cl.source, argv.back());
        EXPECT_EQ(cl.skipped.size(), r.skipped);
        if (r.error != switch_error::none) {
            EXPECT_EQ(refused, r.named);
        } else {
            EXPECT_EQ(cl.options.procedure, r.procedure);
            EXPECT_EQ(cl.options.result_set_fn, r.result_set_fn);
            EXPECT_EQ(cl.options.return_value, r.return_value);
            EXPECT_EQ(cl.options.user_type_file, r.user_type_file);
        }
        if (r.at == 0)
            continue;
        converter_switch sw;
        int i = r.at;
        EXPECT_EQ(read_switch(argc, argv.data(), i, sw), r.error);
        EXPECT_EQ(sw.letter, r.letter);
        if (r.error != switch_error::unknown) {
            EXPECT_EQ(sw.value, r.named);
        }
        EXPECT_EQ(i, r.stops_on);
    }
}

TEST(Driver, ManyRunsInOneProcessStartFromTheProgramStartState) {
    temp_dir dir;
    dir.write("p1.sql", source);
    dir.write("types.txt", "T1 int\n");
    run_result r = run_in_process(dir, {"-X", "-N", "-B", "-F9", "-O2", "-Utypes.txt", "p1.sql"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(noexception, 0);
    r = run_in_process(dir, {"p1.sql"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(noexception, 1);
    EXPECT_EQ(prefix_name, 1);
    EXPECT_EQ(procedure, 1);
    EXPECT_EQ(powerbuilder, 0);
    EXPECT_EQ(arg_option, 0);
    EXPECT_STREQ(RetCode, "0");
    EXPECT_STREQ(userfile, "");
    // A failed run in between leaves nothing open.
    r = run_in_process(dir, {"-X", "missing.sql"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(yyin, nullptr);
    EXPECT_EQ(tmpFile, nullptr);
    EXPECT_EQ(fpLog, nullptr);
    EXPECT_EQ(yyout, nullptr);
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"KESTRA.log", "p1.sql", "p1.sql.pls", "types.txt"}));
}

TEST(Driver, FailedConversionReportUsesStackDepthAndUnitName) {
    // yyerror is what makes a run fail; here it is called the way the parser calls it.
    temp_dir dir;
    reset_conversion_state();
    text_copy(iFname, sizeof iFname, "p1.sql");
    text_copy(proc_name, sizeof proc_name, "dbo.p1");
    yylineno = 7;
    char token[] = "BEGIN";
    char *saved = yytext;
    yytext = token;
    run_result r = capture_in(dir, [] {
        fpLog = fopen("KESTRA.log", "a");
        yyerror("syntax error");
        fclose(fpLog);
        fpLog = nullptr;
    });
    yytext = saved;
    EXPECT_EQ(conv_error, 1);
    EXPECT_EQ(r.err, "syntax error in p1.sql at line 7 near the token 'BEGIN'\n");
    EXPECT_EQ(dir.read("KESTRA.log"),
              "[KESTRA-ERR(0007)]:[p1.sql(dbo.p1)]syntax error Near 'BEGIN'\n");
}

TEST(Driver, YywrapMarksTheEndOfInput) {
    reset_conversion_state();
    EXPECT_EQ(yywrap(), 1);
    EXPECT_EQ(end_of_input, 1);
}

namespace {
std::string statement(int16_t newline_first, int indent, const char *text) {
    char *buf = nullptr;
    size_t len = 0;
    FILE *fp = open_memstream(&buf, &len);
    print_statement(newline_first, indent, text, fp);
    fclose(fp);
    std::string s(buf, len);
    free(buf);
    return s;
}
} // namespace

TEST(PrintStatement, WrapsAtTheFirstBlankPastColumn61) {
    // 150 characters: 30 words of four letters separated by blanks, and a final full stop.
    std::string text;
    for (int i = 0; i < 30; i++)
        text += std::string(i ? " " : "") + "abcd";
    text += ".";
    ASSERT_EQ(text.size(), 150u);
    // Blanks stand at columns 4, 9, ..., 64: the one at 64 is the first past 60, so each line
    // holds 13 words and its blank.
    std::string thirteen;
    for (int i = 0; i < 13; i++)
        thirteen += "abcd ";
    EXPECT_EQ(statement(1, 2, text.c_str()),
              "\n\t\t" + thirteen + "\n\t\t   " + thirteen + "\n\t\t   abcd abcd abcd abcd.");
}

TEST(PrintStatement, Cases) {
    const std::string sixty(60, 'x');
    struct c {
        int16_t nl;
        int indent;
        std::string text, expected;
    };
    const c cases[] = {
        {1, 2, "\nSELECT a", "\n\t\tSELECT a"},      // no extra leading newline
        {0, 2, "SELECT a", "SELECT a"},              // no newline first
        {1, 0, "a b", "\na b"},                      // indentation 0
        {1, -1, "a", "\na"},                         // negative indentation: no tabs
        {0, 1, "a\tb\tc", "abc"},                    // tabs of the text are dropped
        {0, 1, "a\nb", "a\n\tb"},                    // a newline is followed by the indentation
        {0, 1, sixty + " y", sixty + " y"},          // blank at column 60: no break
        {0, 1, sixty + "z y", sixty + "z \n\t   y"}, // blank at column 61: break
        {0, 1, sixty + "\nz y", sixty + "\n\tz y"},  // a newline resets the column
        {0, 1, "", ""},
    };
    for (const c &k : cases)
        EXPECT_EQ(statement(k.nl, k.indent, k.text.c_str()), k.expected) << k.text;
}

TEST(ValidProcname, CutsTo27CharactersInA30ByteBuffer) {
    const std::string forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    const std::string twenty_seven = forty.substr(0, 27);
    char *a = valid_procname(forty.c_str());
    EXPECT_STREQ(a, twenty_seven.c_str());
    char *b = valid_procname(twenty_seven.c_str());
    EXPECT_STREQ(b, twenty_seven.c_str());
    EXPECT_STREQ(valid_procname("p1"), "p1");
    EXPECT_NE(a, b) << "each call has its own buffer";
    EXPECT_STREQ(a, twenty_seven.c_str()) << "earlier buffers stay valid";
    release_procname_pool();
}

TEST(KestraExit, OutsideARunItExitsWithTheStatus) {
    EXPECT_EXIT(kestra_exit(10), testing::ExitedWithCode(10), "");
}

TEST(Driver, RunsInOneDirectoryAtOnceDoNotDisturbEachOther) {
    const std::string sample =
        read_file(std::string(KESTRA_TEST_DATA) + "/../../examples/sample.sql");
    ASSERT_FALSE(sample.empty());
    // Each source converted alone first.
    std::vector<std::string> alone;
    for (int i = 0; i < 4; i++) {
        temp_dir solo;
        std::string name = "s" + std::to_string(i) + ".sql";
        solo.write(name, i % 2 ? sample : source);
        run_result r = run_kestra(solo, {name});
        ASSERT_EQ(r.status, 0) << r.err;
        alone.push_back(solo.read(name + ".pls"));
    }
    temp_dir dir;
    std::vector<pid_t> pids;
    for (int i = 0; i < 4; i++) {
        std::string name = "s" + std::to_string(i) + ".sql";
        dir.write(name, i % 2 ? sample : source);
        pids.push_back(start_kestra(dir, {name}, "t" + std::to_string(i)));
    }
    for (int i = 0; i < 4; i++) {
        run_result r = finish_kestra(dir, pids[i], "t" + std::to_string(i));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(dir.read("s" + std::to_string(i) + ".sql.pls"), alone[i]) << i;
    }
    // The log holds one whole final line per run, and no work file is left.
    std::string log = dir.read("KESTRA.log");
    for (int i = 0; i < 4; i++)
        EXPECT_NE(log.find("[KESTRA-MSG(OKEY)]:[s" + std::to_string(i) +
                           ".sql(SUCCESS)] Conversion Successful\n"),
                  std::string::npos)
            << log;
    // 4 sources, 4 outputs, the log and the sample's DDL script (one unit name, one file).
    EXPECT_EQ(dir.entries().size(), 10u);
}

TEST(Driver, AnUnopenableLogStopsTheRunWithEverythingClosed) {
    temp_dir dir;
    dir.write("p1.sql", source);
    ASSERT_EQ(mkdir(dir.file("KESTRA.log").c_str(), 0700), 0);
    run_result r = run_in_process(dir, {"p1.sql"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("KESTRA.log: ", 0), 0u) << r.err; // the C library's error text
    EXPECT_EQ(yyin, nullptr);
    EXPECT_EQ(tmpFile, nullptr);
    EXPECT_EQ(fpLog, nullptr);
    EXPECT_EQ(yyout, nullptr);
    EXPECT_EQ(fp1, nullptr);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "p1.sql"})); // no script
    // The same process converts normally afterwards.
    ASSERT_EQ(rmdir(dir.file("KESTRA.log").c_str()), 0);
    r = run_in_process(dir, {"p1.sql"});
    EXPECT_EQ(r.status, 0) << r.err;
}

// A run that completes but fails to convert ends the kestra program with status 2, so a
// script can tell it from a success; the run driver itself (what kestra-batch calls) returns 0.
TEST(Driver, AnEmptySourceFailsToConvertWithExitStatus2) {
    temp_dir dir;
    dir.write("p1.sql", "");
    EXPECT_EQ(run_in_process(dir, {"p1.sql"}).status, 0);
    ::remove(dir.file("KESTRA.log").c_str());
    run_result r = run_kestra(dir, {"p1.sql"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(mask_banner_date(r.out), "Kestra for TSQL Release 4.0.0.0.6  - Beta on <date>\n"
                                       "Failed to convert. RETCODE = 0\n");
    EXPECT_EQ(r.err, "syntax error in p1.sql at line 1 near the token ''\n"
                     "kestra: no procedure or trigger found in p1.sql\n");
    EXPECT_EQ(dir.read("KESTRA.log"), "[KESTRA-ERR(0001)]:[p1.sql()]syntax error Near ''\n"
                                      "[KESTRA-MSG(FAIL)]:[p1.sql()] Conversion Failed\n");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "p1.sql", "p1.sql.pls"}));
}

// A run stopped with status 1 or 10 leaves no partial output script or DDL script behind (its
// log still ends with the failure line); a refusal before the output script was created
// leaves an earlier run's script alone.
TEST(Driver, StoppedRunsLeaveNoPartialOutput) {
    const std::string temp_unit = "create procedure p1 as\nselect a into #t from tab\ngo\n";
    const std::string long_param = "create procedure p2 @" + std::string(120, 'x') +
                                   " int as\n"
                                   "print 'x'\ngo\n";
    const struct {
        const char *what;
        std::string source;
        const char *blocker; // a directory made where the DDL script goes
        const char *full;    // a script whose name leads to a device that refuses every write
        std::vector<std::string> args;
        int status;
        std::vector<std::string> left;
    } cases[] = {
        {"CREATE TABLE's DDL script",
         "create procedure p1 as\ncreate table t (a int)\ngo\n",
         "ddl_p1.pls",
         nullptr,
         {"p1.sql"},
         10,
         {"KESTRA.log", "ddl_p1.pls", "p1.sql"}},
        {"SELECT INTO's DDL script",
         temp_unit,
         "ddl_p1.sql",
         nullptr,
         {"p1.sql"},
         10,
         {"KESTRA.log", "ddl_p1.sql", "p1.sql"}},
        {"a limit after a DDL script was written",
         temp_unit + long_param,
         nullptr,
         nullptr,
         {"p1.sql"},
         1,
         {"KESTRA.log", "p1.sql"}},
        {"an invalid switch",
         source,
         nullptr,
         nullptr,
         {"-Z", "p1.sql"},
         1,
         {"p1.sql", "p1.sql.pls"}},
        {"a full disk under the output script",
         source,
         nullptr,
         "p1.sql.pls",
         {"p1.sql"},
         1,
         {"KESTRA.log", "p1.sql"}},
        {"a full disk under the DDL script",
         "create procedure p1 as\ncreate table t (a int)\ngo\n",
         nullptr,
         "ddl_p1.pls",
         {"p1.sql"},
         1,
         {"KESTRA.log", "p1.sql"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        temp_dir dir;
        dir.write("p1.sql", c.source);
        if (c.status == 1 && c.args.size() > 1)
            dir.write("p1.sql.pls", "an earlier run's script\n");
        if (c.blocker != nullptr) {
            ASSERT_EQ(mkdir(dir.file(c.blocker).c_str(), 0700), 0);
        }
        if (c.full != nullptr) {
            ASSERT_EQ(symlink("/dev/full", dir.file(c.full).c_str()), 0);
        }
        run_result r = run_kestra(dir, c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(dir.entries(), c.left);
        if (c.blocker != nullptr) {
            EXPECT_EQ(r.err, std::string(c.blocker) + ": Is a directory\n");
        }
        if (c.full != nullptr) {
            EXPECT_NE(r.err.find(std::string("kestra: cannot write ") + c.full + ": No space left"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(r.out.find("Successfully converted"), std::string::npos) << r.out;
        }
        if (dir.exists("KESTRA.log")) {
            const std::string log = dir.read("KESTRA.log");
            EXPECT_NE(log.find("[KESTRA-MSG(FAIL)]:[p1.sql("), std::string::npos) << log;
        }
    }
}

// Texts of the conversion state that the source can overflow stop the run (status 1, a
// message naming the text, no script left) instead of being cut.
TEST(Driver, OverlongStateTextsStopTheRun) {
    const std::string x120(120, 'x'), n70(70, 'n'), v60(60, 'v'), t150(150, 't'), c600(600, 'c'),
        c497(497, 'c');
    const struct {
        std::string source;
        std::string message;
    } cases[] = {
        {"create procedure p1 @a varchar(10) = '" + x120 + "' as print 1\n",
         "kestra: the default value of a parameter is longer than 99 characters: "},
        {"create trigger t1 on " + x120 + " for insert as print 1\n",
         "kestra: the trigger's table name is longer than 99 characters: "},
        {"create procedure p1 as declare @a " + x120 + "\nselect @a = 1\n",
         "kestra: a data type is longer than 99 characters: USER_TYPE_x"},
        {"create procedure " + n70 + " @" + v60 + " int as\nselect c from t where c = @" + v60 +
             "\n",
         "kestra: a qualified variable name is longer than 99 characters: "},
        {"create procedure p1 as\nselect a into #" + t150 + " from b\n",
         "kestra: a temporary table name is longer than 99 characters: temp_"},
        {"create procedure p1 as\nselect " + v60 + " from " + t150 + "\n",
         "kestra: a result column type is longer than 199 characters: "},
        {"create procedure p1 as\nselect " + c600 + " from t1, t2\n",
         "kestra: a result column name is longer than 499 characters: "},
        {"create procedure p1 as\nselect " + c497 + ", " + c497 + " from t1, t2\n",
         "kestra: a result column name is longer than 499 characters: " + c497.substr(0, 60)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        temp_dir dir;
        dir.write("p1.sql", c.source);
        run_result r = run_kestra(dir, {"p1.sql"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(dir.exists("p1.sql.pls"));
    }
}
