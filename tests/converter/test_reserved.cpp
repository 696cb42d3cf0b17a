// Reserved words of the target: every word of the table, used as a variable name in any letter
// case, is renamed with the suffix in its declaration and its uses, with a diagnostic naming the
// rename; other names stay.
#include "reserved.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using namespace kestra_test;

namespace {

std::string lower(std::string s) {
    for (char &c : s)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

TEST(ReservedWords, EveryWordOfTheTableIsRenamedWhereverTheOutputNamesIt) {
    std::string source = "create procedure u\nas\n";
    for (int i = 0; i < target_reserved_count; i++)
        source += "declare @" + lower(target_reserved_words[i]) + " int\n";
    for (int i = 0; i < target_reserved_count; i++)
        source += "select @" + lower(target_reserved_words[i]) + " = 1\n";
    source += "go\n";
    temp_dir dir;
    dir.write("u.sql", source);
    run_result r = run_in_process(dir, {"u.sql"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string out = dir.read("u.sql.pls"), log = dir.read("KESTRA.log");
    for (int i = 0; i < target_reserved_count; i++) {
        const std::string w = lower(target_reserved_words[i]), renamed = w + RESERVED_SUFFIX;
        SCOPED_TRACE(w);
        EXPECT_EQ(reserved_rename(w), renamed);
        EXPECT_NE(out.find("\n" + renamed + " \tINTEGER;"), std::string::npos);
        EXPECT_NE(out.find("\tu." + renamed + " :=  1;"), std::string::npos);
        EXPECT_EQ(out.find("\tu." + w + " :="), std::string::npos);
        EXPECT_NE(log.find("Variable " + w + " renamed " + renamed + " (a reserved word)\n"),
                  std::string::npos);
    }
    for (const char *name : {"uid1", "numbers", "x", "exceptions", "Tarn_error", "", "_date",
                             "varchar3", "successfully", "viewz", "1row",
                             "\xc4"
                             "ate"})
        EXPECT_EQ(reserved_rename(name), name);
    for (const char *name : {"SeLeCt", "vArChAr2", "Successful", "at"})
        EXPECT_TRUE(target_reserved(name)) << name;
    EXPECT_TRUE(target_reserved(std::string("date\0x", 6))); // as far as the NUL
}
