// User datatype file tests: the line format, lookups, format errors, the messages on standard
// error, carriage returns, overlong names and lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convstate.h"
#include "testutil.h"
#include "usertype.h"

using namespace kestra_test;

namespace {

std::string lookup(const char *name) {
    char buf[USER_TYPE_NAME_LEN + 20];
    SearchList(name, buf, sizeof buf);
    return buf;
}

// Loads `content` as the file types.txt; returns what went to standard error.
std::string load(const std::string &content) {
    FreeList();
    temp_dir dir;
    dir.write("types.txt", content);
    return capture_in(dir, [] { LoadUserType("types.txt"); }).err;
}

std::vector<std::string> names() {
    std::vector<std::string> v;
    for (user_type *e = uRoot; e != nullptr; e = e->next)
        v.push_back(e->name);
    return v;
}

} // namespace

TEST(UserType, LinesGiveNameAndBaseTypeInFileOrder) {
    EXPECT_EQ(load("Amount money\n"
                   "Code \t  char(10) not null\n"
                   "Amount int\n"
                   "Empty \n"
                   "Last varchar(20)"),
              "");
    EXPECT_EQ(names(), (std::vector<std::string>{"Amount", "Code", "Amount", "Empty", "Last"}));
    EXPECT_EQ(lookup("Code"), "char(10) not null") << "blanks and tabs after the space skipped";
    EXPECT_EQ(lookup("Amount"), "money") << "the first of two lines wins";
    EXPECT_EQ(lookup("Empty"), "");
    EXPECT_EQ(lookup("Last"), "varchar(20)") << "a last line without newline counts";
    EXPECT_EQ(lookup("amount"), "USER_TYPE_amount") << "letter case counts";
    EXPECT_EQ(lookup("Other"), "USER_TYPE_Other");
    // The list is doubly linked from uRoot to uThis.
    ASSERT_NE(uThis, nullptr);
    EXPECT_STREQ(uThis->name, "Last");
    EXPECT_STREQ(uThis->prev->name, "Empty");
    EXPECT_EQ(uRoot->prev, nullptr);
    FreeList();
    EXPECT_EQ(uRoot, nullptr);
    EXPECT_EQ(uThis, nullptr);
    EXPECT_EQ(lookup("Code"), "USER_TYPE_Code");
}

TEST(UserType, CarriageReturnBeforeLineFeedIsNotPartOfTheBaseType) {
    EXPECT_EQ(load("Money2 numeric(12,2)\r\nFlag bit\r\n"), "");
    EXPECT_EQ(lookup("Money2"), "numeric(12,2)");
    EXPECT_EQ(lookup("Flag"), "bit");
    FreeList();
}

TEST(UserType, FormatErrorsStopLoadingAndKeepEarlierEntries) {
    const std::string msg = "Error In Format of File types.txt\n"
                            "Expected Format : UserType SybType\n";
    struct c {
        std::string content;
        std::vector<std::string> kept;
    };
    const c cases[] = {
        {"A int\nB\tint\nC int\n", {"A"}}, // a tab but no space
        {"A int\n\nC int\n", {"A"}},       // an empty line
        {"NoSpace\n", {}},
    };
    for (const c &k : cases) {
        EXPECT_EQ(load(k.content), msg) << k.content;
        EXPECT_EQ(names(), k.kept) << k.content;
    }
    FreeList();
}

TEST(UserType, MissingFileIsReportedAndTheListStaysEmpty) {
    FreeList();
    temp_dir dir;
    std::string err = capture_in(dir, [] { LoadUserType("absent.txt"); }).err;
    EXPECT_EQ(err, "Cannot Load User Defined Datatype File absent.txt\n");
    EXPECT_EQ(uRoot, nullptr);
}

TEST(UserType, OverlongEntriesAreSkippedWithAMessageAndNeverOverrun) {
    const std::string n99(99, 'n'), n100(100, 'n'), b99(99, 'b'), b100(100, 'b');
    const std::string huge(5000, 'x');
    std::string err = load(n99 + " " + b99 + "\n" + // fits exactly
                           n100 + " int\n" +        // name too long
                           "T2 " + b100 + "\n" +    // base type too long
                           "T3 " + huge + "\n" +    // line longer than 999
                           "T4 int\n");
    EXPECT_EQ(names(), (std::vector<std::string>{n99, "T4"}));
    EXPECT_EQ(lookup(n99.c_str()), b99);
    EXPECT_NE(err.find("line 2 skipped"), std::string::npos) << err;
    EXPECT_NE(err.find("line 3 skipped"), std::string::npos) << err;
    EXPECT_NE(err.find("line 4 skipped"), std::string::npos) << err;
    EXPECT_EQ(err.find("line 5"), std::string::npos) << "the rest of a long line is no line";
    FreeList();
}

TEST(UserType, PushListCutsAndSearchListRespectsTheResultBuffer) {
    FreeList();
    PushList(std::string(150, 'k').c_str(), "int");
    EXPECT_EQ(std::string(uRoot->name), std::string(99, 'k'));
    char small[8];
    SearchList("unknown_type_name", small, sizeof small);
    EXPECT_STREQ(small, "USER_TY");
    FreeList();
}
