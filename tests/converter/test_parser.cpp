// Parser driver tests on token lists: the -D trace format, where look-aheads
// are read, refusals, stack growth and overflow, and the value helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <regex>

#include "parser_tables.h"
#include "test_grammar_util.h"

using namespace grammar_test;

namespace {

// The trace with every state number replaced by "N" (state numbers are the generator's).
std::string mask_states(const std::string &trace) {
    static const std::regex state("([Ss]tate) -?[0-9]+");
    return std::regex_replace(trace, state, "$1 N");
}

// A procedure whose PRINT expression nests `depth` parentheses.
std::string nested_print(int depth) {
    std::string body = "PRINT ";
    for (int i = 0; i < depth; i++)
        body += "( ";
    body += "a";
    for (int i = 0; i < depth; i++)
        body += " )";
    return proc(body);
}

} // namespace

TEST(ParserTrace, FormatOfStatesTokensAndReductions) {
    parse_result r = parse("CREATE_PROC p AS PRINT a GO");
    ASSERT_EQ(r.rc, 0) << r.trace << r.err;
    EXPECT_EQ(mask_states(r.trace),
              "State N, token -none-\n"
              "Received token CREATE_PROC\n"
              "State N, token -none-\n"
              "Received token NAME\n"
              "State N, token -none-\n"
              "Reduce by (12) \"name_string : NAME\"\n"
              "State N, token -none-\n"
              "Received token AS\n"
              "Reduce by (18) \"opt_proc_number : /* empty */\"\n"
              "State N, token AS\n"
              "Reduce by (16) \"proc_name : name_string opt_proc_number\"\n"
              "State N, token AS\n"
              "Reduce by (20) \"opt_passed_parameters : /* empty */\"\n"
              "State N, token AS\n"
              "State N, token -none-\n"
              "Reduce by (37) \"as_stmt : AS\"\n"
              "State N, token -none-\n"
              "Received token PRINT\n"
              "Reduce by (102) \"opt_begin : /* empty */\"\n"
              "State N, token PRINT\n"
              "State N, token -none-\n"
              "Received token NAME\n"
              "State N, token -none-\n"
              "Received token GO\n"
              "Reduce by (486) \"column_ref : NAME\"\n"
              "State N, token GO\n"
              "Reduce by (422) \"scalar_exp : column_ref\"\n"
              "State N, token GO\n"
              "Reduce by (125) \"scalar_exp_list : scalar_exp\"\n"
              "State N, token GO\n"
              "Reduce by (124) \"print_construct : PRINT scalar_exp_list\"\n"
              "State N, token GO\n"
              "Reduce by (102) \"opt_begin : /* empty */\"\n"
              "State N, token GO\n"
              "Reduce by (42) \"proc_contents : print_construct opt_begin\"\n"
              "State N, token GO\n"
              "Reduce by (35) \"proc_body : proc_contents\"\n"
              "State N, token GO\n"
              "Reduce by (14) \"procedure_stmt : CREATE_PROC proc_name opt_passed_parameters "
              "as_stmt opt_begin proc_body\"\n"
              "State N, token GO\n"
              "State N, token -none-\n"
              "Reduce by (5) \"opt_go : GO\"\n"
              "State N, token -none-\n"
              "Reduce by (3) \"begin_procedure : procedure_stmt opt_go\"\n"
              "State N, token -none-\n"
              "Reduce by (1) \"begin_conv : begin_procedure\"\n"
              "State N, token -none-\n"
              "Received token end-of-file\n");
    EXPECT_EQ(r.err, "");
    // State 0 is the start state whatever the generator.
    EXPECT_EQ(r.trace.rfind("State 0, token -none-\n", 0), 0u);
}

// No look-ahead is read for a default reduction in a state that needs none: AS is reduced to
// as_stmt, and a unit ends (rules 5, 3, 1: the scanner is sent back to its outer state) before
// the next token is read. yychar is then -1 for the actions.
TEST(ParserTrace, DefaultReductionsReadNoLookAhead) {
    parse_result r = parse("CREATE_PROC p AS RETURN_CLAUSE GO CREATE_PROC q AS RETURN_CLAUSE");
    ASSERT_EQ(r.rc, 0) << r.trace;
    const std::string t = mask_states(r.trace);
    EXPECT_NE(t.find("State N, token -none-\nReduce by (37) \"as_stmt : AS\"\n"),
              std::string::npos);
    EXPECT_NE(t.find("Reduce by (5) \"opt_go : GO\"\nState N, token -none-\n"
                     "Reduce by (3) \"begin_procedure : procedure_stmt opt_go\"\n"
                     "State N, token -none-\nReduce by (1) \"begin_conv : begin_procedure\"\n"
                     "State N, token -none-\nReceived token CREATE_PROC\n"),
              std::string::npos)
        << t;
    EXPECT_NE(t.find("Reduce by (2) \"begin_conv : begin_conv begin_procedure\"\n"),
              std::string::npos);
    EXPECT_EQ(yychar, 0) << "acceptance on the end-of-input look-ahead";
}

// The end of a DECLARE (rule 54) reads the look-ahead's text: the flags the scanner set for
// DECLARE stay while the next statement is another DECLARE.
TEST(ParserActions, DeclarationStateFollowsTheLookAhead) {
    declareFlag = 1;
    declarecnt = 2;
    ifdeclare = 1;
    parse_result r = parse(proc("DECLARE @a INTEGER DECLARE @b INTEGER RETURN_CLAUSE"));
    ASSERT_EQ(r.rc, 0) << r.trace;
    EXPECT_EQ(declarecnt, 0);
    EXPECT_EQ(ifdeclare, 0);
    EXPECT_EQ(declareFlag, 0);

    declareFlag = 1;
    declarecnt = 2;
    ifdeclare = 1;
    // Ends in a syntax error right after the second DECLARE: rule 54 ran once, with DECLARE as
    // the look-ahead.
    r = parse(proc("DECLARE @a INTEGER DECLARE"));
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(declarecnt, 1);
    EXPECT_EQ(ifdeclare, 1);
    EXPECT_EQ(declareFlag, 1);
    declareFlag = 1;
    declarecnt = 0;
    ifdeclare = 0;
}

TEST(ParserErrors, SyntaxErrorsEndTheParse) {
    struct refusal {
        const char *program;
        const char *last_token; // the look-ahead at the error
    };
    const refusal cases[] = {
        {"", "end-of-file"},
        {"CREATE_PROC p", "end-of-file"},
        {"CREATE_PROC p AS PRINT ) a", "')'"},
        {"CREATE_PROC p AS SELECT a FROM", "end-of-file"},
        {"CREATE_PROC p AS IF a = 1 ELSE ELSE )", "')'"},
        {"CREATE_PROC p AS RETURN_CLAUSE GO GO", "GO"},
        {"CREATE_PROC p AS UPDATE t SET WHERE a = 1", "WHERE"},
        {"CREATE_PROC p AS INSERT INTO t VALUES 1", "INTNUM"},
        {"SELECT a FROM t", "SELECT"},
    };
    for (const refusal &c : cases) {
        parse_result r = parse(c.program);
        EXPECT_EQ(r.rc, 1) << c.program;
        EXPECT_NE(r.err.find("syntax error"), std::string::npos) << c.program << r.err;
        // The error is found at the expected token, and the whole stack is popped.
        const std::string received = "Received token ";
        size_t at = r.trace.rfind(received);
        ASSERT_NE(at, std::string::npos) << c.program;
        size_t eol = r.trace.find('\n', at);
        EXPECT_EQ(r.trace.substr(at + received.size(), eol - at - received.size()), c.last_token)
            << c.program;
        EXPECT_NE(r.trace.find("Error recovery pops state 0, uncovers state -1\n"),
                  std::string::npos)
            << c.program;
        EXPECT_EQ(r.trace.size(), r.trace.find("Error recovery pops state 0, uncovers state -1\n") +
                                      strlen("Error recovery pops state 0, uncovers state -1\n"))
            << "nothing after the last pop: " << c.program;
        EXPECT_EQ(yynerrs, 1);
    }
}

// A character no rule knows is named "-unknown-" by the trace and refused.
TEST(ParserErrors, UnknownTokenIsRefused) {
    std::vector<token> list = tokens_of("CREATE_PROC p AS PRINT a b");
    list[5] = {'!', "!"};
    parse_result r = parse_tokens(list);
    EXPECT_EQ(r.rc, 1);
    size_t at = r.trace.find("Received token -unknown-\n");
    ASSERT_NE(at, std::string::npos) << r.trace;
    // Default reductions may run before the error shows; no further token is read.
    EXPECT_EQ(r.trace.find("Received token", at + 1), std::string::npos);
    EXPECT_NE(r.trace.find("Error recovery pops state", at), std::string::npos);
}

TEST(ParserErrors, RecoveryPopsEveryStateInOrder) {
    parse_result r = parse("CREATE_PROC p AS PRINT ) a");
    ASSERT_EQ(r.rc, 1);
    // Each pop uncovers the state the next pop removes.
    std::regex pop("Error recovery pops state (-?[0-9]+), uncovers state (-?[0-9]+)\n");
    std::vector<std::pair<int, int>> pops;
    for (std::sregex_iterator it(r.trace.begin(), r.trace.end(), pop), end; it != end; ++it)
        pops.push_back({std::stoi((*it)[1]), std::stoi((*it)[2])});
    ASSERT_EQ(pops.size(), 7u) << r.trace; // CREATE_PROC name AS opt_begin PRINT: 7 states
    for (size_t k = 0; k + 1 < pops.size(); k++)
        EXPECT_EQ(pops[k].second, pops[k + 1].first);
    EXPECT_EQ(pops.back(), std::make_pair(0, -1));
}

namespace {} // namespace

// The state stack of the parser driver (parser.cpp): its bottom and top entries.
extern int *yys;
extern int *yyps;

namespace {

// A token-list lexer that notes, at each token read, the parse's state stack and which grammar
// tokens it takes (yyparse_accepts): one '+' or '.' per token, one line per read.
std::vector<token> noted_list;
size_t noted_next = 0;
std::string noted_reads;
int noting_lex() {
    for (const int *s = yys; s <= yyps; s++)
        noted_reads += std::to_string(*s) + ' ';
    for (int t = 1; t <= 411; t++)
        if (strcmp(yytoken_name(t), "-unknown-") != 0)
            noted_reads += yyparse_accepts(t) ? '+' : '.';
    noted_reads += '\n';
    if (noted_next >= noted_list.size())
        return 0;
    const token &t = noted_list[noted_next++];
    set_yylval(t.text.data(), t.text.size());
    return t.number;
}

// Parses `program` through noting_lex with yydebug as given, the work files and the standard
// streams set aside as parse_tokens sets them; returns yyparse's result.
int parse_noting(const std::string &program, int debug) {
    noted_list = tokens_of(program);
    noted_next = 0;
    noted_reads.clear();
    FILE *saved_yyout = yyout, *saved_log = fpLog, *saved_fp1 = fp1, *saved_fp2 = fp2,
         *saved_fp72 = fp72, *saved_yyin = yyin;
    int16_t saved_end = end_of_input;
    FILE *scratch[] = {tmpfile(), tmpfile(), tmpfile(), tmpfile(), tmpfile(), tmpfile()};
    yyout = scratch[0];
    fp1 = scratch[1];
    fp2 = scratch[2];
    fp72 = scratch[3];
    yyin = nullptr;
    fpLog = nullptr;
    end_of_input = 1;
    fflush(nullptr);
    int saved_1 = dup(1), saved_2 = dup(2);
    dup2(fileno(scratch[4]), 1);
    dup2(fileno(scratch[5]), 2);
    yydebug = debug;
    yyparse_set_lexer(noting_lex);
    const int rc = yyparse();
    yyparse_set_lexer(nullptr);
    yydebug = 0;
    fflush(nullptr);
    dup2(saved_1, 1);
    dup2(saved_2, 2);
    close(saved_1);
    close(saved_2);
    for (FILE *f : scratch)
        fclose(f);
    yyout = saved_yyout;
    fp1 = saved_fp1;
    fp2 = saved_fp2;
    fp72 = saved_fp72;
    yyin = saved_yyin;
    fpLog = saved_log;
    end_of_input = saved_end;
    return rc;
}

} // namespace

// The parse without the trace takes each chain of reductions without actions in one step: at
// each token read its stack is the traced parse's, it takes the same tokens, and the parse ends
// the same.
TEST(ParserChains, UntracedParseReadsFromTheSameStacks) {
    const char *const programs[] = {
        "CREATE_PROC p AS PRINT a GO",
        "CREATE_PROC p AS RETURN_CLAUSE GO CREATE_PROC q AS RETURN_CLAUSE",
        "CREATE_PROC p AS SELECT a , b . c FROM t WHERE a = 1 AND b < 2 ORDER BY a GO",
        "CREATE_PROC p AS IF a = 1 PRINT ( a + 1 ) * 2 ELSE RETURN_CLAUSE GO",
        "CREATE_PROC p AS UPDATE t SET a = 1 WHERE c = 2 DELETE FROM t WHERE a = 1",
        "CREATE_PROC p AS PRINT a PRINT b PRINT c RETURN_CLAUSE GO",
        "CREATE_PROC p AS INSERT INTO t ( a , b ) VALUES ( 1 , 'x' )",
        "CREATE_PROC p AS DECLARE @a INTEGER DECLARE @b INTEGER RETURN_CLAUSE",
        "CREATE_PROC p AS PRINT ) a",
        "CREATE_PROC p AS SELECT a FROM",
        "SELECT a FROM t",
    };
    for (const char *program : programs) {
        const int traced_rc = parse_noting(program, 1);
        const std::string traced = noted_reads;
        const size_t traced_next = noted_next;
        EXPECT_EQ(parse_noting(program, 0), traced_rc) << program;
        EXPECT_EQ(noted_next, traced_next) << program;
        EXPECT_EQ(noted_reads, traced) << program;
        EXPECT_GT(std::count(traced.begin(), traced.end(), '+'), 0) << program;
    }
}

// The driver reduces the clearing rules itself (an emptied $$, no action run): each is an acting
// rule whose $$ is written first, and its action leaves $$ empty and nothing else to check.
TEST(ParserActions, ClearingRulesOnlyEmptyTheirValue) {
    const kestra_grammar::parse_tables &t = kestra_grammar::tables;
    auto listed = [](const int *list, int rule) {
        for (; *list != 0; list++)
            if (*list == rule)
                return true;
        return false;
    };
    static char texts[4][YYVALSIZE];
    yyvalue stack[4];
    for (int i = 0; i < 4; i++) {
        snprintf(texts[i], sizeof texts[i], "entry %d", i);
        stack[i].s = texts[i];
    }
    int count = 0;
    for (const int *r = t.clearing; *r != 0; r++, count++) {
        EXPECT_TRUE(listed(t.acting, *r)) << "rule " << *r - 1;
        EXPECT_TRUE(listed(t.setting, *r)) << "rule " << *r - 1;
        strcpy(yyval, "left over");
        EXPECT_EQ(kestra_grammar::run_action(*r, &stack[3]), 0) << "rule " << *r - 1;
        EXPECT_STREQ(yyval, "") << "rule " << *r - 1;
    }
    EXPECT_GT(count, 10); // the empty optional clauses
}

// 150 entries, then 300 and 600: the stacks grow twice, in a fresh process so that stacks grown
// by earlier tests do not count.
TEST(ParserStacks, DeepNestingGrowsTheStacksTwice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int before = yymaxdepth;
            parse_result r = parse(nested_print(400), 0);
            fprintf(stderr, "rc %d depths %d %d\n", r.rc, before, yymaxdepth);
            fflush(stderr);
            _exit(0);
        },
        testing::ExitedWithCode(0), "rc 0 depths 150 600");
}

TEST(ParserStacks, GrownStacksStayAndParseAgain) {
    parse_result r = parse(nested_print(200), 0);
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_GE(yymaxdepth, 300);
    r = parse(nested_print(3), 0);
    EXPECT_EQ(r.rc, 0) << r.err;
    r = parse(nested_print(250), 1);
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.trace.find("Reduce by (424) \"scalar_exp : '(' scalar_exp ')'\""),
              std::string::npos);
}

// Nesting beyond the allocation limit is refused with yacc's message, not a crash.
TEST(ParserStacks, OverflowIsReportedThroughYyerror) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            parse_result r = parse(nested_print(YYDEPTHLIMIT + 10), 0);
            fprintf(stderr, "rc %d depth %d %s", r.rc, yymaxdepth, r.err.c_str());
            fflush(stderr);
            _exit(0);
        },
        testing::ExitedWithCode(0), "rc 1 depth 4800 yacc stack overflow");
}

TEST(ParserValues, HelpersCutAt9999AndNeverOverrun) {
    static char buf[YYVALSIZE + 16];
    memset(buf, 'z', sizeof buf);
    std::string big(20000, 'x');
    EXPECT_EQ(val_set(buf, big.c_str()), 9999u);
    EXPECT_EQ(strlen(buf), 9999u);
    EXPECT_EQ(buf[YYVALSIZE], 'z') << "nothing written past the value";
    EXPECT_EQ(val_set(buf, "abc"), 3u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(val_cat(buf, "def"), 6u);
    EXPECT_STREQ(buf, "abcdef");
    EXPECT_EQ(val_printf(buf, "%s, %s", buf, "g"), 9u) << "the destination as an argument";
    EXPECT_STREQ(buf, "abcdef, g");
    EXPECT_EQ(val_catf(buf, " %d", 42), 12u);
    EXPECT_STREQ(buf, "abcdef, g 42");
    EXPECT_EQ(val_catf(buf, "%s", big.c_str()), 9999u);
    EXPECT_EQ(buf[YYVALSIZE], 'z');
    EXPECT_EQ(val_cat(buf, "more"), 9999u);
    EXPECT_EQ(val_printf(buf, "%s%s", big.c_str(), big.c_str()), 9999u);
    EXPECT_EQ(std::string(buf, 3), "xxx");
    EXPECT_EQ(buf[YYVALSIZE], 'z');
    // A text of exactly 9,999 characters comes out whole.
    std::string limit(9999, 'y');
    EXPECT_EQ(val_set(buf, limit.c_str()), 9999u);
    EXPECT_EQ(std::string(buf), limit);

    set_yylval(big.data(), big.size());
    EXPECT_EQ(strlen(yylval), 9999u);
    set_yylval("name_plus_junk", 4);
    EXPECT_STREQ(yylval, "name");
    set_yylval(limit.data(), limit.size());
    EXPECT_EQ(std::string(yylval), limit);
}

// Token texts of any length travel through shifts, reductions and stack growth without
// overrunning a value (AddressSanitizer watches the CI run). A value that an action would
// have to cut stops the run with status 1 instead of converting a shortened statement.
TEST(ParserValues, LongTokenTextsAreCutNotOverrun) {
    std::vector<token> list = tokens_of("CREATE_PROC p AS PRINT 'x' , a , b GO");
    list[4].text = "'" + std::string(30000, 's') + "'";
    list[6].text = std::string(9999, 'n');
    list[8].text = std::string(10000, 'm');
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(parse_tokens(list, 0), testing::ExitedWithCode(1), "");
    // Texts within the limit pass whole.
    list[4].text = "'" + std::string(3000, 's') + "'";
    list[6].text = std::string(3000, 'n');
    list[8].text = std::string(3000, 'm');
    parse_result r = parse_tokens(list, 0);
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_LE(strlen(yyval), 9999u);
}

// The formats of "%s" and "%%" only take a path of their own: it must give what snprintf gives
// (cut at 9,999 characters), for the destination as an argument and after a text (val_catf).
TEST(ParserValues, PlainFormatsAgreeWithSnprintf) {
    static char buf[YYVALSIZE + 16];
    const std::string big(12000, 'q');
    const std::string near(9990, 'n');
    struct row {
        const char *start; // buf before the call (val_catf appends to it)
        const char *fmt;
        const char *a;
        const char *b;
    };
    const row rows[] = {
        {"", "", "", ""},
        {"", "plain text", "", ""},
        {"", "%s", "abc", ""},
        {"", "%s%s", "", "x"},
        {"", "(%s, %s)", "a b", "c"},
        {"", "100%% of %s%%", "it", ""},
        {"", "%%s stays %s", "one", ""},
        {"lead ", "%s := %s;", "x", "y"},
        {"", "%s tail", big.c_str(), ""},
        {"", "%s%s", near.c_str(), "0123456789abc"},
        {"", "%s", near.c_str(), ""},
    };
    for (const row &r : rows) {
        char expect[YYVALSIZE * 3];
        snprintf(expect, sizeof expect, r.fmt, r.a, r.b); // NOLINT: formats of the table
        std::string want = std::string(r.start) + expect;
        if (want.size() > 9999)
            want.resize(9999);
        memset(buf, 'z', sizeof buf);
        val_set(buf, r.start);
        size_t n =
            r.start[0] != '\0' ? val_catf(buf, r.fmt, r.a, r.b) : val_printf(buf, r.fmt, r.a, r.b);
        EXPECT_EQ(n, want.size()) << r.fmt;
        EXPECT_EQ(std::string(buf), want) << r.fmt;
        EXPECT_EQ(buf[YYVALSIZE], 'z') << r.fmt;
    }
    // The destination as an argument, twice.
    val_set(buf, "ab");
    EXPECT_EQ(val_printf(buf, "%s-%s", buf, buf), 5u);
    EXPECT_STREQ(buf, "ab-ab");
}

// set_yylval moves short words inline by length class: every length up to past the inline
// ones, from a text elsewhere and from yylval itself (moved forwards and backwards).
TEST(ParserValues, SetYylvalTakesEveryLength) {
    const std::string source = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ";
    for (size_t len = 0; len <= 40; len++) {
        set_yylval(source.data() + 3, len);
        EXPECT_EQ(std::string(yylval), source.substr(3, len)) << len;
        for (const size_t from : {size_t{0}, size_t{1}, size_t{5}}) {
            memcpy(yylval, source.data(), source.size() + 1);
            set_yylval(yylval + from, len);
            EXPECT_EQ(std::string(yylval), source.substr(from, len)) << len << " from " << from;
        }
        memcpy(yylval + 5, source.data(), source.size() + 1);
        set_yylval(yylval + 5, len); // moved backwards over its own start
        EXPECT_EQ(std::string(yylval), source.substr(0, len)) << len;
    }
}

// val_concat (and val_text) writes what val_printf writes for the same texts as "%s" pieces: inline
// when the texts fit and lie elsewhere, cut at 9,999 characters (val_cut set) or through a copy
// when a text lies in the destination.
TEST(ParserValues, ConcatAgreesWithPrintf) {
    static char buf[YYVALSIZE + 16], want[YYVALSIZE + 16];
    const std::string big(12000, 'q'), near(9990, 'n'), whole(9999, 'w');
    const struct {
        const char *a, *b, *c;
        bool dst_first; // the first text is the destination's own
    } rows[] = {
        {"", "", "", false},
        {"a", " = ", "b", false},
        {"x", "", "yz", false},
        {near.c_str(), " AND ", "0123456789", false},
        {whole.c_str(), "", "", false},
        {whole.c_str(), "", "!", false},
        {big.c_str(), " || ", "c", false},
        {"", " IS NULL", "", true},
        {"", ", ", "tail", true},
    };
    for (const auto &r : rows) {
        memset(buf, 'z', sizeof buf);
        memset(want, 'z', sizeof want);
        val_set(buf, r.dst_first ? "start" : "");
        val_set(want, r.dst_first ? "start" : "");
        const char *first = r.dst_first ? buf : r.a;
        const char *want_first = r.dst_first ? want : r.a;
        val_cut = false;
        const size_t expect = val_printf(want, "%s%s%s", want_first, r.b, r.c);
        const bool expect_cut = val_cut;
        val_cut = false;
        EXPECT_EQ(val_concat(buf, first, std::string_view(r.b), std::string(r.c)), expect) << r.b;
        EXPECT_EQ(val_cut, expect_cut) << r.b;
        EXPECT_EQ(std::string(buf), std::string(want)) << r.b;
        EXPECT_EQ(buf[YYVALSIZE], 'z') << r.b;
        if (!r.dst_first) { // the out-of-line form of grammar actions
            memset(buf, 'z', sizeof buf);
            EXPECT_EQ(val_text(buf, r.a, r.b, r.c), expect) << r.b;
            EXPECT_EQ(std::string(buf), std::string(want)) << r.b;
            EXPECT_EQ(buf[YYVALSIZE], 'z') << r.b;
        }
    }
    val_cut = false;
}
