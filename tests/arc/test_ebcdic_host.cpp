// The reference host and the library translate EBCDIC alike: every one of the
// 256 byte values, one at a time and as a whole buffer, in both directions.
// Linux only (the host is a Linux tool).
#include "ebcdic.h"
#include "qmcnv32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> allBytes() {
    std::vector<unsigned char> v(256);
    for (int i = 0; i < 256; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    return v;
}

TEST(EbcdicHost, AsciiToEbcdicAgreesOnEveryByte) {
    for (int i = 0; i < 256; ++i) {
        unsigned char c = static_cast<unsigned char>(i);
        CNV_ConvertASCIIToEBCDIC(&c, 1);
        EXPECT_EQ(int(c), int(qmhost::kAsciiToEbcdic[i])) << "ASCII byte " << i;
    }
}

TEST(EbcdicHost, EbcdicToAsciiAgreesOnEveryByte) {
    for (int i = 0; i < 256; ++i) {
        unsigned char c = static_cast<unsigned char>(i);
        CNV_ConvertEBCDICToASCII(&c, 1);
        EXPECT_EQ(int(c), int(qmhost::kEbcdicToAscii[i])) << "EBCDIC byte " << i;
    }
}

TEST(EbcdicHost, WholeBuffersAgreeInBothDirections) {
    std::vector<unsigned char> bytes = allBytes();
    std::string hostText(bytes.begin(), bytes.end());

    std::vector<unsigned char> lib = bytes;
    std::string host = hostText;
    CNV_ConvertASCIIToEBCDIC(lib.data(), static_cast<int>(lib.size()));
    qmhost::asciiToEbcdic(host);
    EXPECT_EQ(std::string(lib.begin(), lib.end()), host) << "ASCII to EBCDIC";

    lib = bytes;
    host = hostText;
    CNV_ConvertEBCDICToASCII(lib.data(), static_cast<int>(lib.size()));
    qmhost::ebcdicToAscii(host);
    EXPECT_EQ(std::string(lib.begin(), lib.end()), host) << "EBCDIC to ASCII";
}

} // namespace
