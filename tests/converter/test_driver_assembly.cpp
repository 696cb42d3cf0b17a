// Output assembly tests: work files of one unit assembled onto the output script (heads,
// package specification, parameter list, declarations, body markers, support functions), and
// no work file left in the directory.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "assembly.h"
#include "convstate.h"
#include "output.h"
#include "testutil.h"

using namespace kestra_test;

namespace {

struct unit_files {
    std::string params, decls, package, body; // work files 2, 3, 5 and 1
};

// Opens a unit's work files in a fresh directory, writes `files`, lets `setup` set the state,
// assembles the unit and returns the output script. The directory must then hold only the log
// and the output script.
std::string assemble(const unit_files &files, const std::function<void()> &setup) {
    temp_dir dir;
    std::string result;
    run_result r = capture_in(dir, [&] {
        reset_conversion_state();
        text_copy(proc_name, sizeof proc_name, "p1");
        tmpFile = fopen("out.pls", "w");
        open_tmp_files();
        fputs(files.params.c_str(), fp1);
        fputs(files.decls.c_str(), fp2);
        fputs(files.package.c_str(), fp72);
        write_marked_body(yyout, files.body);
        setup();
        close_tmp_files();
        fclose(tmpFile);
        tmpFile = nullptr;
    });
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "out.pls"}));
    result = dir.read("out.pls");
    reset_conversion_state();
    return result;
}

void declare(int i, const char *name, const char *base, const char *size, int kind,
             const char *default_clause = "", const char *default_value = "") {
    list_mark(declare_list_marked, i); // written as the converter writes the list
    declare_entry &e = declare_list[i];
    text_copy(e.name, sizeof e.name, name);
    text_copy(e.base_type, sizeof e.base_type, base);
    text_copy(e.size, sizeof e.size, size);
    text_copy(e.default_clause, sizeof e.default_clause, default_clause);
    text_copy(e.default_value, sizeof e.default_value, default_value);
    e.kind = kind;
    if (declare_no <= i)
        declare_no = i + 1;
}

const std::string body_with_5 = "\nBEGIN\x05\n\tx := 1;\nEND;\n";

} // namespace

TEST(Assembly, ProcedureReturningArgumentsWithAnAssignedInput) {
    std::string out = assemble({"(\na \tIN INTEGER)", "\nx \tINTEGER;", "", body_with_5}, [] {
        result_set_fn = 0; // -I
        begin_printed = 1;
        no_of_begin = 1;
        declare(0, "a", "INTEGER", "", 3);
        declare(1, "b", "CHAR", "(2)", 0);
    });
    EXPECT_EQ(out, "\nCREATE OR REPLACE PROCEDURE p1(\na \tIN INTEGER)"
                   "\nAS"
                   "\na \tINTEGER;"
                   "\nx \tINTEGER;"
                   "\nBEGIN\n\tp1.a := p1.in_a;\n\tx := 1;\nEND;\n"
                   "show errors;\n");
}

TEST(Assembly, ResultSetsGetAPackageWithTheShortenedName) {
    const std::string name = std::string(27, 'p') + "qqq";
    const std::string package = "\nTYPE RT1 IS RECORD (\n\tc1 VARCHAR(255)\n\t);"
                                "\nTYPE RCT1 IS REF CURSOR RETURN RT1;\n";
    std::string out =
        assemble({"(\nRC1 \tIN OUT pPkg.RCT1)", "", package, "\nBEGIN\x05\n\tNULL;\nEND;\n"}, [&] {
            text_copy(proc_name, sizeof proc_name, name.c_str());
            begin_printed = 1;
            no_of_begin = 3;
        });
    EXPECT_EQ(out, "\nCREATE OR REPLACE PACKAGE " + std::string(27, 'p') + "Pkg AS" + package +
                       "END;\n/ \n"
                       "\nCREATE OR REPLACE PROCEDURE " +
                       name + "(\nRC1 \tIN OUT pPkg.RCT1)" +
                       "\nAS"
                       "\nBEGIN\nBEGIN"
                       "\nBEGIN\n\tNULL;\nEND;\n"
                       "show errors;\n");
}

TEST(Assembly, ResultSetsWithoutPackageAndFunctionHeads) {
    // An empty package specification writes neither the package nor "END;\n/ \n".
    EXPECT_EQ(assemble({"", "", "", "\nBEGIN\x05\n\tNULL;\nEND;\n"}, [] { begin_printed = 1; }),
              "\nCREATE OR REPLACE PROCEDURE p1\nAS\nBEGIN\n\tNULL;\nEND;\nshow errors;\n");
    // -F -I: a function returning INTEGER.
    EXPECT_EQ(assemble({"(\na \tIN INTEGER)", "", "", "\nBEGIN\x05\nEND;\n"},
                       [] {
                           function = 1;
                           procedure = 0;
                           result_set_fn = 0;
                           begin_printed = 1;
                       }),
              "\nCREATE OR REPLACE FUNCTION p1(\na \tIN INTEGER)\nRETURN INTEGER\nAS"
              "\nBEGIN\nEND;\nshow errors;\n");
    // A RETURN with a value turns a procedure into a function.
    EXPECT_EQ(assemble({"", "", "", "\nBEGIN\x05\nEND;\n"},
                       [] {
                           result_set_fn = 0;
                           isFunction = 1;
                           begin_printed = 1;
                       }),
              "\nCREATE OR REPLACE FUNCTION p1\nRETURN INTEGER\nAS\nBEGIN\nEND;\nshow errors;\n");
}

TEST(Assembly, EmptyBodyHasNoHeadNoAsNoShowErrors) {
    EXPECT_EQ(assemble({"(\na \tIN INTEGER)", "\nx \tINTEGER;", "", ""}, [] { result_set_fn = 0; }),
              "(\na \tIN INTEGER)\nx \tINTEGER;");
    EXPECT_EQ(assemble({"(\na \tIN INTEGER)", "", "", ""}, [] {}), "");
}

TEST(Assembly, TriggerHeadIsAlwaysForEachRow) {
    std::string out = assemble({"", "", "", "\nBEGIN\x05\n\tNULL;\nEND;\n"}, [] {
        text_copy(proc_name, sizeof proc_name, "trg1");
        iftrigger = 1;
        ifeachrow = 0;
        begin_printed = 1;
        text_copy(TriggerEvent, sizeof TriggerEvent, "INSERT OR UPDATE");
        text_copy(TriggerTable, sizeof TriggerTable, "orders");
    });
    EXPECT_EQ(out, "\nCREATE OR REPLACE TRIGGER trg1\nAFTER INSERT OR UPDATE\nON orders\n"
                   "FOR EACH ROW\nBEGIN\n\tNULL;\nEND;\nshow errors;\n");
    EXPECT_NE(assemble({"", "", "", "\nBEGIN\x05\nEND;\n"},
                       [] {
                           iftrigger = 1;
                           aft_trig = 0;
                           begin_printed = 1;
                           text_copy(TriggerEvent, sizeof TriggerEvent, "DELETE");
                       })
                  .find("\nBEFORE DELETE\n"),
              std::string::npos);
}

TEST(Assembly, ArgumentInitialisationByOption) {
    struct c {
        int16_t arg_option, prefix_name;
        std::string init;
    };
    const c cases[] = {
        {0, 1, "\n\tp1.a := p1.in_a;\n\tp1.b := p1.in_b;"},
        {2, 0, "\n\ta := in_a;\n\tb := in_b;"},
        {1, 1, "\n\tIF p1.a IS NULL THEN\n\t\tp1.a := 5;\n\tEND;"}, // b has no default
        {1, 0, "\n\tIF a IS NULL THEN\n\ta := 5;\n\tEND;"},
    };
    for (const c &k : cases) {
        std::string out = assemble({"", "", "", "\nBEGIN\x05\nEND;\n"}, [&] {
            arg_option = k.arg_option;
            prefix_name = k.prefix_name;
            declare(0, "a", "INTEGER", "", 3, "DEFAULT 5", "5");
            declare(1, "c", "INTEGER", "", 1);
            declare(2, "b", "VARCHAR2", "(10)", 3);
        });
        // Without a body statement (begin_printed clear) only the declarations and the body.
        std::string locals = k.arg_option == 0 ? "\na \tINTEGER;\nb \tVARCHAR2(10);" : "";
        EXPECT_EQ(out, locals + "\nBEGIN" + k.init + "\nEND;\n")
            << k.arg_option << " " << k.prefix_name;
    }
}

TEST(Assembly, SelectListIntoListAndStatusBlockMarkers) {
    auto setup = [] {
        fld_cnt = 4;
        for (int i = 0; i < 4; i++)
            snprintf(fld_list[i].name, sizeof fld_list[i].name, "o%d", i + 1);
        fld_list[1].indent = 2;
        strcpy(retfld_list[1][0], "a");
        strcpy(retfld_list[1][2], "c");
        list_mark(retrow_list_marked, 2); // written as the converter writes the list
        retrow_list[1].status_flag = 1;
        retrow_list[1].number = 1;
        strcpy(fld_list[1].text, "1@2");
        strcpy(retrow_list[1].query, "SELECT a FROM t");
        strcpy(retrow_list[2].query, "SELECT b FROM u");
    };
    const std::string body = "SELECT \x01"
                             "1\x01\n\t\tINTO \x01\x01 FROM t;\x01"
                             "1\x02";
    const std::string select = "SELECT a\n\t\t, NULL\n\t\t, c\n\t\t, NULL"
                               "\n\t\tINTO p1.o1\n\t\t, p1.o2\n\t\t, p1.o3\n\t\t, p1.o4 FROM t;";
    const std::string block_head = "\n\tBEGIN\n\t\tTarn_error   := 0;"
                                   "\n\t\tSELECT 1 INTO Tarn_rowcnt FROM DUAL"
                                   "\n\t\tWHERE EXISTS ("
                                   "\n\t\tSELECT a FROM t\n\t\t   UNION\n\t\tSELECT b FROM u"
                                   "\n\t\t);\n";
    EXPECT_EQ(assemble({"", "", "", body}, setup),
              select + block_head +
                  "\t\tEXCEPTION\n\t\t\tWHEN OTHERS THEN\n\t\t\t\tTarn_rowcnt := 0;"
                  "\n\t\t\t\tTarn_selcnt := 0;\n\t\t\t\tTarn_error := SQLCODE;"
                  "\n\tEND;");
    // -X: no EXCEPTION part, the existence test still closed.
    EXPECT_EQ(assemble({"", "", "", body},
                       [&] {
                           setup();
                           noexception = 0;
                       }),
              select + block_head + "\n\tEND;");
    // Status flag clear: the status marker writes nothing. -N: names unprefixed.
    EXPECT_EQ(assemble({"", "", "", body},
                       [&] {
                           setup();
                           retrow_list[1].status_flag = 0;
                           prefix_name = 0;
                       }),
              "SELECT a\n\t\t, NULL\n\t\t, c\n\t\t, NULL"
              "\n\t\tINTO o1\n\t\t, o2\n\t\t, o3\n\t\t, o4 FROM t;");
}

TEST(Assembly, StarSelectsAndUnterminatedMarkers) {
    // "*" over one table: the select list is "*" and the INTO list "o_record".
    EXPECT_EQ(assemble({"", "", "",
                        "SELECT \x01"
                        "0\x01 INTO \x01\x01;"},
                       [] {
                           star_flag = 1;
                           fld_cnt = 2;
                       }),
              "SELECT * INTO o_record;");
    // A column text with "*": only the non-empty columns.
    EXPECT_EQ(assemble({"", "", "",
                        "\x01"
                        "3\x01"},
                       [] {
                           fld_cnt = 3;
                           strcpy(retfld_list[3][0], "t.*");
                           strcpy(retfld_list[3][2], "x");
                       }),
              "t.*\n, x");
    // A marker cut off by the end of the body is written out as plain bytes; one naming no
    // result set writes nothing.
    EXPECT_EQ(assemble({"", "", "",
                        "a\x01"
                        "12"},
                       [] {}),
              "a\x01"
              "12");
    EXPECT_EQ(assemble({"", "", "",
                        "a\x01"
                        "100\x01z"},
                       [] {}),
              "az");
}

TEST(Assembly, SupportFunctionsFollowTheUnitInOrder) {
    std::string out = assemble({"", "", "", ""}, [] { ibitnand = 1; });
    const size_t b = out.find("\nCREATE OR REPLACE FUNCTION BASECHAR(");
    const size_t n = out.find("\nCREATE OR REPLACE FUNCTION BITNAND(");
    const size_t c = out.find("\nCREATE OR REPLACE FUNCTION CHARBASE(");
    ASSERT_EQ(b, 0u);
    ASSERT_NE(n, std::string::npos);
    ASSERT_NE(c, std::string::npos);
    EXPECT_LT(b, n);
    EXPECT_LT(n, c);
    EXPECT_EQ(out.find("PATINDEX"), std::string::npos);
    EXPECT_NE(out.find("\nEND BASECHAR;\n/\nshow errors;\n\nCREATE OR REPLACE FUNCTION BITNAND("),
              std::string::npos);
    EXPECT_NE(out.find("\n\tRETURN(CHARBASE(bitsout, 2));\nEND BITNAND;\n/\nshow errors;\n"),
              std::string::npos);
    EXPECT_EQ(out.substr(c),
              "\nCREATE OR REPLACE FUNCTION CHARBASE(\np1 VARCHAR2,\nbase NUMBER)\nRETURN NUMBER"
              "\nAS\ndigitstring VARCHAR2(16) := '0123456789ABCDEF';\nreturnvalue NUMBER := 0;"
              "\ncnum NUMBER;\nloopc NUMBER;\nBEGIN\n\tFOR loopc IN 1..LENGTH(p1) LOOP"
              "\n\t\tcnum := INSTR(digitstring, SUBSTR(p1, loopc, 1));"
              "\n\t\treturnvalue := (returnvalue * base) + (cnum - 1);\n\tEND LOOP;"
              "\n\tRETURN returnvalue;\nEND CHARBASE;\n/\nshow errors;\n");

    out = assemble({"", "", "", ""}, [] { ipatindex = 1; });
    EXPECT_EQ(out.find("\nCREATE OR REPLACE FUNCTION PATINDEX(\nS1 VARCHAR2,\nS2 VARCHAR2)"), 0u);
    EXPECT_NE(out.find("\n\tPPOS := INSTR(S1,'%');\n\tWHILE PPOS != 0 LOOP"), std::string::npos);
    const std::string patindex_end = "\n\tRETURN STARTPOS;\nEND PATINDEX;\n/\nshow errors;\n";
    ASSERT_GE(out.size(), patindex_end.size());
    EXPECT_EQ(out.substr(out.size() - patindex_end.size()), patindex_end);

    out = assemble({"", "", "", ""}, [] { icharbase = 1; });
    EXPECT_EQ(out.find("\nCREATE OR REPLACE FUNCTION CHARBASE("), 0u);
    EXPECT_EQ(out.find("BASECHAR"), std::string::npos);
}

TEST(Assembly, TwoUnitsAppendInOrderAndTheLogIsReopenedPerUnit) {
    temp_dir dir;
    std::string out;
    capture_in(dir, [&] {
        reset_conversion_state();
        tmpFile = fopen("out.pls", "w");
        for (const char *name : {"first", "second"}) {
            open_tmp_files();
            text_copy(proc_name, sizeof proc_name, name);
            fprintf(fpLog, "log %s\n", name);
            fprintf(yyout, "[%s]", name);
            close_tmp_files();
            EXPECT_EQ(fpLog, nullptr);
            EXPECT_EQ(yyout, nullptr);
        }
        fclose(tmpFile);
        tmpFile = nullptr;
    });
    EXPECT_EQ(dir.read("out.pls"), "[first][second]");
    EXPECT_EQ(dir.read("KESTRA.log"), "log first\nlog second\n");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"KESTRA.log", "out.pls"}));
    reset_conversion_state();
}

TEST(Assembly, DdlFileOpensOnceAndFailsWithStatus10) {
    temp_dir dir;
    capture_in(dir, [] {
        reset_conversion_state();
        open_ddl_file("ddl_p1.sql");
        FILE *first = ddl_fd;
        open_ddl_file("ddl_p1.pls"); // already open: kept
        EXPECT_EQ(ddl_fd, first);
        EXPECT_STREQ(ddl_fname, "ddl_p1.sql");
        fclose(ddl_fd);
        ddl_fd = nullptr;
    });
    EXPECT_TRUE(dir.exists("ddl_p1.sql"));
    EXPECT_FALSE(dir.exists("ddl_p1.pls"));
    reset_conversion_state();
    EXPECT_EXIT(open_ddl_file("/nonexistent-dir/ddl_x.sql"), testing::ExitedWithCode(10),
                "/nonexistent-dir/ddl_x.sql");
}
