// Message placeholder tests: literals with and without placeholders and arguments, "%%", the
// format error, texts that are not literals, and the result buffer's limit.
#include <gtest/gtest.h>

#include <string>

#include "placeholder.h"

TEST(Placeholder, ConvertsLiteralsToConcatenations) {
    struct {
        const char *in, *out;
    } cases[] = {
        {"'plain text'", "'plain text'"},
        {"'Value %1! is bad'", "'Value '|| ||'! is bad'"},
        {"'Value %1! is bad', v", "'Value '|| v ||'! is bad'"},
        {"'%1 and %2', a,b", "|| a ||' and '||b"},
        {"'x %12!'", "'x '|| ||'!'"},
        {"'100%%'", "'100%'"},
        {"'a, b'", "'a, b'"}, // a comma inside the quotes does not start the arguments
        {"''", "''"},
        {"@msg", "@msg"},
        {"proc.msg", "proc.msg"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(std::string(ProcessPlaceholder(c.in)), c.out) << c.in;
}

TEST(Placeholder, BadFormatReturnsTheInput) {
    testing::internal::CaptureStderr();
    std::string out = ProcessPlaceholder("'50%x off'");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "'50%x off'");
    EXPECT_EQ(err, "Error In Print Format\nReturning Whole String Back\n");
}

TEST(Placeholder, LongMessagesKeepTheirClosingQuote) {
    // Longer than the 1000-byte buffer of old: the result grows instead of losing its end.
    std::string lit = "'" + std::string(3000, 'a') + " %1!'";
    std::string out = ProcessPlaceholder(lit.c_str());
    EXPECT_EQ(out, "'" + std::string(3000, 'a') + " '|| ||'!'");
    // The capacity of a value is the limit.
    std::string huge = "'" + std::string(20000, 'b') + "'";
    EXPECT_EQ(std::string(ProcessPlaceholder(huge.c_str())).size(), 9999u);
}
