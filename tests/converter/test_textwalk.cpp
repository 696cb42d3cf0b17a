// The SQL text walker: commas split a list only outside string literals (with doubled quotes)
// and parentheses; an unbalanced ')' does not hide the commas after it unless the walk's rules
// say so. Searches and replacements see nothing inside literals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textwalk.h"

TEST(TextWalk, TopLevelItems) {
    const struct {
        const char *text;
        std::vector<std::string> items;
    } cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a, b,c", {"a", " b", "c"}},
        {"SUBSTRING(s, 1, 2), 'x'", {"SUBSTRING(s, 1, 2)", " 'x'"}},
        {"'a,b', f(g(1, 2), 3)", {"'a,b'", " f(g(1, 2), 3)"}},
        {"'it''s, here', x", {"'it''s, here'", " x"}},
        {"'(', a, ')'", {"'('", " a", " ')'"}},
        {"a), b", {"a)", " b"}},
        {",", {"", ""}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(top_level_items(c.text), c.items);
    }
}

// The search, replacement and blanking outside literals, the end of a literal, and the walk's
// rules: double-quoted names as literals, and a ')' without its '(' that takes the depth below 0. A
// result is written as text: a position or "npos", the text made, or the pieces joined by '|'.
TEST(TextWalk, Operations) {
    enum operation { FIND, FIND_TOP, REPLACE, BLANK, ITEMS, LITERAL_END };
    const walk_rules plain, names{true, false}, below{false, true};
    const struct {
        operation op;
        const char *text;
        const char *needle;
        const char *replacement;
        size_t from;
        walk_rules rules;
        const char *result;
    } cases[] = {
        {FIND, "a + 'b + c' + d", "+", "", 0, plain, "2"},
        {FIND, "'a + b' + c", "+", "", 0, plain, "8"},
        {FIND, "'it''s + x' + y", "+", "", 0, plain, "12"},
        {FIND, "a+b+c", "+", "", 1, plain, "1"},
        {FIND, "a+b+c", "+", "", 2, plain, "3"},
        {FIND, "'|| ||' || ||", "|| ||", "", 0, plain, "8"},
        {FIND, "'x'", "x", "", 0, plain, "npos"},
        {FIND, "abc", "", "", 0, plain, "npos"},
        {FIND, "\"a,b\", c", ",", "", 0, plain, "2"},
        {FIND, "\"a,b\", c", ",", "", 0, names, "5"},
        {FIND, "\"it's\", 'x,y', z", ",", "", 0, plain, "10"},
        {FIND, "\"it's\", 'x,y', z", ",", "", 0, names, "6"},
        {FIND, "f(a, b)", ",", "", 0, plain, "3"},
        {FIND_TOP, "f(a = 1) = 2", "=", "", 0, plain, "9"},
        {FIND_TOP, "'(' = x", "=", "", 0, plain, "4"},
        {FIND_TOP, "a) = b", "=", "", 0, plain, "3"},
        {FIND_TOP, "a) = b", "=", "", 0, below, "npos"},
        {FIND_TOP, "x, (y, z)", ",", "", 2, plain, "npos"},
        {REPLACE, "a + 'b+c' + d", "+", "||", 0, plain, "a || 'b+c' || d"},
        {REPLACE, "@a = '@b' + @c", "@", "", 0, plain, "a = '@b' + c"},
        {REPLACE, "'it''s @x' @y", "@", "", 0, plain, "'it''s @x' y"},
        {REPLACE, "a\"@b\"@c", "@", "", 0, plain, "a\"b\"c"},
        {REPLACE, "a\"@b\"@c", "@", "", 0, names, "a\"@b\"c"},
        {REPLACE, "||a||", "||", "|", 0, plain, "|a|"},
        {REPLACE, "abc", "", "x", 0, plain, "abc"},
        {BLANK, "a 'b c' d", "", "", 0, plain, "a       d"},
        {BLANK, "'it''s'+x", "", "", 0, plain, "       +x"},
        {BLANK, "\"a'b\" 'c'", "", "", 0, names, "         "},
        {BLANK, "\"a'b\" 'c'", "", "", 0, plain, "\"a     c "},
        {ITEMS, "\"a,b\", c", "", "", 0, plain, "\"a|b\"| c"},
        {ITEMS, "\"a,b\", c", "", "", 0, names, "\"a,b\"| c"},
        {ITEMS, "a), b", "", "", 0, below, "a), b"},
        {ITEMS, "a), (b, c), d", "", "", 0, below, "a), (b| c), d"},
        {LITERAL_END, "'abc', x", "", "", 0, plain, "4"},
        {LITERAL_END, "'it''s', x", "", "", 0, plain, "6"},
        {LITERAL_END, "'x'''", "", "", 0, plain, "4"},
        {LITERAL_END, "'''' + a", "", "", 0, plain, "3"},
        {LITERAL_END, "'open''", "", "", 0, plain, "npos"},
        {LITERAL_END, "a 'b'", "", "", 0, plain, "npos"},
        {LITERAL_END, "a 'b'", "", "", 2, plain, "4"},
        {LITERAL_END, "\"a'b\" x", "", "", 0, plain, "npos"},
        {LITERAL_END, "\"a'b\" x", "", "", 0, names, "4"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        std::string got;
        if (c.op == FIND || c.op == FIND_TOP) {
            const size_t at = c.op == FIND
                                  ? find_outside_literals(c.text, c.needle, c.from, c.rules)
                                  : find_top_level(c.text, c.needle, c.from, c.rules);
            got = at == std::string::npos ? "npos" : std::to_string(at);
        } else if (c.op == REPLACE) {
            got = replace_outside_literals(c.text, c.needle, c.replacement, c.rules);
        } else if (c.op == LITERAL_END) {
            const size_t at = literal_end(c.text, c.from, c.rules);
            got = at == std::string::npos ? "npos" : std::to_string(at);
        } else if (c.op == BLANK) {
            got = blank_literals(c.text, c.rules);
        } else {
            const std::vector<std::string> items = top_level_items(c.text, c.rules);
            for (size_t i = 0; i < items.size(); i++)
                got += (i > 0 ? "|" : "") + items[i];
        }
        EXPECT_EQ(got, c.result);
    }
}
