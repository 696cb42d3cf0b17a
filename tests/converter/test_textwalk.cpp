// The SQL text walker: commas split a list only outside string literals (with doubled quotes)
// and parentheses; an unbalanced ')' does not hide the commas after it.
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
