// Tests of the header and control-flow routines called directly: data types in and out of a
// parameter list, variable references, parameter lists by kind and -O option, result columns
// as output parameters, the status variables, RETURN in every mode, RAISERROR forms and the
// argument substitution, EXECUTE forms, labels, GOTO, WAITFOR, PRINT and CONTINUE.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "blockstack.h"
#include "control.h"
#include "convstate.h"
#include "expressions.h"
#include "headers.h"
#include "queries.h"
#include "table_names.h"
#include "parser.h"
#include "usertype.h"

namespace {

class Stream {
  public:
    FILE *open() {
        fp_ = open_memstream(&buf_, &len_);
        return fp_;
    }
    std::string text() {
        fflush(fp_);
        return std::string(buf_, len_);
    }
    void close() {
        if (fp_ != nullptr)
            fclose(fp_);
        fp_ = nullptr;
        free(buf_);
        buf_ = nullptr;
    }

  private:
    FILE *fp_ = nullptr;
    char *buf_ = nullptr;
    size_t len_ = 0;
};

class Units : public testing::Test {
  protected:
    void SetUp() override {
        reset_conversion_state();
        yyout = body_.open();
        fp1 = params_.open();
        fp2 = decls_.open();
        fp72 = pkg_.open();
        strcpy(proc_name, "p");
        yychar = 261; // a NAME is the look-ahead: no routine reads the scanner
    }
    void TearDown() override {
        body_.close();
        params_.close();
        decls_.close();
        pkg_.close();
        yyout = fp1 = fp2 = fp72 = nullptr;
        yychar = -1;
        reset_conversion_state();
    }
    // A parameter as the grammar reads it: reference, type, defaults.
    void parameter(const char *name, src_type type, const char *size, const char *defaults) {
        hdr_parameter_ref(v_, name);
        hdr_data_type(t_, type, size, nullptr);
        hdr_parameter_def(v_, t_, defaults);
    }
    Stream body_, params_, decls_, pkg_;
    char v_[YYVALSIZE], t_[YYVALSIZE];
};

} // namespace

TEST_F(Units, DataTypesInAndOutOfTheParameterList) {
    struct {
        src_type type;
        const char *a, *b, *outside, *inside, *full;
    } cases[] = {
        {SRC_CHARACTER, nullptr, nullptr, "CHAR", "CHAR", "CHAR"},
        {SRC_CHARACTER, "10", nullptr, "CHAR(10)", "CHAR", "CHAR(10)"},
        {SRC_VARCHAR, "20", nullptr, "VARCHAR2(20)", "VARCHAR2", "VARCHAR2(20)"},
        {SRC_VARCHAR, nullptr, nullptr, "VARCHAR2", "VARCHAR2", "VARCHAR2"},
        {SRC_SYSNAME, nullptr, nullptr, "CHAR(30)", "CHAR", "CHAR(30)"},
        {SRC_VARBINARY, "8", nullptr, "RAW(8)", "RAW", "RAW(8)"},
        {SRC_NUMERIC, nullptr, nullptr, "NUMBER", "NUMBER", "NUMBER"},
        {SRC_NUMERIC, "5", nullptr, "NUMBER(5)", "NUMBER", "NUMBER(5)"},
        {SRC_NUMERIC, "10", "2", "NUMBER(10, 2)", "NUMBER", "NUMBER(10, 2)"},
        {SRC_INTEGER, nullptr, nullptr, "INTEGER", "INTEGER", "INTEGER"},
        {SRC_SMALLINT, nullptr, nullptr, "INTEGER", "INTEGER", "INTEGER"},
        {SRC_DATE, nullptr, nullptr, "DATE", "DATE", "DATE"},
        {SRC_TIMESTAMP, nullptr, nullptr, "NUMBER", "NUMBER", "NUMBER"},
        {SRC_SMALLDATETIME, nullptr, nullptr, "DATE", "DATE", "DATE"},
        {SRC_NAMED, "money", nullptr, "NUMBER", "NUMBER", "NUMBER"},
        {SRC_NAMED, "Date", nullptr, "DATE", "DATE", "DATE"},
        {SRC_USER_TYPE, "nosuch", nullptr, "USER_TYPE_nosuch", "USER_TYPE_nosuch",
         "USER_TYPE_nosuch"},
    };
    for (const auto &c : cases) {
        paramFlag = 0;
        hdr_data_type(v_, c.type, c.a, c.b);
        EXPECT_STREQ(v_, c.outside) << c.type;
        paramFlag = 1;
        strcpy(cur_param_type, "?");
        hdr_data_type(v_, c.type, c.a, c.b);
        EXPECT_STREQ(v_, c.inside) << c.type;
        EXPECT_STREQ(cur_param_type, c.full) << c.type;
    }
    // Another NAME passes through and leaves cur_param_type alone.
    strcpy(cur_param_type, "?");
    hdr_data_type(v_, SRC_NAMED, "bit", nullptr);
    EXPECT_STREQ(v_, "bit");
    EXPECT_STREQ(cur_param_type, "?");
}

TEST_F(Units, VariableReferences) {
    hdr_parameter_ref(v_, "@count");
    EXPECT_STREQ(v_, "p.count");
    EXPECT_STREQ(declare_param, "count");
    hdr_parameter_ref(v_, "@Tarn_error");
    EXPECT_STREQ(v_, "Tarn_error");
    EXPECT_STREQ(declare_param, "count"); // untouched
    inSelect = 1;
    hdr_parameter_ref(v_, "@x");
    EXPECT_STREQ(v_, "@p.x");
    inSelect = 0;
    prefix_name = 0;
    hdr_parameter_ref(v_, "@x");
    EXPECT_STREQ(v_, "x");
    prefix_name = 1;
    iftrigger = 1;
    hdr_parameter_ref(v_, "@x");
    EXPECT_STREQ(v_, "x");
    iftrigger = 0;
    // In the WHERE clause of a SELECT: recorded once.
    inWhere = select_stmt = 1;
    hdr_parameter_ref(v_, "@k");
    hdr_parameter_ref(v_, "@k");
    ASSERT_EQ(HostInWhere.count, 1);
    EXPECT_STREQ(HostInWhere.name[0], "p.k");
}

TEST_F(Units, NamesAndAliases) {
    hdr_quoted_name(v_, "'odd name'");
    EXPECT_STREQ(v_, "\"odd name\"");
    hdr_alias(v_, "total");
    EXPECT_STREQ(v_, "\"total\"");
    hdr_alias(v_, "\"done\"");
    EXPECT_STREQ(v_, "\"done\"");
    hdr_proc_name(v_, "\"dbo\"", "\"calc\"");
    EXPECT_STREQ(proc_name, "dbo.calc");
    EXPECT_STREQ(v_, "dbo.calc");
}

TEST_F(Units, ParameterListByKindAndOption) {
    hdr_default_value(t_, "5");
    hdr_default_join(t_, "", t_);
    std::string deflt = t_;
    EXPECT_EQ(deflt, " DEFAULT 5");
    EXPECT_STREQ(defaultValue, "5");
    parameter("@a", SRC_VARCHAR, "20", deflt.c_str());
    EXPECT_STREQ(v_, "\na \tVARCHAR2  DEFAULT 5");
    hdr_default_output(t_);
    parameter("@b", SRC_INTEGER, nullptr, t_);
    EXPECT_STREQ(v_, "\nb \tIN OUT INTEGER");
    EXPECT_EQ(outParam, 0);
    defaultValue[0] = '\0';
    parameter("@c", SRC_DATE, nullptr, "");
    list_mark(declare_list_marked, 2);
    declare_list[2].kind = 3; // the body assigns c
    hdr_end_procedure("BEGIN");
    EXPECT_EQ(params_.text(), "(\na \tVARCHAR2  DEFAULT 5,\nb \tIN OUT INTEGER,\nin_c \tIN DATE )");
    EXPECT_EQ(body_.text(), "");

    for (int option : {1, 2}) {
        params_.close();
        fp1 = params_.open();
        parameterPassed = 0;
        arg_option = static_cast<int16_t>(option);
        hdr_end_procedure("BEGIN");
        EXPECT_EQ(params_.text(),
                  option == 1 ? "(\na \tVARCHAR2  DEFAULT 5,\nb \tIN OUT INTEGER,\nc \tIN OUT DATE)"
                              : "(\na \tVARCHAR2  DEFAULT 5,\nb \tIN OUT INTEGER,\nin_c \tIN DATE "
                                ",\nc \tIN OUT DATE)");
    }
}

TEST_F(Units, ProcedureWithoutParametersAndBodyWithoutBegin) {
    function = 1;
    procedure = 0;
    no_of_begin = 3;
    push(307);
    hdr_end_procedure("");
    EXPECT_EQ(params_.text(), "");
    EXPECT_EQ(no_of_begin, 0);
    EXPECT_EQ(body_.text(), "\n\tRETURN 0;\nEND p;");
    EXPECT_EQ(stack_ptr, 0);
    EXPECT_EQ(pop_var, 307);
}

TEST_F(Units, ResultColumnsBecomeOutputParameters) {
    result_set_fn = 0;
    strcpy(fld_list[0].name, "id");
    strcpy(fld_list[0].type, "NUMBER");
    strcpy(fld_list[1].name, "id");
    strcpy(fld_list[2].name, "v");
    fld_cnt = 3;
    hdr_parameter_ref(v_, "@v");
    hdr_declare_var(v_, "INTEGER"); // a local named like column 3
    EXPECT_STREQ(v_, "v \tINTEGER");
    hdr_end_procedure("BEGIN");
    EXPECT_EQ(params_.text(), "(\nid OUT NUMBER,\nid_REP_1 OUT VARCHAR2,\no_oval1 OUT VARCHAR2)");
    EXPECT_EQ(decls_.text(), "\nv \tINTEGER;");
}

TEST_F(Units, ResultSetCursorAndPackageTypes) {
    cur_ref = 1;
    strcpy(fld_list[0].name, "id");
    strcpy(fld_list[0].type, "NUMBER");
    strcpy(fld_list[1].name, "name");
    fld_cnt = 2;
    no_of_begin = 2;
    hdr_end_procedure("BEGIN");
    EXPECT_EQ(params_.text(), "(\nRC1 \tIN OUT pPkg.RCT1)");
    EXPECT_EQ(pkg_.text(),
              "\nTYPE RT1 IS RECORD (\n\tid\t\t NUMBER,\n\tname\t\t VARCHAR2(255)\n\t);"
              "\nTYPE RCT1 IS REF CURSOR RETURN RT1;\n");
    EXPECT_EQ(cur_ref, 0);
    EXPECT_EQ(stack_ptr, 1); // the second BEGIN of the body stays open
}

TEST_F(Units, StatusVariablesAtTheFirstAs) {
    hdr_as();
    hdr_as();
    EXPECT_EQ(decls_.text(), "\nTarn_selcnt\tINTEGER;\nTarn_error \tINTEGER;\nTarn_rowcnt\tINTEGER;"
                             "\nTarn_errmsg\tVARCHAR2(255);\nTarn_sqlstatus\tINTEGER;");
    EXPECT_EQ(paramFlag, 0);
    decls_.close();
    fp2 = decls_.open();
    init();
    iftrigger = 1;
    hdr_as();
    EXPECT_EQ(decls_.text(), "\nDECLARE\nTarn_selcnt\tINTEGER;\nTarn_error \tINTEGER;"
                             "\nTarn_rowcnt\tINTEGER := 1;\nTarn_errmsg\tVARCHAR2(255);"
                             "\nTarn_sqlstatus\tINTEGER;");
}

TEST_F(Units, TriggerEnd) {
    hdr_operation_join(v_, "INSERT", "UPDATE");
    EXPECT_STREQ(v_, "INSERT OR UPDATE");
    strcpy(proc_name, "trg");
    push(307);
    hdr_end_trigger("", "orders", v_);
    EXPECT_EQ(body_.text(), "\nEND trg;");
    EXPECT_STREQ(TriggerTable, "orders");
    EXPECT_STREQ(TriggerEvent, "INSERT OR UPDATE");
}

TEST_F(Units, ReturnInEveryMode) {
    struct {
        int16_t proc, func, dflt;
        const char *value, *text;
        int16_t is_function;
    } cases[] = {
        {1, 0, 1, "", "\nRETURN ;", 0},       // default mode, no value
        {1, 0, 1, "5", "\nRETURN 5;", 1},     // default mode: the unit becomes a function
        {1, 0, 0, "5", "\nRETURN /*5*/;", 0}, // -P keeps the value as a comment
        {1, 0, 0, "", "\nRETURN /**/;", 0},   //
        {0, 1, 1, "", "\nRETURN 0;", 0},      // -F: the default return value
        {0, 1, 1, "@r", "\nRETURN @r;", 1},   //
    };
    for (const auto &c : cases) {
        body_.close();
        yyout = body_.open();
        init();
        begin_printed = 1; // no outer BEGIN in these texts
        procedure = c.proc;
        function = c.func;
        default_opt = c.dflt;
        ctl_return(c.value);
        EXPECT_EQ(body_.text(), c.text) << c.value;
        EXPECT_EQ(isFunction, c.is_function) << c.value;
        EXPECT_EQ(isFunction1, c.value[0] != '\0' ? 1 : 0);
    }
}

TEST_F(Units, RaiserrorForms) {
    begin_printed = 1;
    ctl_message(t_, "'Bad value'");
    ctl_raiserror("50001", t_, nullptr);
    ctl_raiserror("-5", "", nullptr);
    ctl_message(t_, "'Row %1! of %2!'");
    ctl_raiserror("@e", t_, "r, n");
    ctl_raiserror(nullptr, t_, "16,1,r"); // the severity and the state take no slot
    ctl_raiserror(nullptr, "", "x");
    EXPECT_EQ(body_.text(),
              "\nraise_application_error(-20999, 50001 || '-' || 'Bad value');"
              "\nraise_application_error(-20999, -5 || '-');"
              "\nraise_application_error(-20999, @e || '-' || 'Row ' || r ||' of '||  n);"
              "\n/*[KESTRA-ERR(0001)]:Message placeholder without an argument written empty*/"
              "\nraise_application_error(-20999, 'Row ' || r ||' of ');"
              "\nraise_application_error(-20999, 'ERROR');");
}

TEST_F(Units, SubstitutionOfArguments) {
    ctl_substitute(v_, "'a' || || 'b'", "x");
    EXPECT_STREQ(v_, "'a'  || x || 'b'");
    // More arguments than slots: the last is appended while "||" remains, the others dropped.
    ctl_substitute(v_, "'a'|| ||'b'", "x,y,z");
    EXPECT_STREQ(v_, "'a' || x ||'b' || z");
    // An argument with an operation in parentheses, its leading blank outside them.
    ctl_substitute(v_, "'a'|| ||'b'", "x - 1, y + 1");
    EXPECT_STREQ(v_, "'a' || (x - 1) ||'b' ||  (y + 1)");
    ctl_substitute(v_, "'plain'", "x");
    EXPECT_STREQ(v_, "'plain'");
}

TEST_F(Units, ExecuteForms) {
    const char *one[] = {"calc"};
    const char *owner[] = {"sales", "calc"};
    const char *dbo[] = {"db", "dbo", "calc"};
    const char *dbowner[] = {"db", "sales", "calc"};
    const char *dbdots[] = {"db", "", "calc"};
    const char *server[] = {"srv", "db", "sales", "calc"};
    ctl_sp_name(v_, one, 1);
    EXPECT_STREQ(v_, "calc");
    ctl_sp_name(v_, owner, 2);
    EXPECT_STREQ(v_, "sales.calc");
    ctl_sp_name(v_, dbo, 3);
    EXPECT_STREQ(v_, "calc");
    ctl_sp_name(v_, dbowner, 3);
    EXPECT_STREQ(v_, "sales.calc");
    ctl_sp_name(v_, dbdots, 3);
    EXPECT_STREQ(v_, "calc");
    ctl_sp_name(v_, server, 4); // another server's procedure: over a database link, noted
    EXPECT_STREQ(v_, "sales.calc@srv");
    ctl_execute_param(v_, "p.a => 5");
    EXPECT_STREQ(v_, "a => 5");
    ctl_execute_param(v_, "p.a");
    EXPECT_STREQ(v_, "p.a");

    ctl_execute_word();
    EXPECT_EQ(inExecute, 1);
    ctl_retval(t_, "p.rc");
    ctl_execute(t_, "calc", "1, p.a, 'x'");
    EXPECT_EQ(inExecute, 0);
    EXPECT_EQ(body_.text(), "\n/*[KESTRA-ERR(0001)]:Remote procedure srv.db.sales.calc called over "
                            "the database link srv, which must exist*/\n"
                            "\nBEGIN\x05\n\tBEGIN\n\tp.rc := calc(1,\n\t p.a,\n\t 'x');"
                            "\n\tEXCEPTION\n\t\tWHEN OTHERS THEN\n\t\t\tTarn_error := SQLCODE;\n"
                            "\n\t\t\tTarn_errmsg := SQLERRM;\n\n\tEND;");
}

// Only the commas between arguments break the line: never one inside a string literal
// (doubled quotes included) or inside parentheses.
TEST_F(Units, ExecuteBreaksOnlyBetweenArguments) {
    const struct {
        const char *params;
        const char *call;
    } cases[] = {
        {"'a,b', x", "p('a,b',\n x);"},
        {"'it''s, here', 'x'", "p('it''s, here',\n 'x');"},
        {"f(1, g(2, 3)), 'a)b,c', y", "p(f(1, g(2, 3)),\n 'a)b,c',\n y);"},
        {"'(', z", "p('(',\n z);"},
        {"n => 'v,w'", "p(n => 'v,w');"},
    };
    begin_printed = 1;
    noexception = 0;
    for (const auto &c : cases) {
        body_.close();
        yyout = body_.open();
        ctl_execute("", "p", c.params);
        EXPECT_EQ(body_.text(), std::string("\nBEGIN\n") + c.call + "\nEND;") << c.params;
    }
}

TEST_F(Units, ExecuteWithoutParametersRecompileAndNoException) {
    begin_printed = 1;
    noexception = 0;
    yychar = 331; // another EXECUTE follows: inExecute stays
    ctl_execute_word();
    ctl_execute("", "tidy", "");
    EXPECT_EQ(inExecute, 1);
    ctl_execute("", "sp_recompile", "'orders'");
    EXPECT_EQ(body_.text(),
              "\nBEGIN\ntidy;\nEND;\nBEGIN\nDBMS_DDL.ALTER_COMPILE('PROCEDURE', NULL, "
              "UPPER('orders'));\nEND;");
}

TEST_F(Units, SimpleStatements) {
    begin_printed = 1;
    ctl_label("start:");
    ctl_goto("Start");
    ctl_label("again:");
    ctl_goto("again");
    ctl_waitfor("'00:00:05'");
    ctl_print("'a','b'");
    label_ctr = 2;
    push(BLK_WHILE); // inside a loop
    ctl_continue();
    ctl_break();
    EXPECT_EQ(body_.text(), "\n<<start1>>\nGOTO Start1;\n<<again>>\nGOTO again;"
                            "\nDBMS_LOCK.SLEEP(5);"
                            "\n/*[KESTRA-ERR(0001)]:PRINT argument without a placeholder not "
                            "written: 'b'*/"
                            "\nDBMS_OUTPUT.PUT_LINE('a') ;\nGOTO i_loop2;\nEXIT;");
}

// As a unit's first statement BREAK opens the body like any other, so what it writes stands
// after BEGIN; outside any loop that is its diagnostic and NULL;.
TEST_F(Units, BreakAsTheFirstStatementOpensTheBody) {
    ctl_break();
    EXPECT_EQ(begin_printed, 1);
    ctl_waitfor("'00:00:01'");
    ctl_print("1");
    EXPECT_EQ(body_.text(),
              "\nBEGIN\x05\n\t/*[KESTRA-ERR(0001)]:BREAK statement outside a loop ignored*/"
              "\n\tNULL;\n\tDBMS_LOCK.SLEEP(1);\n\tDBMS_OUTPUT.PUT_LINE(1) ;");
}

TEST_F(Units, EndFollowedByBegins) {
    begin_printed = 1;
    no_of_tabs = 1;
    push(307);
    push(307);
    no_of_begin = 2;
    ctl_end("BEGIN");
    EXPECT_EQ(body_.text(), "\nEND;\nBEGIN\n\tBEGIN");
    EXPECT_EQ(stack_ptr, 3);
    EXPECT_EQ(no_of_tabs, 2);
}

TEST_F(Units, OverlongUnitNameStopsTheRun) {
    const std::string name(120, 'n');
    EXPECT_EXIT(hdr_proc_name(v_, nullptr, name.c_str()), testing::ExitedWithCode(1),
                "the unit name is longer than 79 characters");
}

TEST_F(Units, OperatorsAndComparisons) {
    which_literal = 258; // a string literal was read last: "+" joins strings
    xpr_binary(v_, "'a' + b", "+", "'c'");
    EXPECT_STREQ(v_, "'a' || b || 'c'");
    which_literal = 259;
    xpr_binary(v_, "p.x", "+", "@y");
    EXPECT_STREQ(v_, "p.x + y");
    xpr_binary(v_, "UPPER(a)", "+", "b");
    EXPECT_STREQ(v_, "UPPER(a) || b");
    xpr_binary(v_, "a", "%", "2");
    EXPECT_STREQ(v_, "MOD(a, 2)");
    xpr_binary(v_, "a", "&", "4");
    EXPECT_STREQ(v_, "BITAND(a, 4)");
    xpr_comparison(v_, "p.s", "=", "''");
    EXPECT_STREQ(v_, "p.s IS NULL");
    xpr_comparison(v_, "p.s", "<>", "''");
    EXPECT_STREQ(v_, "p.s IS NOT NULL");
    xpr_null_comparison(v_, "a", "!=");
    EXPECT_STREQ(v_, "a IS NOT NULL");
    xpr_null_comparison(v_, "a", ">");
    EXPECT_STREQ(v_, "a > NULL");
    inExecute = 1;
    compare_or_assign(v_, "p.q", "=", "@z", CMP_EXPR, false);
    EXPECT_STREQ(v_, "p.q => z");
}

TEST_F(Units, TableNamesAndTheTableList) {
    qry_table(v_, "\"dbo\"", "\"orders\"", "");
    EXPECT_STREQ(v_, "orders");
    qry_table(v_, "sales", "orders", "o");
    EXPECT_STREQ(v_, "sales.orders o");
    qry_table(v_, "sales", "orders", "o"); // the same name and alias: recorded once
    ASSERT_EQ(tot_tab, 2);
    EXPECT_STREQ(tab_list[1].name, "sales.orders");
    EXPECT_STREQ(tab_list[1].alias, "o");
    // Inside a subquery nothing is recorded.
    inSubquery = 1;
    qry_table(v_, "", "items", "");
    EXPECT_EQ(tot_tab, 2);
    inSubquery = 0;
    // A trigger's first table is its own: kept as trig_tab, not listed.
    init();
    iftrigger = 1;
    qry_table(v_, "", "stock", "");
    EXPECT_STREQ(trig_tab, "stock");
    EXPECT_EQ(tot_tab, 0);
    EXPECT_EQ(firstTrig, 0);
    qry_table(v_, "", "other", "");
    EXPECT_STREQ(trig_tab, "stock");
    EXPECT_EQ(tot_tab, 1);
}

TEST_F(Units, NationalTypesAndUserTypesBasedOnThem) {
    PushList("uname", "nvarchar(40)");
    PushList("ucode", "NCHAR (2)");
    PushList("unote", "ntext");
    PushList("uodd", "nvarchar(x)");
    PushList("uold", "varchar(20)");
    struct {
        const char *target, *size, *user; // hdr_national_type(target, size), or rule 506 user
        const char *outside, *inside, *full;
    } cases[] = {
        {"NVARCHAR2", "40", nullptr, "NVARCHAR2(40)", "NVARCHAR2", "NVARCHAR2(40)"},
        {"NVARCHAR2", nullptr, nullptr, "NVARCHAR2", "NVARCHAR2", "NVARCHAR2"},
        {"NCHAR", "2", nullptr, "NCHAR(2)", "NCHAR", "NCHAR(2)"},
        {"NCLOB", nullptr, nullptr, "NCLOB", "NCLOB", "NCLOB"},
        {nullptr, nullptr, "uname", "NVARCHAR2(40)", "NVARCHAR2", "NVARCHAR2(40)"},
        {nullptr, nullptr, "ucode", "NCHAR(2)", "NCHAR", "NCHAR(2)"},
        {nullptr, nullptr, "unote", "NCLOB", "NCLOB", "NCLOB"},
        // Not a national type the converter knows: the base type text as before.
        {nullptr, nullptr, "uodd", "nvarchar(x)", "nvarchar(x)", "nvarchar(x)"},
        {nullptr, nullptr, "uold", "varchar(20)", "varchar(20)", "varchar(20)"},
    };
    for (const auto &c : cases) {
        for (int in_params = 0; in_params < 2; in_params++) {
            paramFlag = static_cast<int16_t>(in_params);
            strcpy(cur_param_type, "?");
            if (c.user != nullptr)
                hdr_data_type(v_, SRC_USER_TYPE, c.user, nullptr);
            else
                hdr_national_type(v_, c.target, c.size);
            EXPECT_STREQ(v_, in_params != 0 ? c.inside : c.outside) << c.outside;
            if (in_params != 0) { // (outside, as for the other types, only unsized ones set it)
                EXPECT_STREQ(cur_param_type, c.full) << c.outside;
            }
        }
    }
    FreeList();
}
