// Message placeholder tests: literals with and without placeholders and arguments, "%%",
// doubled quotes, typed placeholders, an unrecognised "%", texts that are not literals, and the
// result's limit; arguments that hold an operation in parentheses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "placeholder.h"

TEST(Placeholder, ConvertsLiteralsToConcatenations) {
    struct {
        const char *in, *out;
        bool typed;
    } cases[] = {
        {"'plain text'", "'plain text'", false},
        {"'Value %1! is bad'", "'Value '|| ||' is bad'", false},
        {"'Value %1! is bad', v", "'Value '|| v ||' is bad'", false},
        {"'%1 and %2', a,b", "|| a ||' and '||b", false},
        {"'x %12!'", "'x '||", false},
        {"'100%%'", "'100%'", false},
        {"'%%1 %1!', a", "'%1 '|| a", false},
        {"'Value %1! is bad', v + 1", "'Value '|| (v + 1) ||' is bad'", false},
        {"'a, b'", "'a, b'", false}, // a comma inside the quotes does not start the arguments
        {"''", "''", false},
        // A doubled quote stays doubled, also next to a placeholder or the literal's end.
        {"'it''s %1! x'", "'it''s '|| ||' x'", false},
        {"'it''%1!'", "'it'''||", false},
        {"'''%1!'''", "''''|| ||''''", false},
        {"'x'''", "'x'''", false},
        {"@msg", "@msg", false},
        {"proc.msg", "proc.msg", false},
        // Typed placeholders take the arguments in order like the numbered ones.
        {"'Qty %d of %s', q, n", "'Qty '|| q ||' of '|| n", true},
        {"'%i rows, %u left'", "|| ||' rows, '|| ||' left'", true},
    };
    for (const auto &c : cases) {
        placeholder_report report;
        EXPECT_EQ(std::string(ProcessPlaceholder(c.in, &report)), c.out) << c.in;
        EXPECT_EQ(report.typed, c.typed) << c.in;
        EXPECT_TRUE(report.unknown.empty()) << c.in;
    }
}

TEST(Placeholder, ArgumentsWithAnOperatorGoInParentheses) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"p.a", "p.a"},
        {" p.a", " p.a"},
        {"-1", "-1"}, // a sign is not an operation
        {"NVL(p.b, 0) ", "NVL(p.b, 0) "},
        {"'a - b'", "'a - b'"},
        {"f(p.a + 1)", "f(p.a + 1)"},
        {"p.a + 1", "(p.a + 1)"},
        {" p.a - 1 ", " (p.a - 1) "},
        {"p.a * 2", "(p.a * 2)"},
        {"(p.a) / 2", "((p.a) / 2)"},
        {"-p.a+p.b", "(-p.a+p.b)"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(message_argument(c.in), c.out) << c.in;
}

TEST(Placeholder, UnrecognisedPercentStaysTextAndIsReported) {
    testing::internal::CaptureStderr();
    placeholder_report report;
    std::string out = ProcessPlaceholder("'50%x off, 10% more %1!', a", &report);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(out, "'50%x off, 10% more '|| a");
    EXPECT_EQ(report.unknown, (std::vector<std::string>{"%x", "% "}));
}

TEST(Placeholder, LongMessagesKeepTheirClosingQuote) {
    // Longer than the 1000-byte buffer of old: the result grows instead of losing its end.
    std::string lit = "'" + std::string(3000, 'a') + " %1!'";
    std::string out = ProcessPlaceholder(lit.c_str());
    EXPECT_EQ(out, "'" + std::string(3000, 'a') + " '||");
    // The capacity of a value is the limit.
    std::string huge = "'" + std::string(20000, 'b') + "'";
    EXPECT_EQ(std::string(ProcessPlaceholder(huge.c_str())).size(), 9999u);
}
