// Tests of str_match, check_name and check_selection driven directly, grouped by table: the
// whole-word search, the name and type of a select-list item with zero, one and two tables
// in the FROM list, and the temp_var blocks inside and outside a trigger.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convstate.h"
#include "namecheck.h"
#include "parser.h"

namespace {

// (The lists are written as the converter writes them: each entry marked.)
void add_table(const char *name, const char *alias) {
    list_mark(tab_list_marked, tot_tab);
    strcpy(tab_list[tot_tab].name, name);
    strcpy(tab_list[tot_tab].alias, alias);
    tot_tab++;
}

void add_variable(const char *name, const char *type) {
    list_mark(declare_list_marked, declare_no);
    strcpy(declare_list[declare_no].name, name);
    strcpy(declare_list[declare_no].base_type, type);
    declare_no++;
}

struct name_case {
    const char *item;
    int result;
    const char *name;
    const char *type;
};

void check_names(const name_case *cases, size_t n) {
    for (size_t i = 0; i < n; i++) {
        const name_case &c = cases[i];
        std::string item = c.item;
        char name[CHECK_NAME_LEN] = "junk", type[CHECK_TYPE_LEN] = "junk";
        EXPECT_EQ(check_name(item.data(), name, type), c.result) << c.item;
        EXPECT_STREQ(name, c.name) << c.item;
        EXPECT_STREQ(type, c.type) << c.item;
        EXPECT_EQ(item, c.item) << "the item is left as it was";
    }
}

class NameCheck : public testing::Test {
  protected:
    void SetUp() override { reset_conversion_state(); }
};

} // namespace

TEST_F(NameCheck, StrMatchFindsWholeWordsOnly) {
    const struct {
        const char *text, *word;
        int found;
    } cases[] = {
        {"x.tmp_a", "tmp_a", 1},
        {"tmp_a", "tmp_a", 1},
        {"FROM tmp_a, b", "tmp_a", 1},
        {"tmp_ab", "tmp_a", 0},
        {"tmp_a.c", "tmp_a", 0},
        {"my_tmp_a", "tmp_a", 0},
        {"a tmp_a9", "tmp_a", 0},
        {"1tmp_a", "tmp_a", 0},
        {"tmp_", "tmp_a", 0},
        {"my_tmp_a tmp_a", "tmp_a", 1},
        {"", "tmp_a", 0},
        {"Tmp_A", "tmp_a", 0}, // case-sensitive
    };
    for (const auto &c : cases)
        EXPECT_EQ(str_match(c.text, c.word), c.found) << c.text << " / " << c.word;
}

TEST_F(NameCheck, NoTableTakesDeclaredTypes) {
    add_variable("total", "NUMBER");
    const name_case cases[] = {
        {"NULL", 0, "", ""},
        {"*", 2, "*", ""},
        {"s.*", 2, "*", ""},
        {"'text'", 0, "", ""},
        {"42", 0, "", "INTEGER"},
        {"-42", 0, "", "INTEGER"},
        {"3.5", 0, "", "INTEGER"},
        {"total", 1, "total", "NUMBER"},
        {" (total)", 1, "total", "NUMBER"},
        {"p.total", 1, "total", "NUMBER"},
        {"other", 1, "other", ""},
        {"COUNT(x)", 0, "", "INTEGER"},
        {"SUM(x)  \"s\"", 1, "s", "INTEGER"},
        {"TO_NUMBER(x)", 0, "", "NUMBER"},
        {"Tarn_version", 1, "Tarn_version", "DATE"},
        {"a + b", 0, "", ""},
        {"a  \"b\"", 1, "a", ""},
        {"a + b  \"9x\"", 0, "", ""}, // not an identifier: no alias
    };
    check_names(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(NameCheck, OneTableTypesItsColumns) {
    add_table("emp", "");
    add_variable("bonus", "INTEGER");
    const name_case cases[] = {
        {"sal", 1, "sal", "emp.sal%TYPE"},          {"e.sal", 1, "sal", "emp.sal%TYPE"},
        {"bonus", 1, "bonus", "INTEGER"}, // a variable of that name wins
        {"sal  \"pay\"", 1, "sal", "emp.sal%TYPE"}, {"ROUND(sal)", 0, "", "INTEGER"},
    };
    check_names(cases, sizeof cases / sizeof cases[0]);
    use_alias = 1;
    const name_case aliased[] = {
        {"sal  \"pay\"", 1, "pay", ""},
        {"UPPER(name)  \"n\"", 1, "n", ""},
    };
    check_names(aliased, sizeof aliased / sizeof aliased[0]);
}

TEST_F(NameCheck, TwoTablesResolveQualifiers) {
    add_table("emp", "");
    add_table("orders", "t");
    add_variable("id", "NUMBER");
    const name_case cases[] = {
        {"t.col", 1, "col", "orders.col%TYPE"},
        {"orders.col", 1, "col", "orders.col%TYPE"},
        {"emp.sal", 1, "sal", "emp.sal%TYPE"},
        {"x.id", 1, "id", "NUMBER"}, // no table of that name: the variable
        {"sal", 1, "sal", ""},       // unqualified with two tables: no type
    };
    check_names(cases, sizeof cases / sizeof cases[0]);
}

namespace {

struct Output {
    char *buf = nullptr;
    size_t len = 0;
    FILE *fp = nullptr;
    void open() { fp = open_memstream(&buf, &len); }
    std::string text() {
        fflush(fp);
        return std::string(buf, len);
    }
    ~Output() {
        if (fp != nullptr)
            fclose(fp);
        free(buf);
    }
};

} // namespace

TEST_F(NameCheck, CheckSelectionWritesOneBlockPerSubquery) {
    Output body, decls;
    body.open();
    decls.open();
    yyout = body.fp;
    fp2 = decls.fp;
    firstTime = 0;
    begin_printed = 1; // the unit's BEGIN is written already
    no_of_tabs = 1;
    strcpy(qstr1, "MAX(id)");
    strcpy(qstr2, "FROM emp");
    char buf[YYVALSIZE];
    check_selection(buf);
    EXPECT_STREQ(buf, "\t");
    EXPECT_EQ(temp_var_cnt, 1);
    noexception = 0;
    strcpy(qstr1, "MIN(id)");
    check_selection(buf);
    EXPECT_EQ(temp_var_cnt, 2);
    EXPECT_EQ(body.text(), "\n\tBEGIN\n\tTarn_error   := 0;\n\tTarn_rowcnt  := 0;"
                           "\n\tSELECT MAX(id)\n\tINTO temp_var1\n\tFROM emp;"
                           "\n\tTarn_rowcnt := SQL%ROWCOUNT;"
                           "\n\tEXCEPTION\n\t\tWHEN TOO_MANY_ROWS THEN\n\t\t\tTarn_rowcnt  := 2;"
                           "\n\t\tWHEN OTHERS THEN\n\t\t\tTarn_rowcnt  := 0;"
                           "\n\t\t\tTarn_error  := SQLCODE;\n\t\t\tTarn_errmsg := SQLERRM;"
                           "\n\tEND;"
                           "\n\tBEGIN\n\tTarn_error   := 0;\n\tTarn_rowcnt  := 0;"
                           "\n\tSELECT MIN(id)\n\tINTO temp_var2\n\tFROM emp;"
                           "\n\tTarn_rowcnt := SQL%ROWCOUNT;\n\tEND;");
    EXPECT_EQ(decls.text(), "\ntemp_var1 \tVARCHAR2(255);\ntemp_var2 \tVARCHAR2(255);");
    yyout = nullptr;
    fp2 = nullptr;
}

TEST_F(NameCheck, CheckSelectionInATrigger) {
    Output body, decls;
    body.open();
    decls.open();
    yyout = body.fp;
    fp2 = decls.fp;
    firstTime = 0;
    begin_printed = 1;
    noexception = 0;
    iftrigger = 1;
    strcpy(qstr1, "sal");
    strcpy(qstr2, "\t\tFROM emp");
    // Only the pseudo tables: the row comes from DUAL.
    list_mark(tab_list1_marked, 2);
    strcpy(tab_list1[0].name, ":NEW");
    strcpy(tab_list1[1].name, ":OLD");
    tab_cnt = 2;
    char buf[YYVALSIZE];
    check_selection(buf);
    // A real table: its FROM part without the leading tabs.
    strcpy(tab_list1[2].name, "emp");
    tab_cnt = 3;
    check_selection(buf);
    const std::string out = body.text();
    EXPECT_NE(out.find("INTO temp_var1\nFROM DUAL;"), std::string::npos) << out;
    EXPECT_NE(out.find("INTO temp_var2\nFROM emp;"), std::string::npos) << out;
    yyout = nullptr;
    fp2 = nullptr;
}
