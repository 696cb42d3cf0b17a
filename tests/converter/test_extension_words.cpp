// Every word that the source-language extensions read as a keyword only where the grammar
// takes it (the national types, ESCAPE, the column constraints, the trigger words, the table
// hints, N of a national literal, the join words, TRY, CATCH, THROW, TOP, PERCENT) stays a name
// everywhere else: a unit that uses it as a column, table, alias, procedure and unit name converts
// exactly like the same unit with a neutral name. To cover a new word, add a row to `words`.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "testutil.h"

using namespace kestra_test;

namespace {

// Every place where real code uses such a word as a name; "{W}" stands for the word.
const char *const as_names = R"(CREATE PROCEDURE p_{W} @x int
AS
BEGIN
    CREATE TABLE t_{W} ({W} int NOT NULL, c2 char(1) NULL, c3 int DEFAULT 0)
    SELECT {W}, c2 FROM t_{W} WHERE {W} = @x AND c2 LIKE 'a%'
    SELECT {W}.c2 FROM t_{W} {W} WHERE {W}.{W} > 1
    SELECT c2 FROM t_{W} {W}
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

// The places of a word that is a keyword before a blank (JOIN): as a name directly before
// punctuation.
const char *const before_punctuation = R"(CREATE PROCEDURE p
AS
DECLARE @n int
SELECT @n = {W}, @n = c2 FROM {W}, t WHERE {W}=1
UPDATE t SET c2 = 1, {W}=2 WHERE c3 = {W}+1
INSERT INTO t ({W}, c2) VALUES (1, 2)
GO
)";

struct word_case {
    const char *word;
    const char *unit;          // one of the units above
    bool builtin_name = false; // also a built-in function's name: written in capitals
};

// clang-format off
const word_case words[] = {
    {"key", as_names}, {"Default", as_names}, {"check", as_names},
    {"ESCAPE", as_names}, {"references", as_names}, {"primary", as_names},
    {"foreign", as_names}, {"nvarchar", as_names}, {"nchar", as_names},
    {"ntext", as_names}, {"after", as_names}, {"instead", as_names},
    {"trigger", as_names}, {"nolock", as_names}, {"rowlock", as_names},
    {"readpast", as_names}, {"n", as_names}, {"constraint", as_names},
    {"inner", as_names}, {"outer", as_names}, {"left", as_names},
    {"right", as_names, true}, {"cross", as_names}, {"join", before_punctuation},
    {"top", as_names}, {"Percent", as_names}, {"try", as_names},
    {"catch", as_names}, {"throw", as_names},
};
// clang-format on

std::string replace_all(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// `unit` with `name` for W converted: the output script and the log (in capitals for a
// built-in function's name).
std::string convert(const word_case &w, const std::string &name) {
    temp_dir dir;
    dir.write("u.sql", replace_all(w.unit, "{W}", name));
    run_result r = run_in_process(dir, {"u.sql"});
    EXPECT_NE(r.out.find("Successfully converted"), std::string::npos) << name << "\n" << r.err;
    std::string out =
        replace_all(dir.read("u.sql.pls") + "\n----\n" + dir.read("KESTRA.log"), name, w.word);
    for (char &c : out)
        c = w.builtin_name ? static_cast<char>(toupper(static_cast<unsigned char>(c))) : c;
    return out;
}

} // namespace

TEST(ExtensionWords, StayNamesOutsideTheirConstructs) {
    for (const word_case &w : words) {
        SCOPED_TRACE(w.word);
        EXPECT_EQ(convert(w, w.word), convert(w, "zq"));
    }
}
