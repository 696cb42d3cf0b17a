// Words that the source-language extensions read as keywords (join words, TRY, CATCH, THROW,
// TOP) stay names where real code uses them as column, table or variable names.
#include "testutil.h"

#include <gtest/gtest.h>

using namespace kestra_test;

namespace {

struct word_case {
    const char *statements; // the body of one procedure
    const char *expected;   // a text of the converted unit
};

const word_case cases[] = {
    {"DECLARE @n int\nSELECT @n = inner FROM cross WHERE left = 1", "SELECT   inner"},
    {"DECLARE @n int\nSELECT @n = outer FROM full_join WHERE right = 2", "FROM full_join"},
    {"UPDATE cross SET outer = 1, inner = 2 WHERE join_id = 3", "SET outer = 1"},
    {"DECLARE @n int\nSELECT @n = join, @n = left FROM t", "SELECT   join,  left"},
    {"INSERT INTO outer (inner, cross) VALUES (1, 2)", "INSERT INTO outer (inner"},
    {"DECLARE @n int\nSELECT @n = catch FROM throw WHERE try = 1", "SELECT   catch"},
    {"DECLARE @throw int\nSELECT @throw = try FROM catch", "FROM catch"},
    {"UPDATE throw SET catch = 1, try = 2 WHERE throw = 3", "UPDATE throw\n\tSET catch = 1"},
    {"INSERT INTO try (catch, throw) VALUES (1, 2)", "INSERT INTO try (catch"},
    {"DECLARE @n int\nSELECT @n = a FROM t throw\nSELECT @n = 1", "FROM t throw"},
};

TEST(ExtensionWords, StayNamesWhereCodeUsesThemAsNames) {
    for (const word_case &c : cases) {
        temp_dir dir;
        dir.write("input.sql", std::string("CREATE PROCEDURE p\nAS\n") + c.statements + "\nGO\n");
        const run_result r = run_in_process(dir, {"input.sql"});
        EXPECT_NE(r.out.find("Successfully converted"), std::string::npos) << c.statements;
        const std::string pls = dir.read("input.sql.pls");
        EXPECT_NE(pls.find(c.expected), std::string::npos) << c.statements << "\n" << pls;
    }
}

} // namespace
