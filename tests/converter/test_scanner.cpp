// Scanner tests: the scanner driven directly on in-memory input, checking token
// numbers, texts, the conversion state it sets and what it writes to yyout and tmpFile.
// Grouped: comments, strings, numbers, words and keywords, status globals, temporary tables,
// SET lines, line counting, end of input and the token limit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "convstate.h"
#include "keyword.h"
#include "output.h"
#include "parser.h"
#include "scanner.h"
#include "testutil.h"

namespace {

struct tok {
    int token;
    std::string text;
    bool operator==(const tok &o) const { return token == o.token && text == o.text; }
};

std::ostream &operator<<(std::ostream &os, const tok &t) {
    return os << "{" << t.token << ", \"" << t.text << "\"}";
}

class Scanner : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_conversion_state();
        init_lex();
        body_fp_ = open_memstream(&body_, &body_len_);
        script_fp_ = open_memstream(&script_, &script_len_);
        yyout = body_fp_;
        tmpFile = script_fp_;
        yylval[0] = '\0';
    }
    void TearDown() override {
        if (yyout == body_fp_)
            yyout = nullptr;
        if (tmpFile == script_fp_)
            tmpFile = nullptr;
        fclose(body_fp_);
        fclose(script_fp_);
        free(body_);
        free(script_);
        scanner_reset(nullptr);
    }

    // Scans `text` from the outer state.
    void scan(const std::string &text) { scanner_scan_bytes(text.data(), text.size()); }
    // Scans `text` inside a unit: the head "CREATE PROC " is read first and its effects on the
    // declaration tracker undone, so that `text` starts in the unit state with ifdeclare 0.
    void unit(const std::string &text) {
        scan("CREATE PROC " + text);
        ASSERT_EQ(yylex(), CREATE_PROC);
        ifdeclare = 0;
    }
    tok next() {
        int t = yylex();
        return tok{t, yylval};
    }
    // All tokens up to the end of the input (0 not included).
    std::vector<tok> all() {
        std::vector<tok> v;
        for (int i = 0; i < 100000; i++) {
            int t = yylex();
            if (t == 0)
                return v;
            v.push_back(tok{t, yylval});
        }
        ADD_FAILURE() << "no end of input";
        return v;
    }
    std::vector<int> tokens() {
        std::vector<int> v;
        for (const tok &t : all())
            v.push_back(t.token);
        return v;
    }
    std::string body() {
        fflush(body_fp_);
        return std::string(body_, body_len_);
    }
    std::string script() {
        fflush(script_fp_);
        return std::string(script_, script_len_);
    }

  private:
    FILE *body_fp_ = nullptr;
    FILE *script_fp_ = nullptr;
    char *body_ = nullptr;
    size_t body_len_ = 0;
    char *script_ = nullptr;
    size_t script_len_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Outer state and unit heads
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, TextBeforeTheFirstUnitProducesNoToken) {
    scan("select * from t where a = 1; go\nexec x\n");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(end_of_input, 1);
}

TEST_F(Scanner, UnitHeadsInEitherCase) {
    scan("junk create   procedure p\n");
    EXPECT_EQ(next().token, CREATE_PROC);
    EXPECT_EQ(ifdeclare, 1);
    EXPECT_EQ(next(), (tok{NAME, "p"}));
    scan("Create\tProc p");
    EXPECT_EQ(yylex(), CREATE_PROC);
    scan("CREATE TRIGGER t");
    EXPECT_EQ(yylex(), CREATE_TRIGGER);
    EXPECT_EQ(iftrigger, 1);
}

TEST_F(Scanner, CreateAndProcSeparatedByANewlineAreNoHead) {
    scan("create\nproc p as select 1");
    EXPECT_EQ(yylex(), 0);
}

TEST_F(Scanner, HeadLeavesYylvalAndResetsDeclarationCounter) {
    declarecnt = 5;
    set_yylval("before", 6);
    scan("create proc");
    EXPECT_EQ(next(), (tok{CREATE_PROC, "before"}));
    EXPECT_EQ(declarecnt, 0);
}

TEST_F(Scanner, HeadInsideAWordOfTheOuterStateStillCounts) {
    // The outer state has no words: "recreate proc" holds a unit head.
    scan("recreate proc p");
    EXPECT_EQ(yylex(), CREATE_PROC);
}

TEST_F(Scanner, StartAgainReturnsToTheOuterState) {
    unit("p as select 1\n");
    EXPECT_EQ(yylex(), NAME);
    EXPECT_EQ(yylex(), AS);
    start_again();
    // "select" and "1" are skipped in the outer state.
    EXPECT_EQ(yylex(), 0);
}

TEST_F(Scanner, UnitHeadInsideAUnit) {
    unit("p as create procedure q");
    EXPECT_EQ(tokens(), (std::vector<int>{NAME, AS, CREATE_PROC, NAME}));
}

TEST_F(Scanner, BeginTransaction) {
    unit("begin  tran begin transaction BEGIN\tTRANSACTION begin tranx begin");
    EXPECT_EQ(tokens(), (std::vector<int>{BEGIN_TRANSACTION, BEGIN_TRANSACTION, BEGIN_TRANSACTION,
                                          BEGIN_TRANSACTION, NAME, BEGIN_CLAUSE}));
}

// ---------------------------------------------------------------------------------------------
// Comments
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, OuterBlockCommentIsCopiedExactlyToTheScript) {
    scan("x /* a * b & c\n** d */ y");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(script(), "\n/* a * b & c\n** d */\n");
    EXPECT_EQ(body(), "");
}

TEST_F(Scanner, OuterBlockCommentHasNoNesting) {
    scan("/* a /* b */ c */");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(script(), "\n/* a /* b */\n");
}

TEST_F(Scanner, OuterBlockCommentClosedBySlashRightAfterOpening) {
    scan("/*/ create proc p");
    EXPECT_EQ(yylex(), CREATE_PROC);
    EXPECT_EQ(script(), "\n/*/\n");
}

TEST_F(Scanner, OuterLineCommentKeepsItsNewline) {
    scan("-- head & tail\r\n-- second");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(script(), "-- head & tail\r\n-- second");
}

TEST_F(Scanner, UnitHeadInsideAnOuterCommentIsNoHead) {
    scan("/* create proc p */ -- create proc q\n");
    EXPECT_EQ(yylex(), 0);
}

TEST_F(Scanner, UnitBlockComment) {
    unit("/* a * b & c */x");
    EXPECT_EQ(next(), (tok{NAME, "x"}));
    EXPECT_EQ(body(), "\n/* a  b and c */\n");
    EXPECT_EQ(script(), "");
}

TEST_F(Scanner, UnitBlockCommentIsIndented) {
    no_of_tabs = 2;
    unit("/*x*/");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(body(), "\n\t\t/*x*/\n");
}

TEST_F(Scanner, UnitBlockCommentNests) {
    unit("/* x /* y */ z */ w");
    EXPECT_EQ(next(), (tok{NAME, "w"}));
    EXPECT_EQ(body(), "\n/* x  y  z */\n");
}

TEST_F(Scanner, UnitBlockCommentSlashes) {
    // A held "/" is written before a character other than "*"; "//" keeps both.
    unit("/* a/b //c / */ w");
    EXPECT_EQ(next(), (tok{NAME, "w"}));
    EXPECT_EQ(body(), "\n/* a/b //c / */\n");
}

TEST_F(Scanner, UnitBlockCommentStarsAreDropped) {
    unit("/***** banner *****/\nw");
    EXPECT_EQ(next(), (tok{NAME, "w"}));
    EXPECT_EQ(body(), "\n/* banner */\n");
}

TEST_F(Scanner, UnitBlockCommentClosedBySlashRightAfterOpening) {
    unit("/*/ w");
    EXPECT_EQ(next(), (tok{NAME, "w"}));
    EXPECT_EQ(body(), "\n/**/\n");
}

TEST_F(Scanner, UnitBlockCommentKeepsNewlines) {
    unit("/* one\ntwo\r\nthree */w");
    EXPECT_EQ(next(), (tok{NAME, "w"}));
    EXPECT_EQ(body(), "\n/* one\ntwo\r\nthree */\n");
    EXPECT_EQ(yylineno, 3);
}

TEST_F(Scanner, UnitLineComment) {
    unit("x -- a & b\r\ny");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "x"}, {NAME, "y"}}));
    EXPECT_EQ(body(), "-- a and b\r");
    EXPECT_EQ(yylineno, 2);
}

TEST_F(Scanner, NoCommentsOption) {
    nocomments = 1;
    scan("/* outer */ -- outer\ncreate proc /* a */ x -- b\n y");
    EXPECT_EQ(tokens(), (std::vector<int>{CREATE_PROC, NAME, NAME}));
    EXPECT_EQ(body(), "");
    EXPECT_EQ(script(), "");
}

TEST_F(Scanner, CommentsSuppressedWhileElseIf) {
    unit("/* a */ -- b\n");
    else_if = 1;
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(body(), "");
}

TEST_F(Scanner, InputEndingInsideABlockComment) {
    unit("x\n\n /* never closed & more\n");
    EXPECT_EQ(next(), (tok{NAME, "x"}));
    EXPECT_EQ(yylex(), 0);
    // Closed, and reported with the line where it opened.
    EXPECT_EQ(body(), "\n/* never closed and more\n*/\n"
                      "/*[KESTRA-ERR(0003)]:Comment not closed before the end of the input*/\n");
    EXPECT_EQ(end_of_input, 1);
    EXPECT_EQ(yylex(), 0);
}

TEST_F(Scanner, InputEndingInsideANestedBlockComment) {
    unit("/* a /* b ");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(
        body(),
        "\n/* a  b */\n/*[KESTRA-ERR(0001)]:Comment not closed before the end of the input*/\n");
}

TEST_F(Scanner, InputEndingInsideAnOuterBlockComment) {
    scan("/* never closed");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(script(), "\n/* never closed*/\n/*[KESTRA-ERR(0001)]:Comment not closed before the "
                        "end of the input*/\n");
}

TEST_F(Scanner, InputEndingInsideALineComment) {
    unit("x -- no newline");
    EXPECT_EQ(next(), (tok{NAME, "x"}));
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(body(), "-- no newline");
}

TEST_F(Scanner, NulByteInsideACommentEndsTheInput) {
    unit(std::string("/* a \0 */ x", 11));
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(body(),
              "\n/* a */\n/*[KESTRA-ERR(0001)]:Comment not closed before the end of the input*/\n");
    EXPECT_EQ(end_of_input, 1);
}

TEST_F(Scanner, LongCommentsHaveNoLengthLimit) {
    std::string big(100000, 'x');
    unit("/*" + big + "*/ --" + big + "\ny");
    EXPECT_EQ(next(), (tok{NAME, "y"}));
    EXPECT_EQ(body(), "\n/*" + big + "*/\n--" + big);
}

// ---------------------------------------------------------------------------------------------
// Operators and single characters
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, ComparisonOperators) {
    unit("< > <= >= <> != !< !>");
    EXPECT_EQ(all(), (std::vector<tok>{{COMPARISON, "<"},
                                       {COMPARISON, ">"},
                                       {COMPARISON, "<="},
                                       {COMPARISON, ">="},
                                       {COMPARISON, "<>"},
                                       {COMPARISON, "!="},
                                       {COMPARISON, ">="},
                                       {COMPARISON, "<="}}));
}

TEST_F(Scanner, OuterJoinsAndSemicolon) {
    unit("a*=b c=*d;");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "a"},
                                       {JOIN, "*="},
                                       {NAME, "b"},
                                       {NAME, "c"},
                                       {JOIN, "=*"},
                                       {NAME, "d"},
                                       {GO, "GO"}}));
    // Before a group number (name;1) ";" is the character itself; before a statement it only
    // ends the statement (no token).
    unit("p;1 q ;\t2 r;\n3");
    EXPECT_EQ(tokens(), (std::vector<int>{NAME, ';', INTNUM, NAME, ';', INTNUM, NAME, INTNUM}));
    // ";" ends the batch (GO) only where blanks and comments lead to the end of the input, a GO
    // or a unit head.
    const struct {
        const char *text;
        std::vector<int> tokens;
    } cases[] = {
        {"a;", {NAME, GO}},
        {"a; -- c\n/* d\n */ \r\n", {NAME, GO}},
        {"a;--c", {NAME, GO}},
        {"a; b", {NAME, NAME}},
        {"a;b;c;", {NAME, NAME, NAME, GO}},
        {"a;;", {NAME, GO}},
        {"a; -- c\nb", {NAME, NAME}},
        {"a; /* c */ b", {NAME, NAME}},
        {"a; /* open", {NAME}},
        {"a;\n-- c\nCreate  Procedure p", {NAME, GO, CREATE_PROC, NAME}},
        {"a; /* c */create trigger t", {NAME, GO, CREATE_TRIGGER, NAME}},
        {"a; -- create procedure p\nb", {NAME, NAME}},
        {"a; /* create procedure p */ b", {NAME, NAME}},
        {"a;\ngo\n", {NAME, GO, GO}},
        {"a; goto x", {NAME, GOTO, NAME}},
        {"a; good", {NAME, NAME}},
        {"a; created", {NAME, NAME}},
    };
    for (const auto &c : cases) {
        unit(c.text);
        EXPECT_EQ(tokens(), c.tokens) << c.text;
    }
}

TEST_F(Scanner, SingleCharacterTokensLeaveYylval) {
    unit("% & ( ) * + , - . / ^ | ~");
    set_yylval("kept", 4);
    std::vector<tok> got = all();
    std::string chars = "%&()*+,-./^|~";
    ASSERT_EQ(got.size(), chars.size());
    for (size_t i = 0; i < chars.size(); i++)
        EXPECT_EQ(got[i], (tok{chars[i], "kept"}));
}

TEST_F(Scanner, DroppedCharacters) {
    // [x] scans as x; ! ? \ ` { } $ : _ and bytes above 126 are dropped; @ without a letter.
    unit("[x] ! ? \\ ` { } $ : _ \x80\xff @ @1 \x01");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "x"}, {INTNUM, "1"}}));
}

TEST_F(Scanner, EqualSign) {
    unit("a = b");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "a"}, {'=', "a"}, {NAME, "b"}}));
    // Inside a condition: COMPARISON (the WHERE word sets inWhere).
    unit("where a = b");
    EXPECT_EQ(all(),
              (std::vector<tok>{{WHERE, "WHERE"}, {NAME, "a"}, {COMPARISON, "="}, {NAME, "b"}}));
    for (int16_t *flag : {&inIF, &inWhile, &inHaving}) {
        inWhere = 0;
        *flag = 1;
        unit("=");
        EXPECT_EQ(yylex(), COMPARISON);
        *flag = 0;
    }
    // In a CASE expression or a subquery: the character.
    inWhere = 1;
    case_flag = 1;
    unit("=");
    EXPECT_EQ(yylex(), '=');
    case_flag = 0;
    inSubquery = 1;
    unit("=");
    EXPECT_EQ(yylex(), '=');
}

// ---------------------------------------------------------------------------------------------
// Strings
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, SingleQuotedLiteral) {
    unit("'abc' 'it''s' '' 'a''''b'");
    EXPECT_EQ(all(),
              (std::vector<tok>{
                  {STRING, "'abc'"}, {STRING, "'it''s'"}, {STRING, "''"}, {STRING, "'a''''b'"}}));
}

TEST_F(Scanner, DoubleQuotedLiteralBecomesSingleQuoted) {
    unit("\"abc\" \"it's\" \"a\"\"b\"");
    EXPECT_EQ(all(),
              (std::vector<tok>{{STRING, "'abc'"}, {STRING, "'it's'"}, {STRING, "'a\"\"b'"}}));
}

TEST_F(Scanner, QuotesOfTheOtherKindAreNotJoined) {
    unit("'a'\"b\"");
    EXPECT_EQ(all(), (std::vector<tok>{{STRING, "'a'"}, {STRING, "'b'"}}));
}

TEST_F(Scanner, StringsSpanLines) {
    unit("'a\nb' x");
    EXPECT_EQ(all(), (std::vector<tok>{{STRING, "'a\nb'"}, {NAME, "x"}}));
    EXPECT_EQ(yylineno, 2);
}

TEST_F(Scanner, UnterminatedQuoteIsDropped) {
    unit("x 'abc");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "x"}, {NAME, "abc"}}));
    unit("\n\"ab cd");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "ab"}, {NAME, "cd"}}));
    // Each loss reported with the line where the literal opened.
    EXPECT_EQ(body(), "\n/*[KESTRA-ERR(0001)]:String literal not closed before the end of the "
                      "input: its quote is dropped*/\n\n/*[KESTRA-ERR(0002)]:String literal not "
                      "closed before the end of the input: its quote is dropped*/\n");
}

TEST_F(Scanner, JoinedLiteralWithUnterminatedTailIsDropped) {
    // 'a' followed by a quote continues the literal; the continuation has no closing quote,
    // so the whole text is dropped with that quote and scanning resumes after it.
    unit("\n'a\n''b");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "b"}}));
    EXPECT_EQ(body(), "\n/*[KESTRA-ERR(0002)]:String literal not closed before the end of the "
                      "input: its quote is dropped*/\n");
}

TEST_F(Scanner, NulByteEndsAString) {
    unit(std::string("'ab\0c'", 6));
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "ab"}}));
}

// ---------------------------------------------------------------------------------------------
// Numbers
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, IntegersAndApproximateNumbers) {
    unit("42 1.5 .5 1. 007");
    EXPECT_EQ(all(), (std::vector<tok>{{INTNUM, "42"},
                                       {APPROXNUM, "1.5"},
                                       {APPROXNUM, ".5"},
                                       {APPROXNUM, "1."},
                                       {INTNUM, "007"}}));
}

TEST_F(Scanner, NoExponentNotation) {
    unit("1e5");
    EXPECT_EQ(all(), (std::vector<tok>{{INTNUM, "1"}, {NAME, "e5"}}));
}

TEST_F(Scanner, HexadecimalNumbers) {
    // The whole literal, hexadecimal letters included (0x1F once scanned as 1 and the word F).
    unit("0x12 0X10 0x 0x1F 0xff 0x010100A1");
    EXPECT_EQ(all(), (std::vector<tok>{{INTNUM, "18"},
                                       {INTNUM, "16"},
                                       {INTNUM, "0"},
                                       {NAME, "x"},
                                       {INTNUM, "31"},
                                       {INTNUM, "255"},
                                       {INTNUM, "16842913"}}));
}

TEST_F(Scanner, LongHexadecimalNumbersAreExact) {
    unit("0x99999999 0x10000000000000000 0x0000000000000000000000000000001");
    EXPECT_EQ(all(), (std::vector<tok>{
                         {INTNUM, "2576980377"}, {INTNUM, "18446744073709551616"}, {INTNUM, "1"}}));
}

TEST_F(Scanner, PointsAndDots) {
    unit("a.b 1.5.3");
    EXPECT_EQ(all(),
              (std::vector<tok>{
                  {NAME, "a"}, {'.', "a"}, {NAME, "b"}, {APPROXNUM, "1.5"}, {APPROXNUM, ".3"}}));
}

// ---------------------------------------------------------------------------------------------
// Words and keywords
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, KeywordsInAnyCaseNamesAsWritten) {
    unit("select Select SELECT MyTable");
    EXPECT_EQ(all(),
              (std::vector<tok>{
                  {SELECT, "SELECT"}, {SELECT, "SELECT"}, {SELECT, "SELECT"}, {NAME, "MyTable"}}));
}

// Words are upper-cased and looked up 16 characters at a time: words on either side of 16
// characters, in the middle of the input and as its last bytes, whatever their case.
TEST_F(Scanner, WordsOfAnyLengthAndPlace) {
    const struct {
        std::string word;
        int token;
        std::string value;
    } cases[] = {
        {"sElEcT", SELECT, "SELECT"},
        {"ignore_dup_KEY", IGNORE_DUP_KEY, "IGNORE_DUP_KEY"},
        {"Timestamp_not_used", NUMERIC, "TIMESTAMP_NOT_USED"},
        {"timestamp_not_usex", NAME, "timestamp_not_usex"},
        {"abcdefghijklmnop", NAME, "abcdefghijklmnop"},
        {"abcdefghijklmnopq", NAME, "abcdefghijklmnopq"},
        {"Checkallocx", NAME, "Checkallocx"},
        {"deleted", NAME, ":OLD"},
        {std::string(40, 'q'), NAME, std::string(40, 'q')},
    };
    for (const auto &c : cases) {
        for (const std::string &text : {c.word + " x", "x " + c.word}) {
            unit(text);
            const std::vector<tok> got = all();
            ASSERT_EQ(got.size(), 2u) << text;
            const tok &t = text[0] == 'x' && text[1] == ' ' ? got[1] : got[0];
            EXPECT_EQ(t.token, c.token) << text;
            EXPECT_EQ(t.text, c.value) << text;
        }
    }
}

TEST_F(Scanner, WordCharacters) {
    unit("a_b#c$d:e x1 _y");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "a_b#c$d:e"}, {NAME, "x1"}, {NAME, "y"}}));
}

TEST_F(Scanner, Labels) {
    unit("lbl: Retry: begin:");
    EXPECT_EQ(all(), (std::vector<tok>{{LABEL, "lbl:"}, {LABEL, "Retry:"}, {LABEL, "begin:"}}));
}

TEST_F(Scanner, TriggerPseudoTables) {
    unit("inserted.col Deleted INSERTEDX");
    EXPECT_EQ(
        all(),
        (std::vector<tok>{
            {NAME, ":NEW"}, {'.', ":NEW"}, {NAME, "col"}, {NAME, ":OLD"}, {NAME, "INSERTEDX"}}));
}

TEST_F(Scanner, NextCharIsTheFirstCharacterAfterBlanks) {
    EXPECT_EQ(next_char, -1);
    unit("abc \t (");
    EXPECT_EQ(yylex(), NAME);
    EXPECT_EQ(next_char, '(');
    EXPECT_EQ(yylex(), '(');
    unit("abc\n(");
    EXPECT_EQ(yylex(), NAME);
    EXPECT_EQ(next_char, '\n');
    EXPECT_EQ(yylineno, 1);
    unit("abc");
    EXPECT_EQ(yylex(), NAME);
    EXPECT_EQ(next_char, 0);
}

TEST_F(Scanner, FunctionsNeedAParenthesis) {
    unit("max(a) max (a) max a count");
    EXPECT_EQ(all(), (std::vector<tok>{{FUNC, "MAX"},
                                       {'(', "MAX"},
                                       {NAME, "a"},
                                       {')', "a"},
                                       {FUNC, "MAX"},
                                       {'(', "MAX"},
                                       {NAME, "a"},
                                       {')', "a"},
                                       {NAME, "MAX"},
                                       {NAME, "a"},
                                       {NAME, "COUNT"}}));
}

TEST_F(Scanner, NextCharRuleOfTheFiveFunctions) {
    unit("db_name() db_name user_id\t( host_name");
    EXPECT_EQ(tokens(), (std::vector<int>{FUNC, '(', ')', NAME, FUNC, '(', NAME}));
}

TEST_F(Scanner, ColNameIsAlwaysAName) {
    unit("col_name(1)");
    EXPECT_EQ(next(), (tok{NAME, "COL_NAME"}));
}

TEST_F(Scanner, CharAsFunctionOrDatatype) {
    // paramFlag and declareFlag start at 1: CHAR is the datatype.
    unit("char(5)");
    EXPECT_EQ(yylex(), CHARACTER);
    paramFlag = 0;
    declareFlag = 0;
    unit("char(65)");
    EXPECT_EQ(next(), (tok{FUNC, "CHAR"}));
    // CONVERT(CHAR, ...): CHAR is the datatype and clears convertFlag.
    unit("convert(char, x)");
    EXPECT_EQ(next(), (tok{FUNC, "CONVERT"}));
    EXPECT_EQ(convertFlag, 1);
    EXPECT_EQ(yylex(), '(');
    EXPECT_EQ(yylex(), CHARACTER);
    EXPECT_EQ(convertFlag, 0);
    unit("table char");
    EXPECT_EQ(tokens(), (std::vector<int>{TABLE, CHARACTER}));
    EXPECT_EQ(tableFlag, 1);
}

TEST_F(Scanner, DeclarationTracker) {
    unit("declare @a mytype, @b int, @c yourtype");
    EXPECT_EQ(all(), (std::vector<tok>{{DECLARE, "DECLARE"},
                                       {PARAMETER, "@a"},
                                       {USER_TYPE, "mytype"},
                                       {',', "mytype"},
                                       {PARAMETER, "@b"},
                                       {INTEGER, "INT"},
                                       {',', "INT"},
                                       {PARAMETER, "@c"},
                                       {USER_TYPE, "yourtype"}}));
    EXPECT_EQ(declarecnt, 1);
    EXPECT_EQ(declareFlag, 1);
    EXPECT_EQ(ifdeclare, 1);
}

TEST_F(Scanner, ProcedureHeadExpectsVariables) {
    scan("create proc p @x money as select 1");
    EXPECT_EQ(all(), (std::vector<tok>{{CREATE_PROC, ""},
                                       {NAME, "p"},
                                       {PARAMETER, "@x"},
                                       {USER_TYPE, "money"},
                                       {AS, "AS"},
                                       {SELECT, "SELECT"},
                                       {INTNUM, "1"}}));
    EXPECT_EQ(ifdeclare, 0);
}

TEST_F(Scanner, CursorEndsTheDeclarations) {
    unit("declare c cursor for select");
    EXPECT_EQ(tokens(), (std::vector<int>{DECLARE, NAME, CURSOR, FOR, SELECT}));
    EXPECT_EQ(ifdeclare, 0);
    EXPECT_EQ(declarecnt, 1);
}

TEST_F(Scanner, ANameFromAKeywordEndsTheTypePosition) {
    ifdeclare = 0;
    unit("declare @a col_name");
    EXPECT_EQ(tokens(), (std::vector<int>{DECLARE, PARAMETER, NAME}));
    EXPECT_EQ(ifdeclare, 1);
}

TEST_F(Scanner, ContextFlags) {
    unit("if while where having");
    EXPECT_EQ(tokens(), (std::vector<int>{IF, WHILE, WHERE, HAVING}));
    EXPECT_EQ(inIF, 1);
    EXPECT_EQ(inWhile, 1);
    EXPECT_EQ(inWhere, 1);
    EXPECT_EQ(inHaving, 1);
}

TEST_F(Scanner, UpdateAndUpdating) {
    unit("update t");
    EXPECT_EQ(all(), (std::vector<tok>{{UPDATE, "UPDATE"}, {NAME, "t"}}));
    EXPECT_EQ(inUpdate, 1);
    inUpdate = 0;
    unit("if update  (col)");
    EXPECT_EQ(all(),
              (std::vector<tok>{
                  {IF, "IF"}, {UPDATING, "UPDATE"}, {'(', "UPDATE"}, {NAME, "col"}, {')', "col"}}));
    EXPECT_EQ(inUpdate, 0);
}

// The SELECT word read as a look-ahead must not drop the tables of the query before it: the
// table list starts at the SELECT's own rule.
TEST_F(Scanner, SelectKeepsTheTableCount) {
    tot_tab = 3;
    unit("select");
    EXPECT_EQ(yylex(), SELECT);
    EXPECT_EQ(tot_tab, 3);
}

TEST_F(Scanner, CaseFlag) {
    unit("case when x then 1 end");
    EXPECT_EQ(yylex(), CASE);
    EXPECT_EQ(case_flag, 1);
    EXPECT_EQ(tokens(), (std::vector<int>{WHEN, NAME, THEN, INTNUM, END_CLAUSE}));
    EXPECT_EQ(case_flag, 1); // END outside a WHERE clause leaves it
    inWhere = 1;
    unit("end");
    EXPECT_EQ(yylex(), END_CLAUSE);
    EXPECT_EQ(case_flag, 0);
}

TEST_F(Scanner, GoWordAndComputeAndExecute) {
    unit("go compute exec execute");
    EXPECT_EQ(all(),
              (std::vector<tok>{
                  {GO, "GO"}, {COMPUTE, "COMPUTE"}, {EXECUTE, "EXEC"}, {EXECUTE, "EXECUTE"}}));
}

TEST_F(Scanner, KeywordSideEffectsThroughTheScanner) {
    unit("insert into t select union all select");
    EXPECT_EQ(tokens(), (std::vector<int>{INSERT, INTO, NAME, SELECT, UNION, ALL, SELECT}));
    EXPECT_EQ(skip_rs, 1);
    EXPECT_EQ(insert_flag, 0);
    EXPECT_EQ(union_flag, 2);
}

TEST_F(Scanner, DatatypeWordsThatAreNoKeywords) {
    unit("date money timestamp datetime real smallint binary");
    EXPECT_EQ(tokens(), (std::vector<int>{NAME, NAME, NAME, DATE, NUMERIC, INTEGER, VARBINARY}));
}

// ---------------------------------------------------------------------------------------------
// Variables, status globals, temporary tables
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, Parameters) {
    unit("@x @Abc_1#$ @1");
    EXPECT_EQ(all(), (std::vector<tok>{{PARAMETER, "@x"}, {PARAMETER, "@Abc_1#$"}, {INTNUM, "1"}}));
}

TEST_F(Scanner, StatusGlobals) {
    fldlst_cnt = 3;
    unit("@@rowcount @@Error @@spid @@sqlstatus @@FETCH_STATUS");
    EXPECT_EQ(all(), (std::vector<tok>{{PARAMETER, "@Tarn_rowcnt"},
                                       {PARAMETER, "@Tarn_error"},
                                       {PARAMETER, "@SPID"},
                                       {SQLSTATUS, "@@SQLSTATUS"},
                                       {FETCH_STATUS, "@@FETCH_STATUS"}}));
    EXPECT_EQ(retrow_list[3].status_flag, 1);
    EXPECT_EQ(retrow_list[2].status_flag, 0);
}

TEST_F(Scanner, StatusGlobalErrorSetsTheFlag) {
    unit("@@error");
    EXPECT_EQ(yylex(), PARAMETER);
    EXPECT_EQ(retrow_list[0].status_flag, 1);
}

TEST_F(Scanner, VersionIsSelectedOncePerUnit) {
    unit("@@version @@VERSION");
    EXPECT_EQ(all(),
              (std::vector<tok>{{PARAMETER, "@Tarn_version"}, {PARAMETER, "@Tarn_version"}}));
    EXPECT_EQ(version_flag, 1);
    EXPECT_EQ(body(), "\nSELECT CREATED INTO Tarn_version FROM SM$VERSION;");
}

TEST_F(Scanner, TemporaryTables) {
    unit("#work #Work #work #");
    EXPECT_EQ(all(),
              (std::vector<tok>{
                  {NAME, "temp_work"}, {NAME, "temp_Work"}, {NAME, "temp_work"}, {NAME, "temp_"}}));
    ASSERT_EQ(tot_tmp, 3);
    EXPECT_STREQ(tmp_list[0].name, "temp_work");
    EXPECT_STREQ(tmp_list[0].name2, "temp_work");
    EXPECT_STREQ(tmp_list[1].name, "temp_Work");
    EXPECT_STREQ(tmp_list[2].name, "temp_");
}

TEST_F(Scanner, TemporaryTableNamesEnterTheListWholeOrStopTheRun) {
    // "temp_" and 94 characters fill both texts of the entry (99 characters).
    const std::string fits(94, 'n');
    unit("#" + fits + " #" + fits);
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "temp_" + fits}, {NAME, "temp_" + fits}}));
    EXPECT_EQ(tot_tmp, 1);
    EXPECT_EQ(std::string(tmp_list[0].name), "temp_" + fits);
    EXPECT_EQ(std::string(tmp_list[0].name2), "temp_" + fits);
    unit("#" + fits + "n");
    testing::internal::CaptureStderr();
    const int status = kestra_guard([](void *) { yylex(); }, nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "kestra: a temporary table name is longer than 99 characters: " +
                       ("temp_" + fits).substr(0, 60) + "...\n");
}

// ---------------------------------------------------------------------------------------------
// SET lines
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, SetLineIsCommentedOut) {
    unit("set nocount on\nselect");
    EXPECT_EQ(all(), (std::vector<tok>{{SELECT, "SELECT"}}));
    EXPECT_EQ(body(), "\n/* SET nocount on */\n");
    EXPECT_EQ(yylineno, 2);
}

TEST_F(Scanner, SetInsideUpdateIsAToken) {
    unit("update t set a = 1");
    EXPECT_EQ(tokens(), (std::vector<int>{UPDATE, NAME, SET, NAME, '=', INTNUM}));
    EXPECT_EQ(body(), "");
}

// SET of a variable with "=" reads as SELECT (no comment written); every other SET line is
// commented out, and the SET of an UPDATE stays SET.
TEST_F(Scanner, SetVariableIsASelect) {
    const struct {
        const char *text;
        std::vector<int> tokens;
        const char *body;
    } cases[] = {
        {"set @a = 1", {SELECT, PARAMETER, '=', INTNUM}, ""},
        {"SET @a=@b", {SELECT, PARAMETER, '=', PARAMETER}, ""},
        {"Set\n  @a\t= 'x'", {SELECT, PARAMETER, '=', STRING}, ""},
        {"update t set @a = 1", {UPDATE, NAME, SET, PARAMETER, '=', INTNUM}, ""},
        {"set @a += 1\nx", {NAME}, "\n/* SET @a += 1 */\n"},
        {"set @@x = 1\nx", {NAME}, "\n/* SET @@x = 1 */\n"},
        {"set rowcount @n\nx", {NAME}, "\n/* SET rowcount @n */\n"},
        {"set @a\nx", {NAME}, "\n/* SET @a */\n"},
        {"settle @a = 1", {NAME, PARAMETER, '=', INTNUM}, ""},
    };
    for (const auto &c : cases) {
        const size_t before = body().size(); // the body collects the cases' comments in turn
        unit(c.text);
        EXPECT_EQ(tokens(), c.tokens) << c.text;
        EXPECT_EQ(body().substr(before), c.body) << c.text;
    }
    unit("set @a = 1");
    EXPECT_EQ(next(), (tok{SELECT, "SELECT"}));
}

TEST_F(Scanner, SetLineStopsAtABlockComment) {
    unit("set x = 1 /* c */\ny");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "y"}}));
    EXPECT_EQ(body(), "\n/* SET x = 1  */\n\n/* c */\n");
}

TEST_F(Scanner, SetLineSlashes) {
    // A "/" followed by another character is written with it, a newline included.
    unit("set a = b / c -- d/\ne\nf");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, "f"}}));
    EXPECT_EQ(body(), "\n/* SET a = b / c -- d/\ne */\n");
    EXPECT_EQ(yylineno, 3);
}

TEST_F(Scanner, InputEndingInsideASetLine) {
    unit("set rowcount 0");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(body(), "\n/* SET rowcount 0 */\n");
    unit("set x /");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(body(), "\n/* SET rowcount 0 */\n\n/* SET x / */\n");
}

// ---------------------------------------------------------------------------------------------
// Line counting
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, LineNumbers) {
    scan("-- head\n\n/* a\nb */\ncreate proc p\nas\r\n  select 'x\ny'\n  /* c\n */ set q\n"
         "-- d\nz");
    std::vector<std::pair<int, int>> seen;
    for (int t; (t = yylex()) != 0;)
        seen.emplace_back(t, yylineno);
    EXPECT_EQ(seen,
              (std::vector<std::pair<int, int>>{
                  {CREATE_PROC, 5}, {NAME, 5}, {AS, 6}, {SELECT, 7}, {STRING, 8}, {NAME, 12}}));
    EXPECT_EQ(yylineno, 12);
}

TEST_F(Scanner, LineNumberAfterAWordBeforeANewline) {
    unit("a\nb\n");
    EXPECT_EQ(yylex(), NAME);
    EXPECT_EQ(yylineno, 1);
    EXPECT_EQ(yylex(), NAME);
    EXPECT_EQ(yylineno, 2);
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(yylineno, 3);
}

// ---------------------------------------------------------------------------------------------
// End of input, file input, the token limit
// ---------------------------------------------------------------------------------------------

TEST_F(Scanner, NulByteEndsTheInput) {
    unit(std::string("a \0 b", 5));
    EXPECT_EQ(next(), (tok{NAME, "a"}));
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(end_of_input, 1);
    EXPECT_STREQ(yytext, "");
}

TEST_F(Scanner, EmptyInput) {
    scan("");
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(end_of_input, 1);
    EXPECT_STREQ(yytext, "");
}

TEST_F(Scanner, YytextIsEmptyAtTheEndOfTheInput) {
    unit("abc");
    EXPECT_EQ(yylex(), NAME);
    EXPECT_EQ(yylex(), 0);
    EXPECT_STREQ(yytext, "");
    unit("'s'\n");
    EXPECT_EQ(yylex(), STRING);
    EXPECT_EQ(yylex(), 0);
    EXPECT_STREQ(yytext, "");
}

TEST_F(Scanner, YytextIsTheLastMatch) {
    unit("abc  (");
    EXPECT_EQ(yylex(), NAME);
    EXPECT_STREQ(yytext, "abc");
    EXPECT_EQ(yylex(), '(');
    EXPECT_STREQ(yytext, "(");
}

TEST_F(Scanner, ReadsFromAFileAcrossBufferBoundaries) {
    // Words, strings and comments straddling the scanner's buffer boundaries, and the
    // character after a word found in the next buffer.
    std::string text = "create proc p as\n";
    std::vector<tok> want;
    want.push_back({CREATE_PROC, ""});
    want.push_back({NAME, "p"});
    want.push_back({AS, "AS"});
    for (int i = 0; text.size() < 300000; i++) {
        std::string pad(static_cast<size_t>(i % 37), ' ');
        text += pad + "max" + pad + "(" + "'s" + std::to_string(i) + "''x' /* c */ n" +
                std::to_string(i) + "\n";
        want.push_back({FUNC, "MAX"});
        want.push_back({'(', "MAX"});
        want.push_back({STRING, "'s" + std::to_string(i) + "''x'"});
        want.push_back({NAME, "n" + std::to_string(i)});
    }
    nocomments = 1;
    FILE *f = fmemopen(&text[0], text.size(), "r");
    ASSERT_NE(f, nullptr);
    scanner_reset(f);
    std::vector<tok> got = all();
    fclose(f);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
    EXPECT_EQ(yylineno, static_cast<int>(want.size() - 3) / 4 + 2);
}

TEST_F(Scanner, LongestTokensWithinTheLimit) {
    std::string w(2047, 'w');
    std::string s = "'" + std::string(2045, 's') + "'";
    std::string j = "'" + std::string(1000, 'a') + "''" + std::string(1043, 'b') + "'";
    unit(w + " " + s + " " + j);
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, w}, {STRING, s}, {STRING, j}}));
}

TEST_F(Scanner, WordFollowedByManyBlanksIsWithinTheLimit) {
    std::string w(2000, 'w');
    unit(w + std::string(5000, ' ') + "(");
    EXPECT_EQ(all(), (std::vector<tok>{{NAME, w}, {'(', w}}));
}

// Runs `input` through the scanner in a child process: it must stop with status 1 and the
// limit message on standard error.
void expect_too_long(const std::string &input) {
    EXPECT_EXIT(
        {
            reset_conversion_state();
            init_lex();
            yyout = tmpfile();
            scanner_scan_bytes(input.data(), input.size());
            while (yylex() != 0) {
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "Input string too long, limit 2048\n");
}

TEST_F(Scanner, TokenOverTheLimitStopsTheRun) {
    expect_too_long("create proc " + std::string(2048, 'w'));
    expect_too_long("create proc '" + std::string(2046, 's') + "'");
    expect_too_long("create proc '" + std::string(1000, 'a') + "''" + std::string(1044, 'b') + "'");
    expect_too_long("create proc " + std::string(2048, '1'));
    expect_too_long("create proc @" + std::string(2047, 'v'));
    expect_too_long("create proc " + std::string(2048, ' '));
}

TEST(ScannerRun, TokenOverTheLimitStopsTheRunAndLeavesNoWorkFile) {
    kestra_test::temp_dir dir;
    dir.write("p.sql", "create proc p as\nselect '" + std::string(3000, 'x') + "'\n");
    kestra_test::run_result r = kestra_test::run_in_process(dir, {"p.sql"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Input string too long, limit 2048\n"), std::string::npos) << r.err;
    for (const std::string &name : dir.entries())
        EXPECT_EQ(name.rfind("conv_sp", 0), std::string::npos) << name;
}

} // namespace
