// libFuzzer target for the service answer parser: the input is an answer body
// as it follows the length word (prefix, format, text, status record), split
// by _daaSplitAnswer and decoded by _daaDecodeAnswer into an answer record
// and a control block. Reads outside the body, writes outside the fields the
// answer's format describes, and control-block texts left unterminated are
// caught.
#include "qmcnv32.h"
#include "qmdaa32.h"
#include "qmsocket.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Build the library's objects with -fsanitize=fuzzer-no-link,address,undefined
// too (CMAKE_CXX_FLAGS), or the parser itself is neither guided nor checked.
namespace {

const size_t kRecordLimit = 1 << 16;
const unsigned char kFill = 0xA5;
std::string g_logPath;
unsigned g_runs = 0;

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "fuzz_qm32_answer: %s\n", what);
    std::abort();
}

void expectTerminated(const char *field, size_t width, const char *name) {
    if (strnlen(field, width) >= width)
        fail(name);
}

// The record format the parser decodes the text with: the request header's
// format followed by the answer's own, in lower case, up to a NUL.
std::string recordFormat(const DAA_ANSWER_PARTS &parts) {
    std::string fmt = std::string(DAA_HEADER_FMT) + std::string(parts.format, parts.formatLength);
    for (char &c : fmt)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return fmt.c_str();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Parser and codec errors are logged: keep the log in a directory of the
    // fuzzer's own.
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "qm32_fuzz_answer";
    std::filesystem::create_directories(dir);
    setenv("WINDIR", dir.string().c_str(), 1);
    g_logPath = (dir / "finance.err").string();
    // A configuration with a message file, so that raising an error never
    // stops at a missing-configuration box.
    std::string messages = (dir / "qmmsg.ini").string();
    std::ofstream(dir / "qm32.ini") << "[32-bit Architecture]\nMessageFile=" << messages << "\n";
    std::ofstream(messages) << "[ERR_Messages]\n"
                               "30010=An architecture error occurred.\n"
                               "30011=A format element is missing.\n"
                               "30012=A format type is not valid.\n"
                               "30013=The encoded text is too short.\n"
                               "30034=Value too long for its field.\n";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > DAA_BUFFER_SIZE - DAA_LENGTH_WORD)
        return 0; // no answer longer than the message buffer reaches the parser
    if (++g_runs % 4096 == 0)
        std::remove(g_logPath.c_str());
    // The body in a buffer of its exact size: any read past it is caught.
    std::vector<char> body(data, data + size);
    const char *begin = body.data();
    const int length = static_cast<int>(size);

    DAA_ANSWER_PARTS parts;
    try {
        _daaSplitAnswer(begin, length, 7, parts);
    } catch (CBlockingSocketException *e) {
        if (e->GetErrorNumber() != DAA_ERR_LIBRARY)
            fail("split raised an error other than 30010");
        delete e;
        return 0;
    }
    if (length < DAA_PREFIX_LEN || parts.formatLength < 0 || parts.textLength < 0 ||
        parts.statusLength < 0 || parts.statusLength > DAA_STATUS_ENCODED ||
        parts.format != begin + DAA_PREFIX_LEN || parts.text != parts.format + parts.formatLength ||
        parts.status != parts.text + parts.textLength ||
        parts.status + parts.statusLength > begin + length)
        fail("split parts lie outside the body");

    // The answer record exactly as large as the format describes (a canary
    // byte when the answer carries no text and the record stays untouched).
    std::vector<unsigned char> mask(kRecordLimit);
    size_t recordSize = 0;
    if (parts.textLength > 0) {
        recordSize = _cnvGetStructSize(recordFormat(parts).c_str(), kRecordLimit, mask.data());
        if (recordSize == static_cast<size_t>(-1))
            return 0; // the caller's record could not be that large
    }
    size_t allocated = recordSize == 0 ? 1 : recordSize;
    unsigned char *record = new unsigned char[allocated];
    std::memset(record, kFill, allocated);

    DAA_SERVICE_BLOCK block;
    std::memset(&block, 0, sizeof block);
    block.lPosition = 11;
    block.lRows = 22;
    try {
        long number = _daaDecodeAnswer(parts, &block, record);
        const ERR_RECORD &e = block.Error;
        if (number != e.lErrorNumber)
            fail("returned number differs from the block's");
        expectTerminated(e.szModule, sizeof e.szModule, "module unterminated");
        expectTerminated(e.szProcedure, sizeof e.szProcedure, "procedure unterminated");
        expectTerminated(e.szErrorText, sizeof e.szErrorText, "error text unterminated");
        expectTerminated(e.szErrorData, sizeof e.szErrorData, "error data unterminated");
        if (parts.textLength > 0) {
            int16_t rows;
            std::memcpy(&rows, record + offsetof(DAA_REQUEST_HEADER, sHostRows), sizeof rows);
            if (block.lRows != rows)
                fail("rows differ from the answer's header");
        } else if (block.lRows != 0 || block.lPosition != 11) {
            fail("an answer without text changed position or left rows");
        }
    } catch (CBlockingSocketException *e) {
        delete e;
    }
    for (size_t i = 0; i < allocated; ++i)
        if ((recordSize == 0 || !mask[i]) && record[i] != kFill)
            fail("the decoder wrote outside the answer's fields");
    delete[] record;
    return 0;
}
