// Source input tests: files that are not sources (directory, device, missing file) refused
// before anything is written, and the source reader on texts longer than one read block:
// UTF-16 decoding and CR LF line ends across block boundaries and the line of a NUL byte far
// into the file.
// Whole runs on small sources of every encoding are golden cases (golden/bytes_*).
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "convstate.h"
#include "source.h"
#include "testutil.h"

using namespace kestra_test;

namespace {

const std::string banner_only = "Kestra for TSQL Release 4.0.0.0.6  - Beta on <date>\n";

// The reader's whole text of `bytes`, taken in pieces of `piece` bytes at most.
std::string read_all(const std::string &bytes, size_t piece) {
    FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "r");
    source_reset();
    std::string text;
    std::vector<char> buf(piece);
    size_t n;
    while ((n = source_read(in, buf.data(), piece)) > 0)
        text.append(buf.data(), n);
    fclose(in);
    return text;
}

std::string utf16(const std::u16string &s, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t c : s) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        out += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    return out;
}

} // namespace

// A directory, a device or a file that cannot be opened: status 1, one message naming the
// file (and the reason where the system gives one), no script and no log left behind.
TEST(NotASource, RefusedBeforeAnythingIsWritten) {
    const bool root = geteuid() == 0;
    const struct {
        const char *source;
        const char *err;
    } cases[] = {
        {"dir.sql", "kestra: cannot read dir.sql: Is a directory\n"},
        {"/dev/null", "kestra: cannot read /dev/null: Is a device, not a source file\n"},
        {"missing.sql", "Cannot open input file : missing.sql\n"
                        "kestra: missing.sql: No such file or directory\n"},
        {"locked.sql", root ? nullptr
                            : "Cannot open input file : locked.sql\n"
                              "kestra: locked.sql: Permission denied\n"},
    };
    for (const auto &c : cases) {
        if (c.err == nullptr)
            continue; // the superuser reads any file
        temp_dir run;
        mkdir(run.file("dir.sql").c_str(), 0700);
        run.write("locked.sql", "CREATE PROCEDURE p AS PRINT 1\n");
        chmod(run.file("locked.sql").c_str(), 0);
        run_result r = run_kestra(run, {c.source});
        EXPECT_EQ(r.status, 1) << c.source;
        EXPECT_EQ(r.err, c.err) << c.source;
        EXPECT_EQ(mask_banner_date(r.out), banner_only) << c.source;
        EXPECT_EQ(run.entries(), (std::vector<std::string>{"dir.sql", "locked.sql"})) << c.source;
    }
    EXPECT_FALSE(file_exists("/dev/null.pls"));
}

// A source that stops being readable during the conversion (a read error; a NUL byte past the
// first read blocks, after a unit has written the output script and a DDL script): status 1,
// the message, no script of the run left, the log ended with the failure line.
TEST(NotASource, UnreadableMidwayLeavesNoScript) {
    std::string nul_late = "CREATE PROCEDURE tmpflow\nAS\n"
                           "SELECT id, name INTO #t FROM emp WHERE dept = 1\nGO\n";
    for (int i = 0; i < 20000; i++)
        nul_late += "-- padding\n";
    nul_late += '\0';
    const struct {
        const char *name;
        std::string content; // empty: a link to a file whose reading fails
        const char *err;
    } cases[] = {
        {"mem.sql", "", "kestra: cannot read mem.sql: Input/output error\n"},
        {"late.sql", nul_late,
         "kestra: late.sql holds a NUL byte at line 20005; is it a UTF-16 file without "
         "byte-order mark?\n"},
    };
    for (const auto &c : cases) {
        temp_dir run;
        if (c.content.empty())
            ASSERT_EQ(symlink("/proc/self/mem", run.file(c.name).c_str()), 0);
        else
            run.write(c.name, c.content);
        run_result r = run_kestra(run, {c.name});
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        EXPECT_EQ(mask_banner_date(r.out), banner_only) << c.name;
        const std::string log = run.read("KESTRA.log");
        const std::string fail =
            "[KESTRA-MSG(FAIL)]:[" + std::string(c.name) + "()] Conversion Failed\n";
        EXPECT_TRUE(log.size() >= fail.size() &&
                    log.compare(log.size() - fail.size(), fail.size(), fail) == 0)
            << log;
        EXPECT_EQ(run.entries(), (std::vector<std::string>{"KESTRA.log", c.name})) << c.name;
    }
}

// UTF-16 of either byte order, several read blocks long, with surrogate pairs, lone
// surrogates and a final odd byte; the text is shifted so that a read block ends at every
// position of the pattern, the middle of a surrogate pair included.
TEST(SourceReader, Utf16AcrossReadBlocks) {
    const struct {
        std::u16string in;
        std::string out;
    } pattern[] = {
        {u"a\n", "a\n"},
        {u"\u00e9", "\xC3\xA9"},
        {u"\u20ac", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx"}, // a high half alone
        {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD"},         // a low half alone
    };
    for (int shift = 0; shift < 8; shift++) {
        std::u16string text(static_cast<size_t>(shift), u'b');
        std::string expect(static_cast<size_t>(shift), 'b');
        for (int i = 0; i < 1500; i++) {
            for (const auto &p : pattern) {
                text += p.in;
                expect += p.out;
            }
        }
        for (bool little : {true, false}) {
            for (size_t piece : {1, 4096, 65536}) {
                // (EXPECT_TRUE: a difference would print 40 KB of text.)
                EXPECT_TRUE(read_all(utf16(text, little), piece) == expect)
                    << shift << " " << little << " " << piece;
                EXPECT_TRUE(read_all(utf16(text, little) + "x", piece) == expect + "\xEF\xBF\xBD")
                    << shift << " " << little << " " << piece;
            }
        }
    }
    // Plain bytes (no mark, or a mark of one byte only) pass unchanged.
    const std::string plain = std::string(20000, 'q') + "\xFF\xFE";
    EXPECT_EQ(read_all(plain, 4096), plain);
    EXPECT_EQ(read_all("\xFF", 4096), "\xFF");
    EXPECT_EQ(read_all("", 4096), "");
}

// CR LF becomes LF however the read blocks and pieces cut it; a CR elsewhere (alone, before
// another CR, at the very end) stays.
TEST(SourceReader, CrLfFoldedAcrossReadBlocks) {
    const struct {
        const char *in, *out;
    } pattern[] = {
        {"a\r\n", "a\n"}, {"\r", "\r"}, {"\r\r\n", "\r\n"}, {"b\rc", "b\rc"}, {"\n\r", "\n\r"}};
    for (int shift = 0; shift < 5; shift++) {
        std::string text(static_cast<size_t>(shift), 'q'), expect = text;
        std::u16string wide(static_cast<size_t>(shift), u'q');
        for (int i = 0; i < 3000; i++) {
            for (const auto &p : pattern) {
                text += p.in;
                expect += p.out;
                for (const char *c = p.in; *c != '\0'; c++)
                    wide += static_cast<char16_t>(*c);
            }
        }
        for (size_t piece : {1, 4096, 65536}) {
            EXPECT_TRUE(read_all(text, piece) == expect) << shift << " " << piece;
            EXPECT_TRUE(read_all(text + "\r", piece) == expect + "\r") << shift << " " << piece;
            EXPECT_TRUE(read_all(utf16(wide, true), piece) == expect) << shift << " " << piece;
            EXPECT_TRUE(read_all(utf16(wide, false) + std::string("\0\r\0\n", 4), piece) ==
                        expect + "\n")
                << shift << " " << piece;
        }
    }
    EXPECT_EQ(read_all("\r", 4096), "\r");
    EXPECT_EQ(read_all("\r\n", 1), "\n");
}

// A NUL byte far into the source (past the first read blocks) names its own line.
TEST(SourceReader, NulByteNamesItsLine) {
    std::string bytes;
    for (int i = 1; i < 5000; i++)
        bytes += "PRINT " + std::to_string(i) + "\n";
    bytes += "x";
    bytes += '\0';
    text_copy(iFname, sizeof iFname, "big.sql");
    EXPECT_EXIT(read_all(bytes, 8192), testing::ExitedWithCode(1),
                "kestra: big.sql holds a NUL byte at line 5000; is it a UTF-16 file without "
                "byte-order mark\\?");
    std::u16string wide = u"a\nb\n";
    wide += char16_t(0);
    EXPECT_EXIT(read_all(utf16(wide, true), 8192), testing::ExitedWithCode(1),
                "holds a NUL byte at line 3;");
    iFname[0] = '\0';
}
