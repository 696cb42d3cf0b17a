// Block stack tests: push/pop/btype bounds, and the texts of IF/ELSE (with and without BEGIN),
// ELSE IF, WHILE (plain and with an existence test) and runs of BEGINs, driven the way the
// parser drives them, with a given look-ahead token.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "blockstack.h"
#include "convstate.h"

namespace {

// Token numbers used as look-ahead here.
constexpr int T_EOF = 0;
constexpr int T_NAME = 261;
constexpr int T_BEGIN = 307;
constexpr int T_ELSE = 328;
constexpr int T_END = 329;
constexpr int T_IF = 341;

// The body work file as a memory stream.
class BlockStack : public testing::Test {
  protected:
    void SetUp() override {
        reset_conversion_state();
        yyout = open_memstream(&buf_, &len_);
    }
    void TearDown() override {
        if (yyout != nullptr)
            fclose(yyout);
        yyout = nullptr;
        free(buf_);
        reset_conversion_state();
    }
    std::string text() {
        fflush(yyout);
        return std::string(buf_, len_);
    }
    // A simple statement as its action writes it, then check_for_end.
    void statement(const char *s, int lookahead, const char *begin = "") {
        firstTime = 0;
        print_tabs();
        fputs(s, yyout);
        check_for_end(begin, lookahead);
    }

  private:
    char *buf_ = nullptr;
    size_t len_ = 0;
};

} // namespace

TEST_F(BlockStack, BtypeNames) {
    EXPECT_STREQ(btype(307), "BEGIN");
    EXPECT_STREQ(btype(310), "UNKNOWN");
    EXPECT_STREQ(btype(328), "ELSE");
    EXPECT_STREQ(btype(341), "IF");
    EXPECT_STREQ(btype(383), "WHILE");
    EXPECT_STREQ(btype(635), "ELSE BEGIN");
    EXPECT_STREQ(btype(648), "IF BEGIN");
    EXPECT_STREQ(btype(669), "ELSE IF");
    EXPECT_STREQ(btype(690), "WHILE BEGIN");
    EXPECT_STREQ(btype(976), "ELSE IF BEGIN");
    EXPECT_STREQ(btype(1283), "UNKNOWN");
    EXPECT_STREQ(btype(0), "UNKNOWN");
}

TEST_F(BlockStack, GrowsPast256AndAnEmptyPopYieldsZero) {
    for (int i = 0; i < 1000; i++)
        push(static_cast<int16_t>(i));
    EXPECT_EQ(stack_ptr, 1000);
    for (int i = 999; i >= 0; i--)
        ASSERT_EQ(pop(), i);
    EXPECT_EQ(stack_ptr, 0);
    EXPECT_EQ(pop(), 0);
    EXPECT_EQ(pop(), 0);
    EXPECT_EQ(stack_ptr, -2) << "the count stays signed: surplus ENDs show as negative";
    push(341); // stores nothing below the stack, keeps counting
    EXPECT_EQ(stack_ptr, -1);
    EXPECT_EQ(pop(), 0);
}

TEST_F(BlockStack, SurplusEndWritesEndAndGoesNegative) {
    action_for_end(T_EOF);
    EXPECT_EQ(text(), "\nEND;");
    EXPECT_EQ(stack_ptr, -1);
    EXPECT_EQ(no_of_tabs, -1);
}

TEST_F(BlockStack, IfElseWithoutBegin) {
    action_for_if("IF", "a = 1", "");
    statement("x := 1;", T_ELSE);
    action_for_else("", T_NAME);
    statement("x := 2;", T_EOF);
    EXPECT_EQ(text(), "\nBEGIN\x05"
                      "\n\tIF a = 1 THEN"
                      "\n\t\tx := 1;"
                      "\n\tELSE"
                      "\n\t\tx := 2;"
                      "\n\tEND IF;");
    EXPECT_EQ(stack_ptr, 1) << "only the unit's outer BEGIN is left";
    EXPECT_EQ(if_cnt, 0);
    EXPECT_EQ(no_of_tabs, 1);
    EXPECT_EQ(begin_printed, 1);
}

TEST_F(BlockStack, IfElseWithBeginBlocks) {
    no_of_begin = 1;
    action_for_if("IF", "a = 1", "BEGIN");
    statement("x := 1;", T_END);
    action_for_end(T_ELSE);
    action_for_else("BEGIN", T_BEGIN);
    statement("x := 2;", T_END);
    action_for_end(T_EOF);
    EXPECT_EQ(text(), "\nBEGIN\x05"
                      "\n\tIF a = 1 THEN"
                      "\n\tBEGIN"
                      "\n\t\tx := 1;"
                      "\n\tEND;"
                      "\n\tELSE"
                      "\n\tBEGIN"
                      "\n\t\tx := 2;"
                      "\n\tEND;"
                      "\n\tEND IF;");
    EXPECT_EQ(stack_ptr, 1);
    EXPECT_EQ(if_cnt, 0);
    EXPECT_EQ(no_of_tabs, 1);
}

TEST_F(BlockStack, WhileWithoutBeginClosesAfterOneStatement) {
    action_for_while("WHILE", "a < 3", "");
    EXPECT_EQ(while_cnt, 1);
    statement("a := a + 1;", T_EOF);
    EXPECT_EQ(text(), "\nBEGIN\x05"
                      "\n\t<<i_loop1>>"
                      "\n\tWHILE a < 3 LOOP"
                      "\n\t\ta := a + 1;"
                      "\n\tEND LOOP;");
    EXPECT_EQ(while_cnt, 0);
    EXPECT_EQ(stack_ptr, 1);
    EXPECT_EQ(pop_var, 383);
}

TEST_F(BlockStack, ElseIfBecomesElsif) {
    action_for_if("IF", "a = 1", "");
    statement("x := 1;", T_ELSE);
    action_for_else("", T_IF);
    EXPECT_EQ(else_if, 1);
    action_for_if("IF", "a = 2", "");
    statement("x := 2;", T_EOF);
    EXPECT_EQ(text(), "\nBEGIN\x05"
                      "\n\tIF a = 1 THEN"
                      "\n\t\tx := 1;"
                      "\n\tELSIF a = 2 THEN"
                      "\n\t\tx := 2;"
                      "\n\tEND IF;");
    EXPECT_EQ(stack_ptr, 1);
    EXPECT_EQ(if_cnt, 0);
    EXPECT_EQ(else_if, 0);
}

TEST_F(BlockStack, RunOfThreeBeginsAfterAStatement) {
    no_of_begin = 3;
    statement("x := 1;", T_BEGIN, "BEGIN");
    EXPECT_EQ(stack_ptr, 4);
    for (int i = 1; i < 4; i++)
        EXPECT_EQ(begin_stack[i], 307);
    statement("y := 2;", T_END);
    action_for_end(T_END);
    action_for_end(T_END);
    action_for_end(T_EOF);
    EXPECT_EQ(text(), "\nBEGIN\x05"
                      "\n\tx := 1;"
                      "\n\tBEGIN"
                      "\n\t\tBEGIN"
                      "\n\t\t\tBEGIN"
                      "\n\t\t\t\ty := 2;"
                      "\n\t\t\tEND;"
                      "\n\t\tEND;"
                      "\n\tEND;");
    EXPECT_EQ(stack_ptr, 1);
}

TEST_F(BlockStack, WhileExistsBecomesALabelledLoopWithATestBlock) {
    for (int16_t noexc : {1, 0}) {
        TearDown();
        SetUp();
        noexception = noexc;
        firstTime = 0;
        print_tabs(); // the unit's outer BEGIN: stack [307], one tab
        if_exists = 1;
        action_for_while("WHILE", "EXISTS (SELECT 1 FROM t)", "");
        std::string handler = noexc ? "\n\t\tEXCEPTION"
                                      "\n\t\t\tWHEN OTHERS THEN"
                                      "\n\t\t\t\tTarn_selcnt := 0;"
                                      "\n\t\t\t\tTarn_error := SQLCODE;"
                                      "\n\t\t\t\tTarn_errmsg := SQLERRM;"
                                    : "";
        EXPECT_EQ(text(), "\nBEGIN\x05\n\t"
                          "\n\t"
                          "\n\t<<i_loop1>>"
                          "\n\tWHILE 1 = 1 LOOP"
                          "\n\t\tBEGIN"
                          "\n\t\tTarn_selcnt := 0;"
                          "\n\t\tTarn_error  := 0;"
                          "\n\t\tSELECT 1 INTO Tarn_selcnt FROM DUAL"
                          "\n\t\tWHERE EXISTS (SELECT 1 FROM t);" +
                              handler +
                              "\n\t\tEND;"
                              "\n\t\tIF Tarn_selcnt != 1 THEN"
                              "\n\t\t\tEXIT;"
                              "\n\t\tEND IF;")
            << "noexception " << noexc;
        EXPECT_EQ(stack_ptr, 2);
        EXPECT_EQ(begin_stack[1], 383);
        EXPECT_EQ(while_cnt, 1);
        EXPECT_EQ(no_of_tabs, 2);
        EXPECT_EQ(if_exists, 0);
    }
}

TEST_F(BlockStack, ElseIfWithExistsTestCompletesElse) {
    action_for_if("IF", "a = 1", "");
    statement("x := 1;", T_ELSE);
    action_for_else("", T_IF);
    if_exists = 1;
    action_for_if("IF", "EXISTS (SELECT 1 FROM t)", "");
    std::string t = text();
    const std::string head = "\nBEGIN\x05\n\tIF a = 1 THEN\n\t\tx := 1;\n\tELSE\n";
    EXPECT_EQ(t.substr(0, head.size()), head);
    const std::string tail = "\n\t\tIF Tarn_selcnt != 0 THEN";
    ASSERT_GE(t.size(), tail.size());
    EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
    // The ELSE IF entry became ELSE, SPLIT_IF, IF.
    ASSERT_EQ(stack_ptr, 5);
    EXPECT_EQ(begin_stack[2], 328);
    EXPECT_EQ(begin_stack[3], 310);
    EXPECT_EQ(begin_stack[4], 341);
    EXPECT_EQ(if_cnt, 3);
}
