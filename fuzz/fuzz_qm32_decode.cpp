// libFuzzer target for CNV_DecodeStruct: the input's first byte gives the
// length of the format, the rest is the encoded text; writes outside the
// fields the format describes and reads past the text are caught.
#include "qmcnv32.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// The record is exactly as large as the format describes, so AddressSanitizer
// catches any write past it; padding bytes between fields must come back
// untouched. Build the library's objects with
// -fsanitize=fuzzer-no-link,address,undefined too (CMAKE_CXX_FLAGS), or the
// codec itself is neither guided nor checked.
namespace {

const size_t kRecordLimit = 1 << 16;
const int kMaxEncodeLength = 1 << 20;
std::string g_logPath;
unsigned g_runs = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Codec errors are logged: keep the log in a directory of the fuzzer's own.
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "qm32_fuzz_decode";
    std::filesystem::create_directories(dir);
    setenv("WINDIR", dir.string().c_str(), 1);
    g_logPath = (dir / "finance.err").string();
    // A configuration with a message file, so that raising an error never
    // stops at a missing-configuration box.
    std::string messages = (dir / "qmmsg.ini").string();
    std::ofstream(dir / "qm32.ini") << "[32-bit Architecture]\nMessageFile=" << messages << "\n";
    std::ofstream(messages) << "[ERR_Messages]\n30034=Value too long for its field.\n";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) {
        return 0;
    }
    if (++g_runs % 4096 == 0) {
        std::remove(g_logPath.c_str());
    }
    size_t formatLen = data[0];
    if (formatLen > size - 1) {
        formatLen = size - 1;
    }
    std::string format(reinterpret_cast<const char *>(data + 1), formatLen);
    format = format.c_str(); // up to an embedded NUL, as a caller's string would be
    // The text in a buffer of its exact size: reading past its NUL is caught.
    std::vector<char> text(data + 1 + formatLen, data + size);
    text.push_back('\0');

    std::vector<unsigned char> mask(kRecordLimit);
    size_t recordSize = _cnvGetStructSize(format.c_str(), kRecordLimit, mask.data());
    if (recordSize == static_cast<size_t>(-1)) {
        return 0;
    }
    unsigned char *rec = new unsigned char[recordSize == 0 ? 1 : recordSize];
    memset(rec, 0xA5, recordSize == 0 ? 1 : recordSize);
    CNV_DecodeStruct(rec, format.c_str(), text.data());
    for (size_t i = 0; i < recordSize; ++i) {
        if (!mask[i] && rec[i] != 0xA5) {
            fprintf(stderr, "decoder wrote padding byte %zu of format \"%s\"\n", i, format.c_str());
            abort();
        }
    }

    // Encoding the decoded record writes exactly the announced length.
    int len = CNV_GetEncodeStringLen(format.c_str());
    if (len > 0 && len <= kMaxEncodeLength) {
        char *out = new char[static_cast<size_t>(len) + 1];
        if (CNV_EncodeStruct(rec, format.c_str(), out) == 0 &&
            strlen(out) != static_cast<size_t>(len)) {
            fprintf(stderr, "encoded %zu characters, announced %d, format \"%s\"\n", strlen(out),
                    len, format.c_str());
            abort();
        }
        delete[] out;
    }
    delete[] rec;
    return 0;
}
