// Tests of the platform layer: private-profile reads and writes with the rules
// a Windows caller relies on (the same tests run against the system's own
// functions under wine), the Windows directory, locked appends, names.
#include "qmtest.h"

#include <cstring>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/utsname.h>
#endif

namespace {

const char *kIni = "; settings of the test\n"
                   "[General]\n"
                   "Name = Value with spaces   \n"
                   "quoted=\"  kept blanks  \"\n"
                   "single='x'\n"
                   "Empty=\n"
                   "Number=  42abc\n"
                   "Negative=-17\n"
                   "Text=abc\n"
                   "Dup=first\n"
                   "Dup=second\n"
                   "\n"
                   "[Other]\n"
                   "Key=other value\n"
                   "[general]\n"
                   "Dup=third\n";

struct IniFixture : ::testing::Test {
    void SetUp() override {
        dir = qmtest::makeTempDir("qm32ini");
        file = qmtest::join(dir, "test.ini");
        qmtest::writeFile(file, kIni);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string get(const char *section, const char *key, const char *def = "dflt") {
        return plat_profile_string(file, section, key, def);
    }
    std::string dir, file;
};

} // namespace

TEST_F(IniFixture, ReadsWithWindowsRules) {
    struct Case {
        const char *section, *key, *expect;
    } cases[] = {
        {"General", "Name", "Value with spaces"},
        {"GENERAL", "name", "Value with spaces"},
        {"general", "QUOTED", "  kept blanks  "},
        {"General", "single", "x"},
        {"General", "Empty", ""},
        {"General", "Dup", "first"},
        {"Other", "key", "other value"},
        {"General", "Missing", "dflt"},
        {"Missing", "Name", "dflt"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(get(c.section, c.key), c.expect) << c.section << "/" << c.key;
    EXPECT_EQ(get("General", "Missing", "with blanks   "), "with blanks");
    EXPECT_EQ(plat_profile_string(qmtest::join(dir, "none.ini"), "General", "Name", "d"), "d");
}

TEST_F(IniFixture, ReadsIntegers) {
    struct Case {
        const char *key;
        long expect;
    } cases[] = {
        {"Number", 42}, {"Negative", -17}, {"Text", 0}, {"Empty", 9}, {"Missing", 9},
    };
    for (const Case &c : cases)
        EXPECT_EQ(plat_profile_int(file, "General", c.key, 9), c.expect) << c.key;
    EXPECT_EQ(plat_profile_int(qmtest::join(dir, "none.ini"), "General", "Number", -4), -4);
}

TEST_F(IniFixture, WritesKeepTheRestOfTheFile) {
    ASSERT_TRUE(plat_profile_write(file, "general", "name", "New value"));
    ASSERT_TRUE(plat_profile_write(file, "General", "Added", "1"));
    ASSERT_TRUE(plat_profile_write(file, "Fresh", "LastLoginID", "JSMITH"));
    EXPECT_EQ(get("General", "Name"), "New value");
    EXPECT_EQ(get("General", "Added"), "1");
    EXPECT_EQ(get("fresh", "lastloginid"), "JSMITH");
    // Everything else reads as before.
    EXPECT_EQ(get("General", "quoted"), "  kept blanks  ");
    EXPECT_EQ(get("General", "Negative"), "-17");
    EXPECT_EQ(get("General", "Dup"), "first");
    EXPECT_EQ(get("Other", "Key"), "other value");
    std::string text = qmtest::readFile(file);
    EXPECT_NE(text.find("; settings of the test"), std::string::npos) << text;
    // The added key sits in its own section, not in another one.
    ASSERT_TRUE(plat_profile_write(file, "Other", "Key", nullptr));
    EXPECT_EQ(get("Other", "Key"), "dflt");
    EXPECT_EQ(get("General", "Added"), "1");
}

TEST_F(IniFixture, DeletesKeysAndSections) {
    ASSERT_TRUE(plat_profile_write(file, "General", "Text", nullptr));
    EXPECT_EQ(get("General", "Text"), "dflt");
    EXPECT_EQ(get("General", "Number"), "42abc");
    ASSERT_TRUE(plat_profile_write(file, "Other", nullptr, nullptr));
    EXPECT_EQ(get("Other", "Key"), "dflt");
    EXPECT_EQ(get("General", "Name"), "Value with spaces");
}

TEST_F(IniFixture, WriteCreatesAMissingFile) {
    std::string fresh = qmtest::join(dir, "new.ini");
    ASSERT_TRUE(plat_profile_write(fresh, "32-bit Architecture", "DebugLevel", "3"));
    EXPECT_EQ(plat_profile_int(fresh, "32-bit architecture", "debuglevel", 0), 3);
}

TEST(Platform, WindowsDirectoryFollowsWindir) {
    std::string old = qmtest::getEnv("WINDIR");
    std::string dir = qmtest::makeTempDir("qm32windir");
    qmtest::setEnv("WINDIR", (dir + "/").c_str());
    EXPECT_EQ(plat_windows_directory(), dir) << "no trailing separator";
    EXPECT_EQ(_qm32IniPath(), qmtest::join(dir, "qm32.ini"));
#ifndef _WIN32
    // Without WINDIR: ~/.qm32, created (private) on first use.
    std::string oldHome = qmtest::getEnv("HOME");
    qmtest::setEnv("WINDIR", nullptr);
    qmtest::setEnv("HOME", dir.c_str());
    EXPECT_EQ(plat_windows_directory(), dir + "/.qm32");
    struct stat st;
    ASSERT_EQ(stat((dir + "/.qm32").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    qmtest::setEnv("HOME", oldHome.empty() ? nullptr : oldHome.c_str());
#endif
    qmtest::setEnv("WINDIR", old.empty() ? nullptr : old.c_str());
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

TEST(Platform, AppendLockedCreatesAndAppends) {
    std::string dir = qmtest::makeTempDir("qm32append");
    std::string file = qmtest::join(dir, "log.txt");
    ASSERT_TRUE(plat_append_locked(file, "one\n"));
    ASSERT_TRUE(plat_append_locked(file, "two\nthree\n"));
    std::string raw;
    {
        std::ifstream in(file, std::ios::binary);
        raw.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
#ifdef _WIN32
    EXPECT_EQ(raw, "one\r\ntwo\r\nthree\r\n");
#else
    EXPECT_EQ(raw, "one\ntwo\nthree\n");
#endif
    EXPECT_FALSE(plat_append_locked(qmtest::join(dir, "missing/log.txt"), "x\n"));
    EXPECT_TRUE(plat_file_exists(file));
    EXPECT_FALSE(plat_file_exists(dir)) << "a folder is not a file";
    EXPECT_TRUE(plat_remove_file(file));
    EXPECT_FALSE(plat_file_exists(file));
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

TEST(Platform, NamesAndVersions) {
    EXPECT_FALSE(plat_computer_name().empty());
    EXPECT_FALSE(plat_user_name().empty());
    EXPECT_EQ(plat_registry_build_text(), "not found.");
    std::string v = plat_os_version_text("B1");
    const std::string tail = " - Brightmoor Build: B1";
    ASSERT_GT(v.size(), tail.size());
    EXPECT_EQ(v.substr(v.size() - tail.size()), tail);
#ifdef _WIN32
    EXPECT_EQ(v.compare(0, 11, "Windows NT "), 0) << v;
#else
    struct utsname u;
    ASSERT_EQ(uname(&u), 0);
    EXPECT_EQ(v, std::string(u.sysname) + " " + u.release + " " + u.machine + tail);
#endif
}

TEST(Platform, Paths) {
#ifdef _WIN32
    EXPECT_TRUE(plat_is_absolute_path("C:\\Windows"));
    EXPECT_TRUE(plat_is_absolute_path("\\\\server\\share"));
    EXPECT_EQ(plat_join_path("C:\\Windows", "qm32.ini"), "C:\\Windows\\qm32.ini");
#else
    EXPECT_TRUE(plat_is_absolute_path("/etc"));
    EXPECT_EQ(plat_join_path("/home/u/.qm32", "qm32.ini"), "/home/u/.qm32/qm32.ini");
#endif
    EXPECT_FALSE(plat_is_absolute_path("msg.ini"));
    EXPECT_FALSE(plat_is_absolute_path(""));
}

#ifndef _WIN32
// The POSIX writer changes only the line it writes; new keys go after the
// last line of their section, new sections at the end.
TEST_F(IniFixture, PosixWriteTouchesOnlyItsLine) {
    ASSERT_TRUE(plat_profile_write(file, "GENERAL", "number", "7"));
    ASSERT_TRUE(plat_profile_write(file, "General", "NewKey", "v"));
    ASSERT_TRUE(plat_profile_write(file, "Fresh", "K", "line\nbreak"));
    EXPECT_EQ(qmtest::readFile(file), "; settings of the test\n"
                                      "[General]\n"
                                      "Name = Value with spaces   \n"
                                      "quoted=\"  kept blanks  \"\n"
                                      "single='x'\n"
                                      "Empty=\n"
                                      "Number=7\n"
                                      "Negative=-17\n"
                                      "Text=abc\n"
                                      "Dup=first\n"
                                      "Dup=second\n"
                                      "NewKey=v\n"
                                      "\n"
                                      "[Other]\n"
                                      "Key=other value\n"
                                      "[general]\n"
                                      "Dup=third\n"
                                      "\n"
                                      "[Fresh]\n"
                                      "K=line\n");
}
#endif
