// Record codec tests: format elements, encoding and decoding of every type
// row, layout and alignment, repeating groups, the system's two record
// formats, error numbers with their log entries, and bounds of the decoder.
#include "qmcnv32.h"
#include "qmsocket.h"
#include "qmtest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

template <typename T> Bytes bytesOf(const T &v) {
    Bytes b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
}

template <typename T> T valueOf(const Bytes &b, size_t offset = 0) {
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

class Codec : public ::testing::Test {
  protected:
    qmtest::Env env;

    // Encodes with an output sized by CNV_GetEncodeStringLen and checks that
    // nothing is written past the terminator.
    std::string encode(const void *record, const char *format, long expectRc = 0) {
        int len = CNV_GetEncodeStringLen(format);
        std::vector<char> out(static_cast<size_t>(len) + 1 + 32, '\x5a');
        long rc = CNV_EncodeStruct(record, format, out.data());
        EXPECT_EQ(rc, expectRc) << format;
        for (size_t i = static_cast<size_t>(len) + 1; i < out.size(); ++i) {
            EXPECT_EQ(out[i], '\x5a') << "written past the text of " << format;
        }
        if (rc != 0) {
            return std::string();
        }
        EXPECT_EQ(std::strlen(out.data()), static_cast<size_t>(len)) << format;
        return std::string(out.data());
    }

    qmtest::Entry lastEntry() {
        std::vector<qmtest::Entry> entries = qmtest::parseLog(env.log());
        EXPECT_FALSE(entries.empty());
        return entries.empty() ? qmtest::Entry() : entries.back();
    }

    // The last log entry is a codec error with this number, message and procedure.
    void expectLogged(long number, const std::string &message, const std::string &procedure) {
        qmtest::Entry e = lastEntry();
        EXPECT_EQ(e.severityClass, "Error");
        EXPECT_EQ(e.get("Error"), std::to_string(number));
        EXPECT_EQ(e.get("Severity"), "8");
        EXPECT_EQ(e.get("Error Type"), "E - Architecture");
        EXPECT_EQ(e.get("Application"), "32-bit Architecture");
        EXPECT_EQ(e.get("Error Data"), message);
        EXPECT_EQ(e.get("Module"), "qmcnv32");
        EXPECT_EQ(e.get("Procedure"), procedure);
        EXPECT_EQ(e.get("Source"), "CNV Log Error");
        EXPECT_EQ(ERR_GetLastError(), number);
    }
};

// ---- format elements ----------------------------------------------------------

TEST(CodecElement, ReadsTypeModifierCountAndPrecision) {
    struct Case {
        const char *format;
        char type, modifier;
        int count, precision, encodeLen, size, alignment;
        const char *rest;
    };
    const int a8 = static_cast<int>(alignof(double)); // natural alignment on this platform
    const Case cases[] = {
        {"c", 'c', 0, 0, 0, 1, 1, 1, ""},
        {"d.2", 'd', '.', 2, 0, 18, 8, a8, ""},
        {"d18.2", 'd', 0, 18, 2, 18, 8, a8, ""},
        {"dv14.0c", 'd', 'v', 14, 0, 18, 8, a8, "c"},
        {"nv4", 'n', 'v', 4, 0, 6, 2, 2, ""},
        {"u", 'u', 0, 0, 0, 5, 2, 2, ""},
        {"lx9", 'l', 'x', 9, 0, 11, 4, 4, ""},
        {"m", 'm', 0, 0, 0, 10, 4, 4, ""},
        {"f10/3", 'f', 0, 10, 3, 10, 4, 4, ""},
        {"h21.2", 'h', 0, 21, 2, 21, 8, 8, ""},
        {"s159", 's', 0, 159, 0, 159, 159, 1, ""},
        {"sz5s", 's', 'z', 5, 0, 5, 5, 1, "s"},
        {"k88s9", 'k', 0, 88, 0, 0, 88, 1, "s9"},
        {"r2.3cl", 'r', 0, 2, 3, 0, 0, 1, "cl"},
        {"r2/3cl", 'r', 0, 2, 3, 0, 0, 1, "cl"},
        {"r2", 'r', 0, 2, 0, 0, 0, 1, ""},
        // A precision needs a count: the '.' after a modifier starts nothing.
        {"cv.5", 'c', 'v', 0, 0, 1, 1, 1, ".5"},
        {"c/5", 'c', 0, 0, 0, 1, 1, 1, "/5"},
        // Invalid types are read with length 0, size 0, alignment 1.
        {"A12", 'A', 0, 12, 0, 0, 0, 1, ""},
        {" c", ' ', 0, 0, 0, 0, 0, 1, "c"},
        {"e", 'e', 0, 0, 0, 0, 0, 1, ""},
        // Oversized numbers saturate instead of overflowing.
        {"s99999999999999999999", 's', 0, 2147483647, 0, 2147483647, 2147483647, 1, ""},
    };
    for (const Case &c : cases) {
        const char *p = c.format;
        CNV_FORMAT_ELEMENT e;
        ASSERT_TRUE(_cnvGetFormatElement(&p, &e)) << c.format;
        EXPECT_EQ(e.cType, c.type) << c.format;
        EXPECT_EQ(e.cModifier, c.modifier) << c.format;
        EXPECT_EQ(e.iCount, c.count) << c.format;
        EXPECT_EQ(e.iPrecision, c.precision) << c.format;
        EXPECT_EQ(e.iEncodeLen, c.encodeLen) << c.format;
        EXPECT_EQ(e.iSize, c.size) << c.format;
        EXPECT_EQ(e.iAlignment, c.alignment) << c.format;
        EXPECT_STREQ(p, c.rest) << c.format;
    }
    const char *empty = "";
    CNV_FORMAT_ELEMENT e;
    EXPECT_FALSE(_cnvGetFormatElement(&empty, &e));
}

// ---- encoding -----------------------------------------------------------------

TEST_F(Codec, EncodesEveryTypeRow) {
    struct Case {
        const char *format;
        Bytes record;
        std::string expected;
    };
    const char nul5[5] = {'A', 'B', 0, 'C', 'D'};
    const char full3[3] = {'x', 'y', 'z'};
    const Case cases[] = {
        {"c", Bytes{0}, "\x01"},
        {"b", Bytes{0}, "\x01"},
        {"c", Bytes{'Q'}, "Q"},
        {"b", Bytes{0xE9}, "\xE9"},
        {"s5", bytesOf(nul5), "AB\x01\x01\x01"},
        {"s3", bytesOf(full3), "xyz"},
        {"s0", Bytes{}, ""},
        {"n", bytesOf<int16_t>(-5), "-00005"},
        {"n", bytesOf<int16_t>(0), "+00000"},
        {"o", bytesOf<int16_t>(32767), "+32767"},
        {"t", bytesOf<int16_t>(-32768), "-32768"},
        {"}", bytesOf<int16_t>(12), "+00012"},
        {"u", bytesOf<uint16_t>(7), "00007"},
        {"u", bytesOf<uint16_t>(65535), "65535"},
        {"l", bytesOf<int32_t>(42), "+0000000042"},
        {"$", bytesOf<int32_t>(-2147483647 - 1), "-2147483648"},
        {"&", bytesOf<int32_t>(2147483647), "+2147483647"},
        {"q", bytesOf<int32_t>(-1), "-0000000001"},
        {"~", bytesOf<int32_t>(0), "+0000000000"},
        {"m", bytesOf<uint32_t>(42), "0000000042"},
        {"m", bytesOf<uint32_t>(4294967295u), "4294967295"},
        {"f", bytesOf<float>(3.0f), "+000000003"},
        {"f10.2", bytesOf<float>(-1.5f), "-000001.50"},
        {"(", bytesOf<float>(0.25f), "+000000000"},
        {")5.2", bytesOf<float>(0.125f), "+000000.12"}, // round half to even on the exact value
        {"{1.3", bytesOf<float>(99999.5f), "+99999.500"},
        {"dv14.2", bytesOf<double>(3.14159), "+00000000000003.14"},
        {"#", bytesOf<double>(-2.5), "-00000000000000002"},
        {"%18.4", bytesOf<double>(-0.00001), "-000000000000.0000"},
        {"@1.1", bytesOf<double>(1e14), "+100000000000000.0"},
        {"y", bytesOf<double>(INFINITY), "              +inf"},
        {"h21.2", bytesOf<int64_t>(123456), "+00000000000000012.34"},
        {"j21.2", bytesOf<int64_t>(-5000), "-00000000000000000.50"},
        {"p", bytesOf<int64_t>(123456), "+00000000000000000012"},
        {"h1.4", bytesOf<int64_t>(-1), "-000000000000000.0001"},
        {"h1.6", bytesOf<int64_t>(123456), "+0000000000012.345600"},
        {"h1.1", bytesOf<int64_t>(-99999), "-000000000000000009.9"},
        {"h1.4", bytesOf<int64_t>(INT64_MAX), "+922337203685477.5807"},
        {"h1.4", bytesOf<int64_t>(INT64_MIN), "-922337203685477.5808"},
        {"k4", Bytes{}, ""},
    };
    for (const Case &c : cases) {
        Bytes rec = c.record;
        rec.resize(rec.size() + 16); // room for alignment
        EXPECT_EQ(encode(rec.data(), c.format), c.expected) << c.format;
    }
}

TEST_F(Codec, StructureLayoutFollowsTheCompiler) {
    struct CL {
        char c;
        int32_t l;
    } cl = {'A', 42};
    EXPECT_EQ(encode(&cl, "cl"), "A+0000000042");

    struct CK8L {
        char c;
        char pad[7];
        int32_t l;
    } ck = {'B', {'x', 'x', 'x', 'x', 'x', 'x', 'x'}, -7};
    EXPECT_EQ(encode(&ck, "ck8l"), "B-0000000007");

    struct CD {
        char c;
        double d;
        int16_t n;
        int64_t h;
    } cd = {'C', 1.5, 3, 20000};
    EXPECT_EQ(encode(&cd, "cd1.1nh"), "C+000000000000001.5+00003+00000000000000000002");

    struct CNS {
        char c;
        int16_t n;
        char s[3];
        uint32_t m;
    } cns = {'D', -1, {'a', 'b', 'c'}, 9};
    EXPECT_EQ(encode(&cns, "cns3m"), "D-00001abc0000000009");
}

TEST_F(Codec, RepeatingGroups) {
    struct CL {
        char c;
        int32_t l;
    } arr[3] = {{'a', 1}, {0, -2}, {'c', 3}};
    EXPECT_EQ(CNV_GetEncodeStringLen("r2.3cl"), 36);
    EXPECT_EQ(encode(arr, "r2.3cl"), "a+0000000001\x01-0000000002"
                                     "c+0000000003");
    EXPECT_EQ(encode(arr, "r2/3cl"), encode(arr, "r2.3cl"));

    // A nested group counts as one element of its group.
    struct Inner {
        char c;
        int16_t n[2];
    } nested[2] = {{'x', {1, 2}}, {'y', {-3, 4}}};
    EXPECT_EQ(CNV_GetEncodeStringLen("r2.2cr1.2n"), 26);
    EXPECT_EQ(encode(nested, "r2.2cr1.2n"), "x+00001+00002y-00003+00004");

    // Elements after a group continue behind it; a group of times 0 (or
    // written without a second number) writes nothing.
    struct After {
        char c[2];
        int16_t tail;
    } after = {{'p', 'q'}, 77};
    EXPECT_EQ(encode(&after, "r1.2cn"), "pq+00077");
    EXPECT_EQ(encode(&after, "r1.0ccn"), "p+00077");
    EXPECT_EQ(encode(&after, "r1ccn"), "p+00077");
    EXPECT_EQ(CNV_GetEncodeStringLen("r1.0cn"), 6);

    // A group of offsets only repeats itself: it may claim any number of times.
    char one = 'z';
    EXPECT_EQ(encode(&one, "r1.2000000000k0c"), "z");
}

TEST_F(Codec, EncodeErrors) {
    char rec[64] = {};
    char out[64];
    const char *invalid = "Invalid or unsupported format type character in format string.";
    struct Case {
        const char *format;
        long rc;
        const char *message;
        const char *procedure;
        const char *written; // what stays in the output, without a terminator
    };
    const Case cases[] = {
        {"c c", 30012, invalid, "_cnvEncodeElement", "\x01"},
        {"cC", 30012, invalid, "_cnvEncodeElement", "\x01"},
        {"c|", 30012, invalid, "_cnvEncodeElement", "\x01"},
        {"r1.2a", 30012, invalid, "_cnvEncodeElement", ""},
        {"h1.10", 30012, invalid, "_cnvEncodeElement", ""},
        {"cr3.1cl", 30011, "Missing format string element in repeating group.",
         "_cnvGetGroupOffset", "\x01"},
    };
    for (const Case &c : cases) {
        std::memset(out, 'W', sizeof out);
        EXPECT_EQ(CNV_EncodeStruct(rec, c.format, out), c.rc) << c.format;
        expectLogged(c.rc, c.message, c.procedure);
        size_t n = std::strlen(c.written);
        EXPECT_EQ(std::string(out, n), c.written) << c.format;
        EXPECT_EQ(out[n], 'W') << c.format;
    }
}

TEST_F(Codec, FloatAndDoubleOverflowIsLoggedAndReturned) {
    struct Case {
        const char *format;
        Bytes record;
        std::string data;
    };
    const Case cases[] = {
        {"d", bytesOf<double>(1e20),
         "Type double - length exceeds 18 - _snprintf truncated the value to "
         "\"+10000000000000000\" - copybook info length 0 - precision 0"},
        {"f", bytesOf<float>(1e10f),
         "Type float - length exceeds 10 - _snprintf truncated the value to \"+100000000\" - "
         "copybook info length 0 - precision 0"},
        {"dv14.2", bytesOf<double>(-1e16),
         "Type double - length exceeds 18 - _snprintf truncated the value to "
         "\"-10000000000000000\" - copybook info length 14 - precision 2"},
        {"f4.20", bytesOf<float>(0.5f),
         "Type float - length exceeds 10 - _snprintf truncated the value to \"+0.5000000\" - "
         "copybook info length 4 - precision 20"},
        {"h1.9", bytesOf<int64_t>(INT64_MAX),
         "Type scaled - length exceeds 21 - _snprintf truncated the value to "
         "\"+922337203685477\" - copybook info length 1 - precision 9"},
    };
    for (const Case &c : cases) {
        char out[64];
        EXPECT_EQ(CNV_EncodeStruct(c.record.data(), c.format, out), 30034) << c.format;
        qmtest::Entry e = lastEntry();
        EXPECT_EQ(e.get("Error"), "30034");
        EXPECT_EQ(e.get("Severity"), "16");
        EXPECT_EQ(e.get("Error Data"), c.data);
        EXPECT_EQ(e.get("Procedure"), "_cnvEncodeElement()");
        EXPECT_EQ(e.get("Module"), "qmcnv32");
        EXPECT_EQ(e.get("Source"), "Architecture exception.");
        EXPECT_EQ(ERR_GetLastError(), 30034);

        // Inside the library the overflow travels as the exception.
        try {
            _cnvEncodeStruct(c.record.data(), c.format, out);
            ADD_FAILURE() << "no exception for " << c.format;
        } catch (CBlockingSocketException *x) {
            EXPECT_EQ(x->GetErrorNumber(), 30034);
            EXPECT_STREQ(x->GetErrorRecord()->szErrorData, c.data.c_str());
            delete x;
        }
    }
}

// ---- decoding -----------------------------------------------------------------

TEST_F(Codec, DecodesEveryTypeRow) {
    struct Case {
        const char *format;
        std::string text;
        Bytes expected;
    };
    const char ab[5] = {'A', 'B', 0, 0, 0};
    const Case cases[] = {
        {"c", "\x01", Bytes{0}},
        {"b", "Z", Bytes{'Z'}},
        {"s5", "AB\x01\x01\x01", bytesOf(ab)},
        {"n", "-00005", bytesOf<int16_t>(-5)},
        {"t", "+32767", bytesOf<int16_t>(32767)},
        {"u", "00007", bytesOf<uint16_t>(7)},
        {"l", "+0000000042", bytesOf<int32_t>(42)},
        {"~", "-2147483648", bytesOf<int32_t>(-2147483647 - 1)},
        {"m", "4294967295", bytesOf<uint32_t>(4294967295u)},
        {"f", "-000001.50", bytesOf<float>(-1.5f)},
        {"{", "+1.2500e+2", bytesOf<float>(125.0f)},
        {"d", "+00000000000003.14", bytesOf<double>(3.14)},
        {"@", "              +inf", bytesOf<double>(INFINITY)},
        {"d", "+1e999999999999999", bytesOf<double>(INFINITY)},
        {"h21.2", "+00000000000000012.34", bytesOf<int64_t>(123400)},
        {"j21.2", "-00000000000000000.50", bytesOf<int64_t>(-5000)},
        {"p", "+00000000000000000012", bytesOf<int64_t>(120000)},
        {"h1.6", "+0000000000012.345600", bytesOf<int64_t>(123456)},
        {"h1.4", "+922337203685477.5807", bytesOf<int64_t>(INT64_MAX)},
        {"h1.4", "-922337203685477.5808", bytesOf<int64_t>(INT64_MIN)},
        {"h1.1", "-000000000000000009.9", bytesOf<int64_t>(-99000)},
    };
    for (const Case &c : cases) {
        Bytes rec(c.expected.size(), 0xEE);
        EXPECT_EQ(CNV_DecodeStruct(rec.data(), c.format, c.text.c_str()), 0) << c.format;
        EXPECT_EQ(rec, c.expected) << c.format;
    }
}

TEST_F(Codec, DecodeReadsNumbersTheWayScanfDoes) {
    // Leading blanks are skipped and counted; a field that ends early is not
    // padded out, so the next field starts where this one stopped.
    struct {
        int16_t a, b;
    } two = {};
    EXPECT_EQ(CNV_DecodeStruct(&two, "nn", "    -5+00007"), 0);
    EXPECT_EQ(two.a, -5);
    EXPECT_EQ(two.b, 7);

    struct {
        int16_t n;
        char c;
    } early = {1, 0};
    EXPECT_EQ(CNV_DecodeStruct(&early, "nc", "+5Xyzw"), 30011);
    EXPECT_EQ(early.n, 5);
    EXPECT_EQ(early.c, 'X');

    // A field that holds no number keeps its value; decoding goes on behind it.
    struct {
        int32_t l;
        char c;
    } bad = {99, 0};
    EXPECT_EQ(CNV_DecodeStruct(&bad, "lc", "abcdefghijkQ"), 0);
    EXPECT_EQ(bad.l, 99);
    EXPECT_EQ(bad.c, 'Q');
}

TEST_F(Codec, DecodeStopsAndFails) {
    struct CL {
        char c;
        int32_t l;
    };
    std::string occ = "a+0000000001";
    {
        CL arr[3] = {{'-', 5}, {'-', 5}, {'-', 5}};
        EXPECT_EQ(CNV_DecodeStruct(arr, "r2.3cl", (occ + occ).c_str()), 0);
        EXPECT_EQ(arr[1].c, 'a');
        EXPECT_EQ(arr[1].l, 1);
        EXPECT_EQ(arr[2].c, '-');
        EXPECT_EQ(arr[2].l, 5);
    }
    {
        CL arr[3] = {};
        EXPECT_EQ(CNV_DecodeStruct(arr, "r2.3cl", (occ + occ + "b+0000").c_str()), 30013);
        expectLogged(30013, "Encode string not long enough to complete group.", "_cnvDecodeGroup");
        EXPECT_EQ(arr[2].c, 'b'); // decoded so far keeps its new value
    }
    {
        CL one = {'-', 77};
        EXPECT_EQ(CNV_DecodeStruct(&one, "cl", "A"), 0);
        EXPECT_EQ(one.c, 'A');
        EXPECT_EQ(one.l, 77);
    }
    {
        struct {
            int32_t l;
            char c;
        } lc = {};
        EXPECT_EQ(CNV_DecodeStruct(&lc, "lc", "+00"), 30013);
        expectLogged(30013,
                     "Remaining encode string does not contain enough characters to decode "
                     "element.",
                     "_cnvDecodeStruct");
    }
    {
        char c = 0;
        EXPECT_EQ(CNV_DecodeStruct(&c, "c", "AB"), 30011);
        expectLogged(30011, "No more format string elements for remaining encode string.",
                     "_cnvDecodeStruct");
        EXPECT_EQ(CNV_DecodeStruct(&c, "", "A"), 30011);
    }
    {
        char c = 'q';
        std::string before = env.log();
        EXPECT_EQ(CNV_DecodeStruct(&c, "c C", ""), 0); // empty text: nothing looked at
        EXPECT_EQ(CNV_DecodeStruct(&c, "Q", nullptr), 0);
        EXPECT_EQ(env.log(), before);
        EXPECT_EQ(c, 'q');
    }
    {
        char rec[8] = {};
        EXPECT_EQ(CNV_DecodeStruct(rec, "c c", "AB"), 30012);
        expectLogged(30012, "Invalid or unsupported format type character in format string.",
                     "_cnvDecodeElement");
        EXPECT_EQ(CNV_DecodeStruct(rec, "cX", "AB"), 30012);
        EXPECT_EQ(CNV_DecodeStruct(rec, "r3.2cl", "A"), 30011);
        expectLogged(30011, "Missing format string element in repeating group.",
                     "_cnvGetGroupOffset");
    }
}

// ---- lengths ------------------------------------------------------------------

TEST_F(Codec, EncodeStringLength) {
    struct Case {
        const char *format;
        int length;
    };
    const Case cases[] = {
        {"", 0},
        {"c", 1},
        {"s159", 159},
        {"nuflmdh", 6 + 5 + 10 + 11 + 10 + 18 + 21},
        {"k88s9", 9},
        {"cA e|", 1}, // invalid types count 0
        {"r2.3cl", 36},
        {"r2.2cr1.3n", 2 * (1 + 18)},
        {"r1.0s4c", 1},
        {"cr1.2k4", 1},      // a group of offsets adds nothing but is no error
        {"r3.1cl", 0},       // an element missing in the group
        {"s2147483647c", 0}, // beyond what an int can count with its terminator
        {"r1.2147483647r1.2147483647c", 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(CNV_GetEncodeStringLen(c.format), c.length) << c.format;
    }
    EXPECT_EQ(CNV_GetEncodeStringLen(nullptr), 0);
}

TEST_F(Codec, DeepNestingIsRefused) {
    std::string format;
    for (int i = 0; i < 40; ++i) {
        format += "r1.1";
    }
    format += "c";
    char rec[4] = {'a'};
    char out[8];
    EXPECT_EQ(CNV_GetEncodeStringLen(format.c_str()), 0);
    EXPECT_EQ(CNV_EncodeStruct(rec, format.c_str(), out), 30012);
    expectLogged(30012, "Repeating groups nested too deeply in format string.",
                 "_cnvGetGroupOffset");
    EXPECT_EQ(CNV_DecodeStruct(rec, format.c_str(), "b"), 30012);

    std::string ok;
    for (int i = 0; i < 31; ++i) {
        ok += "r1.1";
    }
    ok += "c";
    EXPECT_EQ(CNV_GetEncodeStringLen(ok.c_str()), 1);
    EXPECT_EQ(encode(rec, ok.c_str()), "a");
}

// ---- the system's record formats ------------------------------------------------

const char *const kHeaderFormat = "clv6nv4nv4nv4s9s9nv4nv2s9s9s9cnv4lv5dv14.0c";
const char *const kStatusFormat = "cs32nv4nv4s48s4s8ccs30nx4s159s8s12lx9s159nx4nx4";

TEST_F(Codec, RequestHeader) {
    EXPECT_EQ(CNV_GetEncodeStringLen(kHeaderFormat), 124);
    EXPECT_EQ(_cnvGetStructSize(kHeaderFormat, 1000, nullptr), 81u);

    DAA_REQUEST_HEADER h;
    std::memset(&h, 0, sizeof h);
    h.cRequestType = 'S';
    h.lPosition = 12;
    h.sRows = 50;
    h.sStart = 1;
    std::memcpy(h.szUserId, "JSMITH", 6);
    std::memcpy(h.szPassword, "JSMITH", 6);
    h.sService = 429;
    h.sOption = 1;
    std::memcpy(h.szDatabaseId, "FINDB01", 7);
    std::string text = encode(&h, kHeaderFormat);
    const std::string fill9(9, '\x01');
    std::string expected = std::string("S") + "+0000000012" + "+00050" + "+00000" + "+00001" +
                           "JSMITH\x01\x01\x01" + "JSMITH\x01\x01\x01" + "+00429" + "+00001" +
                           fill9 + fill9 + "FINDB01\x01\x01" + "\x01" + "+00000" + "+0000000000" +
                           "+00000000000000000" + "\x01";
    EXPECT_EQ(text, expected);

    // The answer header decodes back; the host's row count lands at offset 10.
    std::string answer = text;
    answer.replace(1 + 11 + 6, 6, "+00017");
    DAA_REQUEST_HEADER back;
    std::memset(&back, 0x33, sizeof back);
    EXPECT_EQ(CNV_DecodeStruct(&back, kHeaderFormat, answer.c_str()), 0);
    EXPECT_EQ(back.cRequestType, 'S');
    EXPECT_EQ(back.lPosition, 12);
    EXPECT_EQ(back.sRows, 50);
    EXPECT_EQ(back.sHostRows, 17);
    EXPECT_EQ(back.sService, 429);
    EXPECT_EQ(std::string(back.szDatabaseId, 9), std::string("FINDB01\0\0", 9));
    EXPECT_EQ(back.dReserved6, 0.0);
    EXPECT_EQ(back.cReserved7, 0);
    // Padding bytes of the header are not touched.
    EXPECT_EQ(reinterpret_cast<unsigned char *>(&back)[1], 0x33);
    EXPECT_EQ(reinterpret_cast<unsigned char *>(&back)[81], 0x33);

    // A service record: the header, then the service's fields from offset 88.
    struct Service {
        DAA_REQUEST_HEADER header;
        char account[9];
    } svc;
    std::memset(&svc, 0, sizeof svc);
    svc.header = h;
    std::memcpy(svc.account, "ACC-77", 6);
    std::string joined = std::string(kHeaderFormat) + "k88s9";
    EXPECT_EQ(CNV_GetEncodeStringLen(joined.c_str()), 133);
    EXPECT_EQ(encode(&svc, joined.c_str()), expected + "ACC-77\x01\x01\x01");
}

TEST_F(Codec, AnswerStatusRecord) {
    EXPECT_EQ(CNV_GetEncodeStringLen(kStatusFormat), 504);
    EXPECT_EQ(_cnvGetStructSize(kStatusFormat, 1000, nullptr), 480u);

    auto field = [](std::string s, size_t width) {
        s.resize(width, ' ');
        return s;
    };
    std::string text = "A" + field("", 32) + "+00000" + "+00000" + field("", 48) + field("", 4) +
                       field("QMS01302", 8) + "X" + "A" + field("S9810-CALL-SERVICE", 30) +
                       "-01096" + field("ROW NOT FOUND", 159) + field("", 8) + field("", 12) +
                       "+0000000000" + field("SQLCODE = 100", 159) + "+00008" + "+00000";
    ASSERT_EQ(text.size(), 504u);
    Bytes rec(480, 0);
    EXPECT_EQ(CNV_DecodeStruct(rec.data(), kStatusFormat, text.c_str()), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&rec[90]), 8), "QMS01302");
    EXPECT_EQ(rec[99], 'A');
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&rec[100]), 18), "S9810-CALL-SERVICE");
    EXPECT_EQ(valueOf<int16_t>(rec, 130), -1096);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&rec[132]), 13), "ROW NOT FOUND");
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&rec[316]), 13), "SQLCODE = 100");
    EXPECT_EQ(valueOf<int16_t>(rec, 476), 8);
}

// ---- properties over many records -------------------------------------------------

// Random formats of types whose text is exact: encoding writes exactly the
// announced length, and decoding gives back every field byte while the
// padding between fields stays untouched.
TEST_F(Codec, RandomRoundTripsKeepEveryFieldAndNothingElse) {
    std::mt19937 rng(4711);
    const char *elements[] = {"c", "b",    "s1",  "s7",     "n",      "u",           "l",
                              "m", "h1.4", "k40", "r2.2cn", "r2.3lc", "r1.3r2.2cs2", "j9.4"};
    for (int round = 0; round < 300; ++round) {
        std::string format;
        int n = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < n; ++i) {
            format += elements[rng() % (sizeof elements / sizeof elements[0])];
        }
        const size_t limit = 4096;
        std::vector<unsigned char> mask(limit);
        size_t size = _cnvGetStructSize(format.c_str(), limit, mask.data());
        ASSERT_NE(size, static_cast<size_t>(-1)) << format;
        // No NUL and no 0x01 in the record: those two bytes both travel as 0x01.
        Bytes rec(size + 8);
        for (auto &b : rec) {
            b = static_cast<unsigned char>(2 + rng() % 254);
        }
        std::string text = encode(rec.data(), format.c_str());
        Bytes back(rec.size(), 0xA5);
        EXPECT_EQ(CNV_DecodeStruct(back.data(), format.c_str(), text.c_str()), 0) << format;
        for (size_t i = 0; i < rec.size(); ++i) {
            if (i < size && mask[i]) {
                EXPECT_EQ(back[i], rec[i]) << format << " byte " << i;
            } else {
                EXPECT_EQ(back[i], 0xA5) << format << " padding byte " << i;
            }
        }
    }
}

} // namespace
