// EBCDIC conversion tests: characters of the table, the bytes without an
// image, the blank for EBCDIC 0x00, and round trips of whole texts.
#include "qmcnv32.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

unsigned char toEbcdic(unsigned char c) {
    CNV_ConvertASCIIToEBCDIC(&c, 1);
    return c;
}

unsigned char toAscii(unsigned char c) {
    CNV_ConvertEBCDICToASCII(&c, 1);
    return c;
}

TEST(Ebcdic, CharactersOfTheTable) {
    struct Case {
        char ascii;
        unsigned char ebcdic;
    };
    const Case cases[] = {
        {'A', 0xC1},  {'I', 0xC9},  {'J', 0xD1}, {'R', 0xD9},  {'S', 0xE2},  {'Z', 0xE9},
        {'a', 0x81},  {'j', 0x91},  {'s', 0xA2}, {'z', 0xA9},  {'0', 0xF0},  {'9', 0xF9},
        {' ', 0x40},  {'.', 0x4B},  {'+', 0x4E}, {'-', 0x60},  {'[', 0xAD},  {']', 0xBD},
        {'|', 0x6A},  {'^', 0x5F},  {'~', 0xA1}, {'!', 0x5A},  {'{', 0xC0},  {'}', 0xD0},
        {'\\', 0xE0}, {'`', 0x79},  {'@', 0x7C}, {'\n', 0x25}, {'\t', 0x05}, {0x01, 0x01},
        {0x7F, 0x07}, {0x00, 0x00},
    };
    for (const Case &c : cases) {
        unsigned char a = static_cast<unsigned char>(c.ascii);
        EXPECT_EQ(toEbcdic(a), c.ebcdic) << "ASCII " << int(a);
        if (a != 0) {
            EXPECT_EQ(toAscii(c.ebcdic), a) << "EBCDIC " << int(c.ebcdic);
        }
    }
}

TEST(Ebcdic, BytesWithoutAnImage) {
    for (int i = 0x80; i <= 0xFF; ++i) {
        EXPECT_EQ(toEbcdic(static_cast<unsigned char>(i)), 0xFF) << i;
    }
    EXPECT_EQ(toAscii(0x00), 0x20); // EBCDIC NUL becomes a blank
    // Every EBCDIC byte that no ASCII byte maps to becomes 0xFF.
    std::set<int> images;
    for (int i = 0; i < 0x80; ++i) {
        images.insert(toEbcdic(static_cast<unsigned char>(i)));
    }
    EXPECT_EQ(images.size(), 128u); // the table is one-to-one
    for (int e = 1; e <= 0xFF; ++e) {
        if (images.count(e) == 0) {
            EXPECT_EQ(toAscii(static_cast<unsigned char>(e)), 0xFF) << e;
        }
    }
}

TEST(Ebcdic, RoundTripsAndBufferHandling) {
    std::vector<unsigned char> all;
    for (int i = 1; i < 0x80; ++i) {
        all.push_back(static_cast<unsigned char>(i));
    }
    std::vector<unsigned char> buf = all;
    EXPECT_EQ(CNV_ConvertASCIIToEBCDIC(buf.data(), static_cast<int>(buf.size())), buf.data());
    EXPECT_NE(buf, all);
    EXPECT_EQ(CNV_ConvertEBCDICToASCII(buf.data(), static_cast<int>(buf.size())), buf.data());
    EXPECT_EQ(buf, all);

    // Only the given length is converted; a length of 0 or less changes nothing.
    std::string text = "QM62 request";
    std::vector<unsigned char> t(text.begin(), text.end());
    CNV_ConvertASCIIToEBCDIC(t.data(), 4);
    EXPECT_EQ(t[0], 0xD8);
    EXPECT_EQ(t[3], 0xF2);
    EXPECT_EQ(t[4], ' ');
    std::vector<unsigned char> same = t;
    CNV_ConvertASCIIToEBCDIC(t.data(), 0);
    CNV_ConvertEBCDICToASCII(t.data(), -5);
    EXPECT_EQ(t, same);
    EXPECT_EQ(CNV_ConvertASCIIToEBCDIC(nullptr, 10), nullptr);
    EXPECT_EQ(CNV_Test(1, 2, 3), 0);
}

} // namespace
