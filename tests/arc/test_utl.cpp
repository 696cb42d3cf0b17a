// Tests of the path, text and identity utilities: file names, the paths from
// qm32.ini and the version texts within the caller's buffer size, byte
// comparison, the file test, the argument splitting of started programs, and
// the identity set from outside the logon window.
#include "qmtest.h"

#include "qm32version.h"

#include <cstring>

using qmtest::Env;

namespace {

#ifdef _WIN32
const char kSep[] = "\\";
#else
const char kSep[] = "/";
#endif

// A buffer with guard bytes: what a call writes beyond `size` shows up.
struct Guarded {
    char bytes[80];
    Guarded() { std::memset(bytes, '#', sizeof bytes); }
    char *buf() { return bytes + 8; }
    bool untouched() const {
        for (char c : bytes)
            if (c != '#')
                return false;
        return true;
    }
    bool guardsKept(int size) const {
        for (int i = 0; i < 8; ++i)
            if (bytes[i] != '#')
                return false;
        for (std::size_t i = 8 + static_cast<std::size_t>(size > 0 ? size : 0); i < sizeof bytes;
             ++i)
            if (bytes[i] != '#')
                return false;
        return true;
    }
};

Env::Options withFinancePath(const std::string &path) {
    Env::Options o;
    o.iniExtra = "FinancePath=" + path + "\n";
    return o;
}

} // namespace

TEST(Utl, CaseHelpersChangeAndCompareOnlyLetters) {
    struct Case {
        const char *a, *b;
        bool equal;
    } cases[] = {
        {"ZENA", "zena", true},          {"Program.EXE", "program.exe", true},
        {"zena", "zen", false},          {"", "", true},
        {"a[b]", "A{B}", false},         {"\xC4x", "\xC4X", true},
        {"qm32.dll", "QM32.DLX", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(_qm32EqualNoCase(c.a, c.b), c.equal);
        EXPECT_EQ(_qm32EqualNoCase(c.b, c.a), c.equal);
    }
    EXPECT_EQ(_qm32Upper("k88s9 [x]-1"), "K88S9 [X]-1");
    EXPECT_EQ(_qm32Lower("K88S9 [X]-1"), "k88s9 [x]-1");
}

TEST(Utl, StripFileNameReturnsTheLastComponent) {
    struct Case {
        const char *path;
        std::size_t offset; // where the returned pointer points
    } cases[] = {
        {"C:\\finance\\zena\\bin\\ZENA.EXE", 20},
        {"ZENA.EXE", 0},
        {"C:\\finance\\", 11},
        {"", 0},
        {"\\", 1},
#ifdef _WIN32
        {"C:/finance/zena.exe", 0}, // only the backslash separates on Windows
#else
        {"/opt/finance/zena", 13},
        {"dir\\sub/name", 8},
#endif
    };
    for (const Case &c : cases)
        EXPECT_EQ(UTL_StripFileName(c.path), c.path + c.offset) << c.path;
    EXPECT_EQ(UTL_StripFileName(nullptr), nullptr);
}

TEST(Utl, FinanceAndLocalPathsStayWithinTheBuffer) {
    const std::string root = std::string(kSep) + "fin" + kSep;
    Env env(withFinancePath(root));
    ASSERT_EQ(env.startResult, 0);
    const std::string local = root + "zena" + kSep;
    struct Case {
        const char *what;
        int size;
        std::string expect; // "-": nothing written
    } cases[] = {
        {"finance", 64, root},
        {"finance", static_cast<int>(root.size()), root.substr(0, root.size() - 1)},
        {"finance", 1, ""},
        {"finance", 0, "-"},
        {"finance", -5, "-"},
        {"ZENA", 64, local},
        {"zena", 64, local},
        {"Zena", 4, local.substr(0, 3)},
        {"zena", 0, "-"},
        {"zena", -1, "-"},
        {"zen", 64, "-"},
        {"zenax", 64, "-"},
        {"", 64, "-"},
    };
    for (const Case &c : cases) {
        Guarded g;
        std::string what = c.what;
        int n = what == "finance" ? UTL_GetFinancePath(g.buf(), c.size)
                                  : UTL_GetLocalPath(c.what, g.buf(), c.size);
        if (c.expect == "-") {
            EXPECT_EQ(n, 0) << what << " " << c.size;
            EXPECT_TRUE(g.untouched()) << what << " " << c.size;
            continue;
        }
        EXPECT_EQ(n, static_cast<int>(c.expect.size())) << what << " " << c.size;
        EXPECT_STREQ(g.buf(), c.expect.c_str()) << what << " " << c.size;
        EXPECT_TRUE(g.guardsKept(c.size)) << what << " " << c.size;
    }
    EXPECT_EQ(UTL_GetLocalPath(nullptr, nullptr, 10), 0);
    EXPECT_EQ(UTL_GetFinancePath(nullptr, 10), 0);
}

TEST(Utl, LocalPathAddsTheMissingSeparator) {
    const std::string root = std::string(kSep) + "fin";
    Env env(withFinancePath(root));
    ASSERT_EQ(env.startResult, 0);
    char buf[64];
    std::string expect = root + kSep + "zena" + kSep;
    EXPECT_EQ(UTL_GetLocalPath("zena", buf, sizeof buf), static_cast<int>(expect.size()));
    EXPECT_EQ(std::string(buf), expect);
    EXPECT_EQ(UTL_GetFinancePath(buf, sizeof buf), static_cast<int>(root.size()));
}

TEST(Utl, PathsWithoutFinancePathAreEmpty) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    Guarded g;
    EXPECT_EQ(UTL_GetLocalPath("ZENA", g.buf(), 64), 0);
    EXPECT_TRUE(g.untouched());
    EXPECT_EQ(UTL_GetFinancePath(g.buf(), 64), 0);
    EXPECT_STREQ(g.buf(), "");
}

TEST(Utl, ArchStringGivesVersionAndProductName) {
    struct Case {
        int kind;
        unsigned size;
        std::string expect; // "-": nothing written
    } cases[] = {
        {3, 64, QM32_VERSION_TEXT},
        {4, 64, "32-bit Architecture"},
        {4, 7, "32-bit"},
        {3, 1, ""},
        {1, 64, ""},
        {5, 64, ""},
        {4, 0, "-"},
    };
    for (const Case &c : cases) {
        Guarded g;
        int n = UTL_GetArchString(c.kind, g.buf(), c.size);
        if (c.expect == "-") {
            EXPECT_EQ(n, 0);
            EXPECT_TRUE(g.untouched());
            continue;
        }
        EXPECT_EQ(n, static_cast<int>(c.expect.size())) << c.kind << " " << c.size;
        EXPECT_STREQ(g.buf(), c.expect.c_str()) << c.kind << " " << c.size;
        // The whole buffer is cleared first, and nothing beyond it is touched.
        for (unsigned i = static_cast<unsigned>(c.expect.size()); i < c.size; ++i)
            EXPECT_EQ(g.buf()[i], '\0') << c.kind << " " << c.size << " at " << i;
        EXPECT_TRUE(g.guardsKept(static_cast<int>(c.size)));
    }
    EXPECT_EQ(UTL_GetArchString(3, nullptr, 10), 0);
}

TEST(Utl, MemcmpGivesTheFirstDifference) {
    struct Case {
        const char *a, *b;
        int count, expect;
    } cases[] = {
        {"abc", "xbc", 3, 0}, // a difference in the first byte also gives 0
        {"abc", "abd", 3, 2},   {"abc", "abc", 3, 0},   {"abcX", "abcY", 3, 0},
        {"abcX", "abcY", 4, 3}, {"a\0b", "a\0c", 3, 2}, {"a\x80", "a\x7f", 2, 1},
        {"abc", "xyz", 0, 0},   {"abc", "xyz", -3, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UTL_Memcmp(c.a, c.b, c.count), c.expect) << c.a << " " << c.b << " " << c.count;
    EXPECT_EQ(UTL_Memcmp(nullptr, "abc", 3), 0);
}

TEST(Utl, FileExistsOnlyForReadableFiles) {
    std::string dir = qmtest::makeTempDir("qm32utl");
    std::string file = qmtest::join(dir, "present.txt");
    qmtest::writeFile(file, "x");
    qmtest::writeFile(qmtest::join(dir, "empty.txt"), "");
    EXPECT_EQ(UTL_FileExists(file.c_str()), 1);
    EXPECT_EQ(UTL_FileExists(qmtest::join(dir, "empty.txt").c_str()), 1);
    EXPECT_EQ(UTL_FileExists(qmtest::join(dir, "missing.txt").c_str()), 0);
    EXPECT_EQ(UTL_FileExists(dir.c_str()), 0) << "a directory is not a file";
    EXPECT_EQ(UTL_FileExists(""), 0);
    EXPECT_EQ(UTL_FileExists(nullptr), 0);
#ifdef _WIN32
    // Held open by someone else without sharing: counts as missing.
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(UTL_FileExists(file.c_str()), 0);
    CloseHandle(h);
    EXPECT_EQ(UTL_FileExists(file.c_str()), 1);
#endif
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

// Arguments of a started program are split as a Windows program would split
// its command line: blanks separate, double quotes group, backslashes count
// only before a quote; nothing else is special.
TEST(Utl, ArgumentTextSplitsByWindowsRules) {
    typedef std::vector<std::string> Args;
    struct Case {
        const char *text;
        Args expect;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"one two\tthree", {"one", "two", "three"}},
        {"  lead  trail  ", {"lead", "trail"}},
        {"\"two words\" x", {"two words", "x"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\"", {""}},
        {"x \"\" y", {"x", "", "y"}},
        {"\\\"quoted\\\"", {"\"quoted\""}},
        {"back\\slash \\\\server\\share", {"back\\slash", "\\\\server\\share"}},
        {"\"C:\\dir\\\\\" next", {"C:\\dir\\", "next"}},
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"in \"\"doubled\"\" quotes\"", {"in \"doubled\" quotes"}},
        {"\"open ended", {"open ended"}},
        {"$HOME;ls|cat>x 'single' *.x `cmd` &",
         {"$HOME;ls|cat>x", "'single'", "*.x", "`cmd`", "&"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(plat_split_command_line(c.text), c.expect) << "[" << c.text << "]";
}

// A different user does not inherit the access table of the previous one;
// the same user (any case) keeps it.
TEST(Utl, SetIdClearsTheAccessTableOfAnotherUser) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    QM32_SHARED *shared = _qm32Shared();
    ASSERT_NE(shared, nullptr);
    auto fillTable = [&] {
        std::strcpy(shared->access[0].szFunction, "GL0100");
        shared->access[0].ulFlags = 13;
        shared->lAccessCount = 1;
    };
    const std::string longId(60, 'L');
    const std::string sameFifty = longId + "X"; // the same first 50 characters
    struct Step {
        const char *id;
        bool fill;      // give the current user a table first
        bool keepTable; // expected after the call
    } steps[] = {
        {"alice", true, false}, // nobody was logged on: the table goes
        {"alice", true, true},         {"ALICE", false, true},
        {"Alice", false, true},        {"bob", false, false},
        {"bob", true, true},           {"", false, false},
        {longId.c_str(), true, false}, {sameFifty.c_str(), true, true},
    };
    int i = 0;
    for (const Step &s : steps) {
        if (s.fill)
            fillTable();
        EXPECT_EQ(UTL_SetId(s.id, "pw"), 0);
        EXPECT_EQ(shared->lAccessCount, s.keepTable ? 1 : 0) << "step " << i;
        EXPECT_EQ(std::string(shared->access[0].szFunction), s.keepTable ? "GL0100" : "")
            << "step " << i;
        ++i;
    }
    char buf[64];
    EXPECT_EQ(UTL_GetId(buf, sizeof buf), 50);
}
