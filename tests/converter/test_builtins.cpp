// Built-in function helpers driven directly: the argument split (nested calls, quoted commas
// and parentheses, empty and oversized arguments), the exchange of the first two arguments,
// the date part of DATEADD/DATEDIFF/DATEPART, the CONVERT style formats, and calls through the
// function table.
#include <gtest/gtest.h>

#include <string>

#include "builtins.h"
#include "convstate.h"
#include "expressions.h"
#include "parser.h"

namespace {

// "a, b" with the top-level commas marked as process_fn_param marks them.
std::string marked(const char *text) {
    std::string s = text;
    process_fn_param(s.data());
    return s;
}

} // namespace

TEST(Builtins, ArgumentHelpersOnATableOfTexts) {
    reset_conversion_state();
    struct {
        const char *args;   // argument text as the call's rule joins it
        const char *marked; // after process_fn_param, ';' standing for the separator byte
        int last;           // split_parameters at the separator: index of the last piece
        const char *p0, *p1, *p2;
        const char *swapped; // swap_param
        const char *part;    // process_date_type
    } cases[] = {
        {"a, b", "a; b", 1, "a", "b", "", " b, a", "a"},
        {"ISNULL(a, 0), 1", "ISNULL(a, 0); 1", 1, "ISNULL(a, 0)", "1", "", " 1, ISNULL(a, 0)",
         "isnull(a"},
        {"'(', s", "'('; s", 1, "'('", "s", "", " s, '('", "("},
        {"')', s", "')'; s", 1, "')'", "s", "", " s, ')'", ")"},
        {"'a,b', s", "'a,b'; s", 1, "'a,b'", "s", "", " s, 'a,b'", "a"},
        {"f(g(x, y), z), 'q'", "f(g(x, y), z); 'q'", 1, "f(g(x, y), z)", "'q'", "",
         " 'q', f(g(x, y), z)", "f(g(x"},
        {"Year, 3, d", "Year; 3; d", 2, "Year", "3", "d", " 3; d, Year", "yy"},
        {"'month', 3, d", "'month'; 3; d", 2, "'month'", "3", "d", " 3; d, 'month'", "mm"},
        {"dayofyear, 1, d", "dayofyear; 1; d", 2, "dayofyear", "1", "d", " 1; d, dayofyear", "dy"},
        {"millisecond, 1, d", "millisecond; 1; d", 2, "millisecond", "1", "d", " 1; d, millisecond",
         "ms"},
        {"x", "x", 0, "x", "", "", "x", "x"}, // one argument: nothing to exchange or drop
        {"", "", 0, "", "", "", "", ""},
    };
    for (const auto &c : cases) {
        std::string m = marked(c.args);
        std::string shown = m;
        for (char &ch : shown)
            if (ch == ARG_SEP)
                ch = ';';
        EXPECT_EQ(shown, c.marked) << c.args;

        EXPECT_EQ(split_parameters(m.c_str(), ARG_SEP), c.last) << c.args;
        EXPECT_STREQ(params[0], c.p0) << c.args;
        EXPECT_STREQ(params[1], c.p1) << c.args;
        EXPECT_STREQ(params[2], c.p2) << c.args;

        char buf[256];
        snprintf(buf, sizeof buf, "%s", m.c_str());
        swap_param(buf, sizeof buf);
        std::string swapped = buf;
        for (char &ch : swapped)
            if (ch == ARG_SEP)
                ch = ';';
        EXPECT_EQ(swapped, c.swapped) << c.args;

        char part[64];
        process_date_type(m.c_str(), part, sizeof part);
        EXPECT_STREQ(part, c.part) << c.args;
    }
}

TEST(Builtins, SplitOnBlanksAndOversizedInput) {
    reset_conversion_state();
    EXPECT_EQ(split_parameters("  a \t b\nc", ' '), 2);
    EXPECT_STREQ(params[0], "a");
    EXPECT_STREQ(params[1], "b");
    EXPECT_STREQ(params[2], "c");

    // More arguments than params holds, or an argument longer than its row, stop the run
    // instead of being dropped or cut; a long date part is cut to the caller's buffer.
    std::string many;
    for (int i = 0; i < 300; i++)
        many += std::string(i ? "," : "") + "p" + std::to_string(i);
    EXPECT_EXIT(split_parameters(many.c_str(), ','), testing::ExitedWithCode(1),
                "the argument list of a function call \\(params\\) exceeds its capacity");
    const std::string fits(PARAM_LEN - 1, 'x'), big(PARAM_LEN, 'x');
    EXPECT_EQ(split_parameters((fits + ",y").c_str(), ','), 1);
    EXPECT_EQ(std::string(params[0]), fits);
    EXPECT_STREQ(params[1], "y");
    EXPECT_EXIT(split_parameters(big.c_str(), ','), testing::ExitedWithCode(1),
                "a function argument is longer than 1023 characters");
    char part[8];
    process_date_type(big.c_str(), part, sizeof part);
    EXPECT_STREQ(part, "xxxxxxx");
    process_date_type("", part, sizeof part);
    EXPECT_STREQ(part, "");
    char small[4] = "abc"; // no separator: unchanged, nothing written past the buffer
    swap_param(small, sizeof small);
    EXPECT_STREQ(small, "abc");

    EXPECT_EQ(strcmp_anycase("DateAdd", "DATEADD"), 0);
    EXPECT_EQ(strcmp_anycase("DATEADD", "DATEAD"), -1);
    EXPECT_EQ(remove_at_signs("@a + '@b' + x@y"), "a + '@b' + xy");
    // Doubled quotes leave and re-enter a literal; an open literal keeps its at signs.
    const struct {
        const char *in, *out;
    } at_signs[] = {{"", ""},
                    {"@", ""},
                    {"@@x@@", "x"},
                    {"'it''s @x' @y", "'it''s @x' y"},
                    {"'a'@b'@c'", "'a'b'@c'"},
                    {"@a '@b", "a '@b"},
                    {"'@'''@'''@", "'@''''''@"}};
    for (const auto &c : at_signs)
        EXPECT_EQ(remove_at_signs(c.in), c.out) << c.in;
}

// Every style of the source has its mask: the two-digit-year style n and its four-digit-year
// form 100 + n, hours of 24 as hh24, milliseconds left out; a style without one gives nullptr.
TEST(Builtins, ConvertStyleFormats) {
    struct {
        const char *style, *format;
    } cases[] = {
        {"0", "'mon dd yyyy hh:miAM'"},
        {"100", "'mon dd yyyy hh:miAM'"},
        {"1", "'mm/dd/yy'"},
        {"101", "'mm/dd/yyyy'"},
        {"2", "'yy.mm.dd'"},
        {"102", "'yyyy.mm.dd'"},
        {"3", "'dd/mm/yy'"},
        {"103", "'dd/mm/yyyy'"},
        {"4", "'dd.mm.yy'"},
        {"104", "'dd.mm.yyyy'"},
        {"5", "'dd-mm-yy'"},
        {"105", "'dd-mm-yyyy'"},
        {"6", "'dd mon yy'"},
        {"106", "'dd mon yyyy'"},
        {"7", "'mon dd, yy'"},
        {"107", "'mon dd, yyyy'"},
        {"8", "'hh24:mi:ss'"},
        {"108", "'hh24:mi:ss'"},
        {"9", "'mon dd yyyy hh:mi:ssAM'"},
        {"109", "'mon dd yyyy hh:mi:ssAM'"},
        {"10", "'mm-dd-yy'"},
        {"110", "'mm-dd-yyyy'"},
        {"11", "'yy/mm/dd'"},
        {"111", "'yyyy/mm/dd'"},
        {"12", "'yymmdd'"},
        {"112", "'yyyymmdd'"},
        {"13", "'dd mon yyyy hh24:mi:ss'"},
        {"113", "'dd mon yyyy hh24:mi:ss'"},
        {"14", "'hh24:mi:ss'"},
        {"114", "'hh24:mi:ss'"},
        {"20", "'yyyy-mm-dd hh24:mi:ss'"},
        {"120", "'yyyy-mm-dd hh24:mi:ss'"},
        {"21", "'yyyy-mm-dd hh24:mi:ss'"},
        {"121", "'yyyy-mm-dd hh24:mi:ss'"},
        {"22", "'mm/dd/yy hh:mi:ss AM'"},
        {"23", "'yyyy-mm-dd'"},
        {"126", "'yyyy-mm-dd\"T\"hh24:mi:ss'"},
        {"130", "'dd mon yyyy hh:mi:ssAM'"},
        {"131", "'dd/mm/yyyy hh:mi:ssAM'"},
        {"15", nullptr},
        {"19", nullptr},
        {"24", nullptr},
        {"99", nullptr},
        {"115", nullptr},
        {"122", nullptr},
        {"127", nullptr},
        {"132", nullptr},
        {"1000", nullptr},
        {"style", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(xpr_style_format(c.style), c.format) << c.style;
}

TEST(Builtins, ExistenceTestsOuterJoinsAndInSubquery) {
    reset_conversion_state();
    static char v[10000];
    struct {
        const char *test, *op, *value; // value nullptr: compared with NULL
        bool test_left;
        const char *out;
    } cases[] = {
        {"(S)", "<", "x", true, "x > (S)"}, // sides exchanged: the operator mirrored
        {"(S)", ">=", "x", true, "x <= (S)"},
        {"(S)", "!>", "x", true, "x !< (S)"},
        {"(S)", "=", "x", true, "x = (S)"},
        {"(S)", "<", "x", false, "x < (S)"}, // rule 75: the sides stay, so does the operator
        {"(S)", "=", nullptr, true, "(S) IS NULL"},
        {"(S)", "<>", nullptr, false, "(S) IS NOT NULL"},
        {"(S)", "<", nullptr, true, "NULL > (S)"},
        {"(S)", "<", nullptr, false, "NULL < (S)"},
    };
    for (const auto &c : cases) {
        if_exists = 0;
        xpr_exists_compare(v, c.test, c.op, c.value, c.test_left);
        EXPECT_STREQ(v, c.out) << c.op << (c.test_left ? " left" : " right");
        EXPECT_EQ(if_exists, 1);
    }
    xpr_outer_join(v, "a.x", "*=", "b.y");
    EXPECT_STREQ(v, "a.x = b.y (+)");
    xpr_outer_join(v, "a.x", "=*", "b.y");
    EXPECT_STREQ(v, "a.x (+) = b.y ");
    xpr_in_subquery(v, "'abc'", "(S)", false);
    EXPECT_STREQ(v, "'abc' IN (S)"); // a literal stays a literal
    xpr_in_subquery(v, "'it''s'", "(S)", true);
    EXPECT_STREQ(v, "'it''s' NOT IN (S)");
    // A column of the trigger's table, one of another table, blanks of the list kept.
    iftrigger = 1;
    snprintf(trig_tab, sizeof trig_tab, "orders");
    xpr_if_updating(v, "orders.qty,  items.n");
    EXPECT_STREQ(v, "(:NEW.qty != :OLD.qty OR  items.n != :OLD.n)");
}

// Calls through the function table: each kind of row (a rename, a form over the arguments or
// over the query standing in their place, a bare name without arguments, a support function)
// and the functions with code of their own. The target text has its separators back as commas.
TEST(Builtins, CallsThroughTheFunctionTable) {
    reset_conversion_state();
    const struct {
        const char *name, *args;
        const char *query; // the select list standing in the arguments' place, or nullptr
        const char *target, *out;
        bool string_result; // the call sets which_literal to STRING
    } cases[] = {
        {"SUM", "x", nullptr, "SUM", "(x)", false},
        {"LOG", "x", nullptr, "LN", "(x)", false},
        {"GETDATE", "", nullptr, "SYSDATE", "", false},
        {"SUSER_ID", "", nullptr, "UID", "", false},
        {"ISNULL", "a, f(b, c)", nullptr, "NVL", "(a, f(b, c))", false},
        {"SUBSTRING", "s, 1, 2", nullptr, "SUBSTR", "(s, 1, 2)", false},
        {"SUBSTRING", "s, 1, 2", "MAX(a)", "SUBSTR", "(MAX(a))", false},
        {"USER_NAME", "", nullptr, "USER_NAME", "", false},
        {"USER_NAME", "n", nullptr, "USER_NAME", "(n)", false},
        {"HOST_ID", "", nullptr, "USERENV", "('SESSIONID')", false},
        {"LOG10", "x", nullptr, "LOG", "(10, x)", false},
        {"COT", "x", nullptr, "COS", "(x)/SIN(x)", false},
        {"REPLICATE", "'ab', n", nullptr, "RPAD", "('ab', LENGTH('ab') * n, 'ab')", false},
        {"REPLICATE", "x, n", "MIN(a)", "RPAD", "(MIN(a), LENGTH(MIN(a)) * n, MIN(a))", false},
        {"RIGHT", "s, 3", nullptr, "SUBSTR", "(s, LENGTH(s) - 3 + 1, 3)", false},
        {"SPACE", "3", nullptr, "RPAD", "( ' ', 3)", false},
        {"STR", "n, 10", nullptr, "TO_CHAR", "(n)", true},
        {"DATENAME", "mm, @d", nullptr, "TO_CHAR", "( d, 'FMMonth')", true},
        {"STUFF", "s, 2, 3, 'xy'", nullptr, "SUBSTR", "(s, 1, 2 - 1) || 'xy' || SUBSTR(s, 2 + 3)",
         false},
        {"CHARINDEX", "'a,b', s", nullptr, "INSTR", "( s, 'a,b')", false},
        {"SP_RECOMPILE", "'orders'", nullptr, "DBMS_DDL.ALTER_COMPILE",
         "('PROCEDURE', NULL, UPPER('orders'))", false},
        {"DATEADD", "mm, n, d", nullptr, "ADD_MONTHS", "(d, n)", false},
        {"DATEDIFF", "dd, a, b", nullptr, "", "TRUNC(b - (a))", false},
        {"DATEPART", "mm, @d", nullptr, "TO_NUMBER", "(TO_CHAR( d, 'MM'))", true},
        {"CONVERT", "INT, s", nullptr, "TO_NUMBER", "( s)", false},
        {"CONVERT", "CHAR(5), x", nullptr, "RPAD", "(x, 5, ' ')", true},
        {"NEWID", "", nullptr, "NEWID", "()", false}, // not in the table: kept, with a note
    };
    static char name[YYVALSIZE], args[YYVALSIZE];
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + "(" + c.args + ")");
        val_set(name, c.name);
        val_set(args, c.args);
        query_in_fn = c.query != nullptr ? 1 : 0;
        snprintf(qstr1, sizeof qstr1, "%s", c.query != nullptr ? c.query : "");
        which_literal = 0;
        process_function(name, args);
        EXPECT_STREQ(name, c.target);
        EXPECT_STREQ(args, c.out);
        EXPECT_EQ(which_literal == STRING, c.string_result);
    }
    query_in_fn = 0;
    qstr1[0] = '\0';

    // A support function keeps its call and makes the unit get the function.
    ipatindex = 0;
    val_set(name, "PATINDEX");
    val_set(args, "'%a%', s");
    process_function(name, args);
    EXPECT_STREQ(name, "PATINDEX");
    EXPECT_STREQ(args, "('%a%', s)");
    EXPECT_EQ(ipatindex, 1);
    reset_conversion_state();
}
