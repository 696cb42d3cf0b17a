// The words that are keywords only where the grammar takes them (ESCAPE, DEFAULT, CHECK,
// REFERENCES, PRIMARY, FOREIGN, KEY, CONSTRAINT, the national types, AFTER, INSTEAD, TRIGGER, the
// table hints and N of a national literal) stay names everywhere else: a unit that uses one as a
// column, table, alias and unit name converts exactly like the same unit with a neutral name.
#include <gtest/gtest.h>

#include <string>

#include "testutil.h"

using namespace kestra_test;

namespace {

// Every place where real code uses such a word as a name; "{W}" stands for the word.
const char *const unit_template = R"(CREATE PROCEDURE p_{W} @x int
AS
BEGIN
    CREATE TABLE t_{W} ({W} int NOT NULL, c2 char(1) NULL, c3 int DEFAULT 0)
    SELECT {W}, c2 FROM t_{W} WHERE {W} = @x AND c2 LIKE 'a%'
    SELECT {W}.c2 FROM t_{W} {W} WHERE {W}.{W} > 1
    UPDATE t_{W} SET {W} = 1 WHERE {W} > 0
    INSERT INTO t_{W} ({W}, c2) VALUES (1, 'a')
    SELECT a.{W} FROM {W} a WHERE a.{W} = 2 ORDER BY {W}
    DELETE {W} WHERE {W} = 3
    EXEC {W} @x
END
GO
CREATE TRIGGER tr_{W} ON {W} FOR INSERT
AS
    UPDATE t_{W} SET {W} = 0 FROM inserted i WHERE t_{W}.c2 = i.c2
GO
)";

std::string replace_all(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The unit with `name` for W converted: the output script and the log.
std::string convert(const std::string &name) {
    temp_dir dir;
    dir.write("u.sql", replace_all(unit_template, "{W}", name));
    run_result r = run_in_process(dir, {"u.sql"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Successfully converted"), std::string::npos) << name << "\n" << r.err;
    return dir.read("u.sql.pls") + "\n----\n" + dir.read("KESTRA.log");
}

} // namespace

TEST(ContextKeywords, WordsStayNamesOutsideTheirConstructs) {
    const std::string reference = convert("zq");
    for (const char *word : {"key", "Default", "check", "ESCAPE", "references", "primary",
                             "foreign", "nvarchar", "nchar", "ntext", "after", "instead", "trigger",
                             "nolock", "rowlock", "readpast", "n", "constraint"}) {
        SCOPED_TRACE(word);
        EXPECT_EQ(convert(word), replace_all(reference, "zq", word));
    }
}
