// Unit tests of the reference host's pieces: EBCDIC tables, the fixed system
// layouts (request header, status record), request parsing, script reading and
// the answers of the built-in services.
#include "ebcdic.h"
#include "services.h"
#include "wire.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <vector>

using namespace qmhost;

namespace {

// Encoded start positions of the elements of a fixed system format, computed
// from the codec's widths (c 1, s count, n 6, l 11, d 18); the modifiers
// v and x and a precision after "." are skipped.
std::vector<std::size_t> elementPositions(const std::string &fmt) {
    std::vector<std::size_t> pos;
    std::size_t at = 0, i = 0;
    while (i < fmt.size()) {
        char t = fmt[i++];
        if (i < fmt.size() && (fmt[i] == 'v' || fmt[i] == 'x'))
            ++i;
        std::size_t count = 0;
        while (i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i])))
            count = count * 10 + static_cast<std::size_t>(fmt[i++] - '0');
        if (i < fmt.size() && fmt[i] == '.')
            for (++i; i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i]));)
                ++i;
        pos.push_back(at);
        at += t == 'c' ? 1 : t == 's' ? count : t == 'n' ? 6 : t == 'l' ? 11 : 18;
    }
    pos.push_back(at); // total length
    return pos;
}

const std::string kHeaderFmt = "clv6nv4nv4nv4s9s9nv4nv2s9s9s9cnv4lv5dv14.0c";
const std::string kStatusFmt = "cs32nv4nv4s48s4s8ccs30nx4s159s8s12lx9s159nx4nx4";

// A request body: prefix, format, header and fields, as a client sends it.
std::string requestBody(const std::string &fmt, const std::string &text) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "0000%03zu%05zu", fmt.size(), text.size());
    return prefix + fmt + text;
}

// Header text: type, position, rows, 0, start, user, user/password, service,
// option, then NUL fields; built by the field widths of the header format.
std::string headerText(char type, long service, const std::string &user, const std::string &second,
                       long rows = 0, long start = 0) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%c%+011ld%+06hd%+06hd%+06hd", type, 0L, short(rows), short(0),
                  short(start));
    std::string h = buf;
    h += encodeText(user, 9) + encodeText(second, 9);
    std::snprintf(buf, sizeof buf, "%+06hd%+06hd", short(service), short(1));
    h += buf;
    h +=
        std::string(27, '\x01') + "\x01" + "+00000" + "+0000000000" + "+00000000000000000" + "\x01";
    return h;
}

} // namespace

TEST(QmhostEbcdic, TablesMatchTheCodecTables) {
    struct {
        unsigned char ascii, ebcdic;
    } pairs[] = {{'A', 0xC1},  {'a', 0x81},  {'0', 0xF0},  {'9', 0xF9}, {' ', 0x40},
                 {'[', 0xAD},  {']', 0xBD},  {'|', 0x6A},  {'^', 0x5F}, {'~', 0xA1},
                 {0x01, 0x01}, {0x0A, 0x25}, {0x7F, 0x07}, {'{', 0xC0}, {'}', 0xD0}};
    for (const auto &p : pairs) {
        EXPECT_EQ(kAsciiToEbcdic[p.ascii], p.ebcdic) << int(p.ascii);
        EXPECT_EQ(kEbcdicToAscii[p.ebcdic], p.ascii) << int(p.ebcdic);
    }
    for (int c = 0x80; c < 0x100; ++c)
        EXPECT_EQ(kAsciiToEbcdic[c], 0xFF) << c;
    EXPECT_EQ(kEbcdicToAscii[0x00], 0x20);
    // The inverse holds on the 128 images; everything else becomes 0xFF.
    int images = 0;
    for (int e = 0; e < 256; ++e) {
        if (kEbcdicToAscii[e] == 0xFF)
            continue;
        ++images;
        if (e != 0) {
            EXPECT_EQ(kAsciiToEbcdic[kEbcdicToAscii[e]], e) << e;
        }
    }
    EXPECT_EQ(images, 128);
    std::string s = "K88S9 [x]";
    asciiToEbcdic(s);
    ebcdicToAscii(s);
    EXPECT_EQ(s, "K88S9 [x]");
}

TEST(QmhostWire, HeaderPositionsFollowTheHeaderFormat) {
    auto pos = elementPositions(kHeaderFmt);
    ASSERT_EQ(pos.back(), kHeaderLen);
    EXPECT_EQ(pos[0], hdr::kType);
    EXPECT_EQ(pos[1], hdr::kPosition);
    EXPECT_EQ(pos[2], hdr::kRows);
    EXPECT_EQ(pos[3], hdr::kAnswerRows);
    EXPECT_EQ(pos[4], hdr::kStart);
    EXPECT_EQ(pos[5], hdr::kUserId);
    EXPECT_EQ(pos[6], hdr::kPassword);
    EXPECT_EQ(pos[7], hdr::kService);
    EXPECT_EQ(pos[8], hdr::kOption);
    EXPECT_EQ(pos[11], hdr::kDatabase);
    EXPECT_EQ(headerText('S', 1, "U", "U").size(), kHeaderLen);
}

TEST(QmhostWire, StatusRecordCarriesEveryFieldAtItsPlace) {
    Status st;
    st.number = -1096;
    st.type = 'A';
    st.module = "QMS01302";
    st.procedure = "S9810-CALL-SERVICE";
    st.text = "Host text";
    st.data = " DSNT404I SQLCODE = 100, NOT FOUND";
    st.severity = 8;
    std::string rec = encodeStatus(st);
    auto pos = elementPositions(kStatusFmt);
    ASSERT_EQ(pos.back(), kStatusLen);
    ASSERT_EQ(rec.size(), kStatusLen);
    EXPECT_EQ(rec.substr(pos[6], 8), "QMS01302");
    EXPECT_EQ(rec[pos[8]], 'A');
    EXPECT_EQ(rec.substr(pos[9], 30), "S9810-CALL-SERVICE" + std::string(12, '\x01'));
    EXPECT_EQ(rec.substr(pos[10], 6), "-01096");
    EXPECT_EQ(rec.substr(pos[11], 9), "Host text");
    EXPECT_EQ(rec[pos[11] + 9], '\x01');
    EXPECT_EQ(rec.substr(pos[15], 34), st.data);
    EXPECT_EQ(rec.substr(pos[16], 6), "+00008");
    // Fields the library does not read are empty: NUL characters, zero numbers.
    EXPECT_EQ(rec[pos[0]], '\x01');
    EXPECT_EQ(rec[pos[7]], '\x01');
    EXPECT_EQ(rec.substr(pos[2], 6), "+00000");
    EXPECT_EQ(rec.substr(pos[14], 11), "+0000000000");
    EXPECT_EQ(rec.substr(pos[17], 6), "+00000");
    // A text longer than its field is cut to the field.
    st.module = "LONGMODULENAME";
    EXPECT_EQ(encodeStatus(st).substr(pos[6], 8), "LONGMODU");
}

TEST(QmhostWire, AnswerBodyHasPrefixFormatTextStatus) {
    Answer a;
    a.format = "k88s9";
    a.text = std::string(124, 'h') + "ABCDEFGHI";
    std::string body = buildAnswerBody("0300xxxxxxxx", a);
    ASSERT_EQ(body.size(), 12 + 5 + 133 + kStatusLen);
    EXPECT_EQ(body.substr(0, 12), "030000500133");
    EXPECT_EQ(body.substr(12, 5), "k88s9");
    EXPECT_EQ(body.substr(17, 133), a.text);
    EXPECT_EQ(buildAnswerBody("junk", Answer{}).substr(0, 12), "000000000000");
}

TEST(QmhostWire, ParseRequestReadsTheHeaderAndRejectsBadPrefixes) {
    std::string text = headerText('C', 429, "ALICE", "SECRET1", 7, 3) + encodeText("NEWPW", 9);
    Request r;
    std::string why;
    ASSERT_TRUE(parseRequest(requestBody("k88s9", text), r, why)) << why;
    EXPECT_EQ(r.type, 'C');
    EXPECT_EQ(r.service, 429);
    EXPECT_EQ(r.option, 1);
    EXPECT_EQ(r.rows, 7);
    EXPECT_EQ(r.start, 3);
    EXPECT_EQ(r.userId, "ALICE");
    EXPECT_EQ(r.password, "SECRET1");
    EXPECT_EQ(r.format, "k88s9");
    EXPECT_EQ(r.text, text);

    std::string good = requestBody("k88s9", text);
    struct {
        const char *name;
        std::string body;
    } bad[] = {
        {"too short", "0000005"},
        {"letters in prefix", "0000x05" + good.substr(7)},
        {"lengths larger than sent", good.substr(0, good.size() - 1)},
        {"lengths smaller than sent", good + "X"},
        {"text shorter than header", requestBody("", std::string(100, 'x'))},
    };
    for (const auto &b : bad) {
        why.clear();
        EXPECT_FALSE(parseRequest(b.body, r, why)) << b.name;
        EXPECT_FALSE(why.empty()) << b.name;
    }
}

TEST(QmhostScript, WordsAndErrors) {
    std::vector<std::string> w;
    std::string err;
    ASSERT_TRUE(splitWords("service 5 error data=\"ACF01017 PASSWORD EXPIRED\" # note", w, err));
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[3], "data=ACF01017 PASSWORD EXPIRED");
    EXPECT_FALSE(splitWords("service 5 error data=\"open", w, err));

    struct {
        const char *script;
        const char *expect; // start of the error text
    } cases[] = {
        {"service 1 echo\nservice 2 magic\n", "line 2: unknown kind"},
        {"service 70000 echo\n", "line 1: service number"},
        {"service 1 echo delay=-5\n", "line 1: bad value for delay"},
        {"service 1 echo fault=explode\n", "line 1: bad value for fault"},
        {"service 1 echo colour=red\n", "line 1: unknown key"},
        {"service 1 rows rows=1000 width=100\n", "line 1: rows times width"},
        {"service 1 error number=40000\n", "line 1: bad value for number"},
        {"service 1 error module=TOOLONGNAME\n", "line 1: bad value for module"},
        {"user X Y sleepy\n", "line 1: user state"},
        {"access X TOOLONGCODE 101\n", "line 1: access needs"},
        {"# c\n\nfrobnicate\n", "line 3: expected"},
    };
    for (const auto &c : cases) {
        Host h;
        std::istringstream in(c.script);
        err.clear();
        EXPECT_FALSE(h.loadScript(in, err)) << c.script;
        EXPECT_EQ(err.rfind(c.expect, 0), 0u) << c.script << " -> " << err;
    }
}

TEST(QmhostScript, ScriptReplacesAndResets) {
    Host h;
    h.loadDefaults();
    ASSERT_NE(h.find(1), nullptr);
    EXPECT_EQ(h.find(1)->kind, Kind::Echo);
    std::istringstream in("service 1 rows rows=2 width=4 delay=10 fault=short\n");
    std::string err;
    ASSERT_TRUE(h.loadScript(in, err)) << err;
    const Service *s = h.find(1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->kind, Kind::Rows);
    EXPECT_EQ(s->delayMs, 10);
    EXPECT_EQ(s->fault, Fault::Short);
    std::istringstream reset("reset\nservice 9 echo\n");
    ASSERT_TRUE(h.loadScript(reset, err)) << err;
    EXPECT_EQ(h.find(1), nullptr);
    EXPECT_EQ(h.serviceCount(), 1u);
}

namespace {

struct HostFixture : ::testing::Test {
    Host host;
    void SetUp() override { host.loadDefaults(); }
    Request request(char type, long service, const std::string &user, const std::string &second,
                    const std::string &fields = "", long rows = 0, long start = 0,
                    const std::string &fmt = "k88s9") {
        Request r;
        std::string why;
        EXPECT_TRUE(parseRequest(
            requestBody(fmt, headerText(type, service, user, second, rows, start) + fields), r,
            why))
            << why;
        return r;
    }
};

} // namespace

TEST_F(HostFixture, RowsHonourRowsAndStartOfTheRequest) {
    Answer a = host.answer(request('S', 2, "A", "A", "", 3, 4, ""), false);
    EXPECT_EQ(a.format, "k88r1.3s20");
    ASSERT_EQ(a.text.size(), kHeaderLen + 3 * 20);
    EXPECT_EQ(a.text.substr(hdr::kAnswerRows, 6), "+00003");
    EXPECT_EQ(a.text.substr(kHeaderLen, 20), "ROW00004            ");
    EXPECT_EQ(a.text.substr(kHeaderLen + 40, 8), "ROW00006");
    EXPECT_EQ(a.status.number, 0);
    // Mainframe answers carry the format in upper case.
    EXPECT_EQ(host.answer(request('S', 2, "A", "A", "", 0, 0, ""), true).format, "K88R1.5S20");
}

TEST_F(HostFixture, UnknownServiceAndErrorService) {
    Answer a = host.answer(request('S', 777, "A", "A"), false);
    EXPECT_EQ(a.status.number, 9001);
    EXPECT_NE(a.status.data.find("777"), std::string::npos);
    EXPECT_EQ(a.text.size(), kHeaderLen);
    Answer e = host.answer(request('S', 3, "A", "A"), false);
    EXPECT_EQ(e.status.number, 100);
    EXPECT_EQ(e.status.severity, 8);
    EXPECT_EQ(e.format, "");
}

TEST_F(HostFixture, SignonAndPasswordChange) {
    struct {
        const char *name;
        char type;
        const char *user, *second;
        bool mainframe;
        std::string newPassword;
        long number;
        const char *msgId;
    } cases[] = {
        {"good mainframe", 'S', "ALICE", "SECRET1", true, "", 0, ""},
        {"password case-blind", 'S', "ALICE", "secret1", true, "", 0, ""},
        {"unknown user", 'S', "NOBODY", "X", true, "", 4, "ACF01004"},
        {"wrong password", 'S', "ALICE", "WRONG", true, "", 12, "ACF01012"},
        {"ASCII sends the id twice", 'S', "ALICE", "ALICE", false, "", 0, ""},
        {"revoked", 'S', "CAROL", "PASSWORD", true, "", 13, "ACF01013"},
        {"expired", 'S', "BOB", "OLDPASS", true, "", 17, "ACF01017"},
        {"same new password", 'C', "BOB", "OLDPASS", true, "OLDPASS", 155, "ACFAE155"},
        {"test type refused", 'T', "ALICE", "SECRET1", true, "", 9003, "QMH9003E"},
        {"change expired", 'C', "BOB", "OLDPASS", true, "NEWPASS", 0, ""},
        {"new password works", 'S', "BOB", "NEWPASS", true, "", 0, ""},
        {"old password gone", 'S', "BOB", "OLDPASS", true, "", 12, "ACF01012"},
    };
    for (const auto &c : cases) {
        Answer a = host.answer(request(c.type, 429, c.user, c.second, encodeText(c.newPassword, 9)),
                               c.mainframe);
        EXPECT_EQ(a.status.number, c.number) << c.name;
        EXPECT_EQ(a.status.data.rfind(c.msgId, 0), 0u) << c.name << ": " << a.status.data;
        EXPECT_EQ(a.text.size(), kHeaderLen) << c.name;
    }
}

TEST_F(HostFixture, AccessRowsAndMissingAccess) {
    Answer a =
        host.answer(request('S', 3135, "ALICE", "ALICE", encodeText("ALICE", 9), 1000, 1), false);
    EXPECT_EQ(a.status.number, 0);
    EXPECT_EQ(a.format, "k88r1.3s9");
    EXPECT_EQ(a.text.substr(hdr::kAnswerRows, 6), "+00003");
    EXPECT_EQ(a.text.substr(kHeaderLen), "GL0100101AP0200111AR0300000");
    Answer paged =
        host.answer(request('S', 3135, "ALICE", "ALICE", encodeText("ALICE", 9), 1, 2), false);
    EXPECT_EQ(paged.text.substr(kHeaderLen), "AP0200111");
    Answer none =
        host.answer(request('S', 3135, "DAVE", "DAVE", encodeText("DAVE", 9), 1000, 1), false);
    EXPECT_EQ(none.status.number, 27);
    EXPECT_EQ(none.status.severity, 4);
}

TEST_F(HostFixture, ScriptStatusOverridesAndNoText) {
    std::istringstream in(
        "service 50 echo number=23 type=S module=M procedure=P text=T \"data=D D\" severity=4 "
        "notext\n");
    std::string err;
    ASSERT_TRUE(host.loadScript(in, err)) << err;
    Answer a = host.answer(request('S', 50, "A", "A", "123456789"), false);
    EXPECT_EQ(a.format, "");
    EXPECT_EQ(a.text, "");
    EXPECT_EQ(a.status.number, 23);
    EXPECT_EQ(a.status.type, 'S');
    EXPECT_EQ(a.status.data, "D D");
    EXPECT_EQ(a.status.severity, 4);
}
