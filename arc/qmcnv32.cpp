// Record codec: fixed-layout C structures to flat character records and back,
// driven by format strings (number texts independent of the C locale), and
// the ASCII/EBCDIC tables.
#include "qmcnv32.h"
#include "qmsocket.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

const char *const kModule = "qmcnv32";

const char *const kMsgMissingInGroup = "Missing format string element in repeating group.";
const char *const kMsgNoMoreElements =
    "No more format string elements for remaining encode string.";
const char *const kMsgInvalidType =
    "Invalid or unsupported format type character in format string.";
const char *const kMsgNotEnoughForElement =
    "Remaining encode string does not contain enough characters to decode element.";
const char *const kMsgNotEnoughForGroup = "Encode string not long enough to complete group.";
const char *const kMsgNestedTooDeeply = "Repeating groups nested too deeply in format string.";

const char kNulFiller = 0x01; // a NUL byte travels as 0x01

// Doubles and scaled 64-bit integers sit where the caller's compiler puts
// them: at their natural alignment inside a structure (8 on x86_64 Linux and
// Windows, 4 on 32-bit x86). Both cases place the request header's double at
// offset 72.
struct AlignDouble {
    char c;
    double d;
};
struct AlignInt64 {
    char c;
    int64_t v;
};
const int kAlignDouble = static_cast<int>(offsetof(AlignDouble, d));
const int kAlignInt64 = static_cast<int>(offsetof(AlignInt64, v));

// Encoded width, structure size and alignment of a type letter.
struct TypeInfo {
    int encodeLen;
    int size;
    int alignment;
};

enum TypeClass {
    T_INVALID,
    T_CHAR,
    T_STRING,
    T_SHORT,
    T_USHORT,
    T_LONG,
    T_ULONG,
    T_FLOAT,
    T_DOUBLE,
    T_SCALED,
    T_OFFSET,
    T_GROUP
};

TypeClass type_class(char c) {
    switch (c) {
    case 'c':
    case 'b':
        return T_CHAR;
    case 's':
        return T_STRING;
    case 'n':
    case 'o':
    case 't':
    case '}':
        return T_SHORT;
    case 'u':
        return T_USHORT;
    case 'l':
    case '$':
    case '&':
    case 'q':
    case '~':
        return T_LONG;
    case 'm':
        return T_ULONG;
    case 'f':
    case '(':
    case ')':
    case '{':
        return T_FLOAT;
    case 'd':
    case '#':
    case '%':
    case '@':
    case 'y':
        return T_DOUBLE;
    case 'h':
    case 'j':
    case 'p':
        return T_SCALED;
    case 'k':
        return T_OFFSET;
    case 'r':
        return T_GROUP;
    default:
        return T_INVALID;
    }
}

TypeInfo type_info(TypeClass t) {
    switch (t) {
    case T_CHAR:
        return {1, 1, 1};
    case T_SHORT:
        return {6, 2, 2};
    case T_USHORT:
        return {5, 2, 2};
    case T_LONG:
        return {11, 4, 4};
    case T_ULONG:
        return {10, 4, 4};
    case T_FLOAT:
        return {10, 4, 4};
    case T_DOUBLE:
        return {18, 8, kAlignDouble};
    case T_SCALED:
        return {21, 8, kAlignInt64};
    default:
        return {0, 0, 1};
    }
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The blanks that a scanf conversion skips (C locale).
bool is_scan_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal number of the format; values beyond INT_MAX read as INT_MAX.
int read_number(const char **pp) {
    long long v = 0;
    while (is_digit(**pp)) {
        v = v * 10 + (**pp - '0');
        if (v > INT_MAX) {
            v = INT_MAX;
        }
        ++*pp;
    }
    return static_cast<int>(v);
}

size_t align_up(size_t offset, int alignment) {
    size_t a = alignment < 1 ? 1u : static_cast<size_t>(alignment);
    return (offset + a - 1) / a * a;
}

long long sat_add(long long a, long long b) {
    return a > CNV_LENGTH_LIMIT - b ? CNV_LENGTH_LIMIT + 1 : a + b;
}

long long sat_mul(long long a, long long b) {
    if (a == 0 || b == 0) {
        return 0;
    }
    return a > (CNV_LENGTH_LIMIT + 1) / b ? CNV_LENGTH_LIMIT + 1 : a * b;
}

// ---- number texts ------------------------------------------------------------

// Writes mag as exactly `digits` decimal digits, zero-padded (mag must fit).
void put_digits(char *out, uint64_t mag, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + mag % 10);
        mag /= 10;
    }
}

int digit_count(uint64_t mag) {
    int n = 1;
    while (mag >= 10) {
        mag /= 10;
        ++n;
    }
    return n;
}

// The text that "%+0<width>.<precision>f" gives for v. Precisions beyond 64
// are formatted with 64 decimals: such a text never fits a field, and only its
// start is quoted in the overflow report.
std::string format_fixed(double v, int precision, int width) {
    std::string body;
    char sign = std::signbit(v) ? '-' : '+';
    if (std::isnan(v) || std::isinf(v)) {
        body = std::isnan(v) ? "nan" : "inf";
        body.insert(body.begin(), sign);
        if (static_cast<int>(body.size()) < width) {
            body.insert(0, static_cast<size_t>(width) - body.size(), ' ');
        }
        return body;
    }
    if (precision > 64) {
        precision = 64;
    }
    char buf[400]; // 309 integer digits, the point and 64 decimals at most
    std::to_chars_result r =
        std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed, precision);
    body.assign(buf, r.ptr);
    if (static_cast<int>(body.size()) + 1 < width) {
        body.insert(0, static_cast<size_t>(width) - 1 - body.size(), '0');
    }
    body.insert(body.begin(), sign);
    return body;
}

// The scaled value's text: integer part, point and p decimals in 21
// characters; false when the integer part does not fit its width.
bool format_scaled(int64_t v, int precision, char *out, std::string *full) {
    bool negative = v < 0;
    int64_t intPart = v / 10000; // truncated toward zero
    uint64_t mag =
        intPart < 0 ? 0 - static_cast<uint64_t>(intPart) : static_cast<uint64_t>(intPart);
    int64_t rem = v % 10000;
    uint64_t frac = static_cast<uint64_t>(rem < 0 ? -rem : rem);
    int width = precision <= 0 ? 21 : 21 - precision - 1;
    int digits = digit_count(mag);
    if (digits > width - 1) {
        // Too long: report the start of the text that would have been written.
        char buf[32];
        snprintf(buf, sizeof buf, "%c%llu", negative ? '-' : '+',
                 static_cast<unsigned long long>(mag));
        *full = buf;
        return false;
    }
    out[0] = negative ? '-' : '+';
    put_digits(out + 1, mag, width - 1);
    if (precision > 0) {
        uint64_t f = frac;
        for (int i = precision; i < 4; ++i) {
            f /= 10;
        }
        for (int i = 4; i < precision; ++i) {
            f *= 10;
        }
        out[width] = '.';
        put_digits(out + width + 1, f, precision);
    }
    return true;
}

// scanf-like reading of an integer of at most `width` characters after
// skipped blanks: returns the characters consumed (blanks included), 0 when
// nothing matched. The magnitude wraps modulo 2^64.
size_t scan_integer(const char *p, size_t left, int width, bool allowSign, bool *negative,
                    uint64_t *mag) {
    size_t i = 0;
    while (i < left && is_scan_space(p[i])) {
        ++i;
    }
    size_t limit = left - i < static_cast<size_t>(width) ? left - i : static_cast<size_t>(width);
    size_t j = 0;
    *negative = false;
    if (allowSign && j < limit && (p[i] == '+' || p[i] == '-')) {
        *negative = p[i] == '-';
        ++j;
    }
    size_t firstDigit = j;
    uint64_t v = 0;
    while (j < limit && is_digit(p[i + j])) {
        v = v * 10 + static_cast<uint64_t>(p[i + j] - '0');
        ++j;
    }
    if (j == firstDigit) {
        return 0;
    }
    *mag = v;
    return i + j;
}

// The two's-complement value of a signed magnitude, modulo 2^64.
uint64_t signed_bits(bool negative, uint64_t mag) {
    return negative ? 0 - mag : mag;
}

bool match_word(const char *p, size_t limit, const char *word) {
    size_t n = strlen(word);
    if (n > limit) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        char c = p[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

// scanf-like reading of a floating number of at most `width` characters after
// skipped blanks ("%<width>f", "%<width>lf"): returns the characters consumed,
// 0 when nothing matched. Overflow gives an infinity, underflow 0.
template <typename T> size_t scan_float(const char *p, size_t left, int width, T *value) {
    size_t i = 0;
    while (i < left && is_scan_space(p[i])) {
        ++i;
    }
    size_t limit = left - i < static_cast<size_t>(width) ? left - i : static_cast<size_t>(width);
    const char *s = p + i;
    size_t j = 0;
    bool negative = false;
    if (j < limit && (s[j] == '+' || s[j] == '-')) {
        negative = s[j] == '-';
        ++j;
    }
    size_t numStart = j;
    T v = 0;
    if (match_word(s + j, limit - j, "infinity")) {
        j += 8;
        v = static_cast<T>(INFINITY);
    } else if (match_word(s + j, limit - j, "inf")) {
        j += 3;
        v = static_cast<T>(INFINITY);
    } else if (match_word(s + j, limit - j, "nan")) {
        j += 3;
        v = static_cast<T>(NAN);
    } else {
        size_t digits = 0;
        while (j < limit && is_digit(s[j])) {
            ++j;
            ++digits;
        }
        if (j < limit && s[j] == '.') {
            ++j;
            while (j < limit && is_digit(s[j])) {
                ++j;
                ++digits;
            }
        }
        if (digits == 0) {
            return 0;
        }
        bool negativeExponent = false;
        if (j < limit && (s[j] == 'e' || s[j] == 'E')) {
            size_t k = j + 1;
            if (k < limit && (s[k] == '+' || s[k] == '-')) {
                negativeExponent = s[k] == '-';
                ++k;
            }
            if (k < limit && is_digit(s[k])) {
                while (k < limit && is_digit(s[k])) {
                    ++k;
                }
                j = k;
            } else {
                negativeExponent = false;
            }
        }
        std::from_chars_result r =
            std::from_chars(s + numStart, s + j, v, std::chars_format::general);
        if (r.ec == std::errc::result_out_of_range) {
            v = negativeExponent ? static_cast<T>(0) : static_cast<T>(INFINITY);
        } else if (r.ec != std::errc() || r.ptr != s + j) {
            return 0;
        }
    }
    *value = negative ? -v : v;
    return i + j;
}

// Moves the cursor past a field whose text could not be read: the field keeps
// its value and decoding goes on with the next field.
void skip_unreadable(CNV_DECODE_CURSOR *c, int encodeLen) {
    size_t n =
        static_cast<size_t>(encodeLen) < c->nLeft ? static_cast<size_t>(encodeLen) : c->nLeft;
    c->pText += n;
    c->nLeft -= n;
}

void advance(CNV_DECODE_CURSOR *c, size_t n) {
    c->pText += n;
    c->nLeft -= n;
}

// Raises the float/double/scaled overflow: the exception carries 30034.
[[noreturn]] void raise_overflow(const char *typeWord, int encodeLen, const std::string &full,
                                 const CNV_FORMAT_ELEMENT *e, int line) {
    std::string quoted = full.substr(0, static_cast<size_t>(encodeLen));
    char data[256];
    snprintf(data, sizeof data,
             "Type %s - length exceeds %d - _snprintf truncated the value to \"%s\" - copybook "
             "info length %d - precision %d",
             typeWord, encodeLen, quoted.c_str(), e->iCount, e->iPrecision);
    throw new CBlockingSocketException(static_cast<int>(CNV_ERR_OVERFLOW), data, kModule,
                                       "_cnvEncodeElement()", line);
}

} // namespace

// ---- element reader and error logger -------------------------------------------

bool _cnvGetFormatElement(const char **ppszFormat, CNV_FORMAT_ELEMENT *pElement) {
    const char *p = *ppszFormat;
    if (p == nullptr || *p == '\0') {
        return false;
    }
    memset(pElement, 0, sizeof *pElement);
    pElement->iAlignment = 1;
    pElement->cType = *p++;
    if (*p == 'v' || *p == 'w' || *p == 'x' || *p == 'z' || *p == '.') {
        pElement->cModifier = *p++;
    }
    if (is_digit(*p)) {
        pElement->iCount = read_number(&p);
        // A precision follows only a count.
        if (*p == '/' || *p == '.') {
            ++p;
            pElement->iPrecision = read_number(&p);
        }
    }
    TypeClass t = type_class(pElement->cType);
    if (t == T_STRING) {
        pElement->iEncodeLen = pElement->iCount;
        pElement->iSize = pElement->iCount;
    } else if (t == T_OFFSET) {
        pElement->iSize = pElement->iCount;
    } else {
        TypeInfo info = type_info(t);
        pElement->iEncodeLen = info.encodeLen;
        pElement->iSize = info.size;
        pElement->iAlignment = info.alignment;
    }
    *ppszFormat = p;
    return true;
}

long _cnvLogError(long lCode, const char *pszMessage, const char *pszProcedure, int nLine) {
    ERR_RECORD rec;
    memset(&rec, 0, sizeof rec);
    rec.lErrorNumber = static_cast<int32_t>(lCode);
    rec.ulSeverity = 8;
    rec.ulErrorType = 'E';
    snprintf(rec.szErrorData, sizeof rec.szErrorData, "%s", pszMessage);
    snprintf(rec.szModule, sizeof rec.szModule, "%s", kModule);
    snprintf(rec.szProcedure, sizeof rec.szProcedure, "%s", pszProcedure);
    snprintf(rec.szSource, sizeof rec.szSource, "%s", "CNV Log Error");
    rec.ulLineNumber = static_cast<uint32_t>(nLine);
    ERR_LogError(&rec);
    return lCode;
}

// ---- group walks ---------------------------------------------------------------------

int _cnvGetGroupOffset(const char *pszFormat, int iCount, int iDepth, const char **ppszEnd,
                       long *plError) {
    *plError = 0;
    const char *p = pszFormat;
    if (iDepth > CNV_MAX_GROUP_DEPTH) {
        *plError =
            _cnvLogError(CNV_ERR_FORMAT_TYPE, kMsgNestedTooDeeply, "_cnvGetGroupOffset", __LINE__);
        return 0;
    }
    int alignment = 1;
    for (int i = 0; i < iCount; ++i) {
        CNV_FORMAT_ELEMENT e;
        if (!_cnvGetFormatElement(&p, &e)) {
            *plError = _cnvLogError(CNV_ERR_FORMAT_ELEMENT, kMsgMissingInGroup,
                                    "_cnvGetGroupOffset", __LINE__);
            return 0;
        }
        int a = e.iAlignment;
        if (e.cType == 'r') {
            a = _cnvGetGroupOffset(p, e.iCount, iDepth + 1, &p, plError);
            if (a == 0) {
                return 0;
            }
        }
        if (a > alignment) {
            alignment = a;
        }
    }
    if (ppszEnd) {
        *ppszEnd = p;
    }
    return alignment;
}

long long _cnvGetGroupEncodeLen(const char **ppszFormat, int iCount, int iDepth) {
    if (iDepth > CNV_MAX_GROUP_DEPTH) {
        _cnvLogError(CNV_ERR_FORMAT_TYPE, kMsgNestedTooDeeply, "_cnvGetGroupEncodeLen", __LINE__);
        return -1;
    }
    long long total = 0;
    for (int i = 0; i < iCount; ++i) {
        CNV_FORMAT_ELEMENT e;
        if (!_cnvGetFormatElement(ppszFormat, &e)) {
            _cnvLogError(CNV_ERR_FORMAT_ELEMENT, kMsgMissingInGroup, "_cnvGetGroupEncodeLen",
                         __LINE__);
            return -1;
        }
        if (e.cType == 'r') {
            long long len = _cnvGetGroupEncodeLen(ppszFormat, e.iCount, iDepth + 1);
            if (len < 0) {
                return -1;
            }
            total = sat_add(total, sat_mul(len, e.iPrecision));
        } else {
            total = sat_add(total, e.iEncodeLen);
        }
    }
    return total;
}

// ---- encoding --------------------------------------------------------------------------

long _cnvEncodeElement(const CNV_FORMAT_ELEMENT *pElement, const void *pRecord, size_t *pOffset,
                       char **ppOut) {
    const CNV_FORMAT_ELEMENT *e = pElement;
    TypeClass t = type_class(e->cType);
    if (t == T_INVALID || t == T_GROUP || (t == T_SCALED && e->iPrecision > 9)) {
        return _cnvLogError(CNV_ERR_FORMAT_TYPE, kMsgInvalidType, "_cnvEncodeElement", __LINE__);
    }
    if (t == T_OFFSET) {
        *pOffset = static_cast<size_t>(e->iCount);
        return 0;
    }
    *pOffset = align_up(*pOffset, e->iAlignment);
    const unsigned char *field = static_cast<const unsigned char *>(pRecord) + *pOffset;
    char *out = *ppOut;
    switch (t) {
    case T_CHAR:
        out[0] = field[0] == 0 ? kNulFiller : static_cast<char>(field[0]);
        break;
    case T_STRING: {
        const void *nul = memchr(field, 0, static_cast<size_t>(e->iCount));
        size_t n = nul ? static_cast<size_t>(static_cast<const unsigned char *>(nul) - field)
                       : static_cast<size_t>(e->iCount);
        memcpy(out, field, n);
        memset(out + n, kNulFiller, static_cast<size_t>(e->iCount) - n);
        break;
    }
    case T_SHORT: {
        int16_t v;
        memcpy(&v, field, sizeof v);
        out[0] = v < 0 ? '-' : '+';
        put_digits(out + 1, static_cast<uint64_t>(v < 0 ? -static_cast<int>(v) : v), 5);
        break;
    }
    case T_USHORT: {
        uint16_t v;
        memcpy(&v, field, sizeof v);
        put_digits(out, v, 5);
        break;
    }
    case T_LONG: {
        int32_t v;
        memcpy(&v, field, sizeof v);
        out[0] = v < 0 ? '-' : '+';
        put_digits(out + 1, static_cast<uint64_t>(v < 0 ? -static_cast<int64_t>(v) : v), 10);
        break;
    }
    case T_ULONG: {
        uint32_t v;
        memcpy(&v, field, sizeof v);
        put_digits(out, v, 10);
        break;
    }
    case T_FLOAT:
    case T_DOUBLE: {
        double v;
        if (t == T_FLOAT) {
            float f;
            memcpy(&f, field, sizeof f);
            v = f;
        } else {
            memcpy(&v, field, sizeof v);
        }
        std::string text = format_fixed(v, e->iPrecision, e->iEncodeLen);
        size_t n = text.size() < static_cast<size_t>(e->iEncodeLen)
                       ? text.size()
                       : static_cast<size_t>(e->iEncodeLen);
        memcpy(out, text.data(), n);
        if (text.size() > static_cast<size_t>(e->iEncodeLen)) {
            *ppOut = out + n;
            raise_overflow(t == T_FLOAT ? "float" : "double", e->iEncodeLen, text, e, __LINE__);
        }
        break;
    }
    case T_SCALED: {
        int64_t v;
        memcpy(&v, field, sizeof v);
        std::string full;
        if (!format_scaled(v, e->iPrecision, out, &full)) {
            raise_overflow("scaled", e->iEncodeLen, full, e, __LINE__);
        }
        break;
    }
    default:
        break;
    }
    *ppOut = out + e->iEncodeLen;
    *pOffset += static_cast<size_t>(e->iSize);
    return 0;
}

long _cnvEncodeGroup(const void *pRecord, size_t *pOffset, char **ppOut, const char **ppszFormat,
                     int iCount, int iTimes, int iDepth) {
    const char *start = *ppszFormat;
    const char *end = start;
    long lError = 0;
    int alignment = _cnvGetGroupOffset(start, iCount, iDepth, &end, &lError);
    if (alignment == 0) {
        return lError;
    }
    *pOffset = align_up(*pOffset, alignment);
    for (int t = 0; t < iTimes; ++t) {
        const char *p = start;
        size_t offsetBefore = *pOffset;
        const char *outBefore = *ppOut;
        for (int i = 0; i < iCount; ++i) {
            CNV_FORMAT_ELEMENT e;
            if (!_cnvGetFormatElement(&p, &e)) {
                return _cnvLogError(CNV_ERR_FORMAT_ELEMENT, kMsgMissingInGroup, "_cnvEncodeGroup",
                                    __LINE__);
            }
            long rc = e.cType == 'r' ? _cnvEncodeGroup(pRecord, pOffset, ppOut, &p, e.iCount,
                                                       e.iPrecision, iDepth + 1)
                                     : _cnvEncodeElement(&e, pRecord, pOffset, ppOut);
            if (rc != 0) {
                return rc;
            }
        }
        if (iTimes > 1) {
            *pOffset = align_up(*pOffset, alignment);
        }
        // An occurrence that wrote nothing and ended where it began (a group
        // of offsets only) repeats itself exactly: the rest can be skipped.
        if (*ppOut == outBefore && *pOffset == offsetBefore) {
            break;
        }
    }
    *ppszFormat = end;
    return 0;
}

long _cnvEncodeStruct(const void *pRecord, const char *pszFormat, char *pszOut) {
    const char *p = pszFormat;
    size_t offset = 0;
    char *out = pszOut;
    CNV_FORMAT_ELEMENT e;
    while (_cnvGetFormatElement(&p, &e)) {
        long rc = e.cType == 'r'
                      ? _cnvEncodeGroup(pRecord, &offset, &out, &p, e.iCount, e.iPrecision, 1)
                      : _cnvEncodeElement(&e, pRecord, &offset, &out);
        if (rc != 0) {
            return rc;
        }
    }
    *out = '\0';
    return 0;
}

// ---- decoding ------------------------------------------------------------------------------

long _cnvDecodeElement(const CNV_FORMAT_ELEMENT *pElement, void *pRecord, size_t *pOffset,
                       CNV_DECODE_CURSOR *pCursor) {
    const CNV_FORMAT_ELEMENT *e = pElement;
    TypeClass t = type_class(e->cType);
    if (t == T_INVALID || t == T_GROUP || (t == T_SCALED && e->iPrecision > 9)) {
        return _cnvLogError(CNV_ERR_FORMAT_TYPE, kMsgInvalidType, "_cnvDecodeElement", __LINE__);
    }
    if (t == T_OFFSET) {
        *pOffset = static_cast<size_t>(e->iCount);
        return 0;
    }
    *pOffset = align_up(*pOffset, e->iAlignment);
    unsigned char *field = static_cast<unsigned char *>(pRecord) + *pOffset;
    CNV_DECODE_CURSOR *c = pCursor;
    switch (t) {
    case T_CHAR:
        field[0] = c->pText[0] == kNulFiller ? 0 : static_cast<unsigned char>(c->pText[0]);
        advance(c, 1);
        break;
    case T_STRING:
        for (int i = 0; i < e->iCount; ++i) {
            field[i] = c->pText[i] == kNulFiller ? 0 : static_cast<unsigned char>(c->pText[i]);
        }
        advance(c, static_cast<size_t>(e->iCount));
        break;
    case T_SHORT:
    case T_USHORT:
    case T_LONG:
    case T_ULONG: {
        static const int widths[] = {6, 5, 11, 10};
        int width = widths[t - T_SHORT];
        bool negative;
        uint64_t mag = 0;
        size_t n = scan_integer(c->pText, c->nLeft, width, true, &negative, &mag);
        if (n == 0) {
            skip_unreadable(c, e->iEncodeLen);
            break;
        }
        uint64_t bits = signed_bits(negative, mag);
        if (e->iSize == 2) {
            uint16_t v = static_cast<uint16_t>(bits);
            memcpy(field, &v, sizeof v);
        } else {
            uint32_t v = static_cast<uint32_t>(bits);
            memcpy(field, &v, sizeof v);
        }
        advance(c, n);
        break;
    }
    case T_FLOAT: {
        float v;
        size_t n = scan_float(c->pText, c->nLeft, 10, &v);
        if (n == 0) {
            skip_unreadable(c, e->iEncodeLen);
            break;
        }
        memcpy(field, &v, sizeof v);
        advance(c, n);
        break;
    }
    case T_DOUBLE: {
        double v;
        size_t n = scan_float(c->pText, c->nLeft, 18, &v);
        if (n == 0) {
            skip_unreadable(c, e->iEncodeLen);
            break;
        }
        memcpy(field, &v, sizeof v);
        advance(c, n);
        break;
    }
    case T_SCALED: {
        CNV_DECODE_CURSOR start = *c;
        bool negativeField = c->pText[0] == '-';
        bool negative;
        uint64_t mag = 0;
        size_t n = scan_integer(c->pText, c->nLeft, 21, true, &negative, &mag);
        if (n == 0) {
            skip_unreadable(c, e->iEncodeLen);
            break;
        }
        advance(c, n);
        uint64_t value = signed_bits(negative, mag) * 10000u;
        int p = e->iPrecision;
        if (p > 0) {
            if (c->nLeft > 0) {
                advance(c, 1); // the point
            }
            bool fracNegative;
            uint64_t frac = 0;
            size_t m = scan_integer(c->pText, c->nLeft, p, true, &fracNegative, &frac);
            if (m == 0) {
                *c = start;
                skip_unreadable(c, e->iEncodeLen);
                break;
            }
            advance(c, m);
            frac = signed_bits(fracNegative, frac);
            for (int i = p; i < 4; ++i) {
                frac *= 10;
            }
            for (int i = 4; i < p; ++i) {
                frac = static_cast<uint64_t>(static_cast<int64_t>(frac) / 10);
            }
            value = negativeField ? value - frac : value + frac;
        }
        int64_t v = static_cast<int64_t>(value);
        memcpy(field, &v, sizeof v);
        break;
    }
    default:
        break;
    }
    *pOffset += static_cast<size_t>(e->iSize);
    return 0;
}

long _cnvDecodeGroup(void *pRecord, size_t *pOffset, CNV_DECODE_CURSOR *pCursor,
                     const char **ppszFormat, int iCount, int iTimes, int iDepth) {
    const char *start = *ppszFormat;
    const char *end = start;
    long lError = 0;
    int alignment = _cnvGetGroupOffset(start, iCount, iDepth, &end, &lError);
    if (alignment == 0) {
        return lError;
    }
    *pOffset = align_up(*pOffset, alignment);
    for (int t = 0; t < iTimes; ++t) {
        // An answer may carry fewer occurrences than the group allows.
        if (pCursor->nLeft == 0) {
            break;
        }
        const char *p = start;
        size_t offsetBefore = *pOffset;
        size_t leftBefore = pCursor->nLeft;
        for (int i = 0; i < iCount; ++i) {
            CNV_FORMAT_ELEMENT e;
            if (!_cnvGetFormatElement(&p, &e)) {
                return _cnvLogError(CNV_ERR_FORMAT_ELEMENT, kMsgMissingInGroup, "_cnvDecodeGroup",
                                    __LINE__);
            }
            long rc;
            if (e.cType == 'r') {
                rc = _cnvDecodeGroup(pRecord, pOffset, pCursor, &p, e.iCount, e.iPrecision,
                                     iDepth + 1);
            } else if (pCursor->nLeft < static_cast<size_t>(e.iEncodeLen)) {
                rc = _cnvLogError(CNV_ERR_SHORT_TEXT, kMsgNotEnoughForGroup, "_cnvDecodeGroup",
                                  __LINE__);
            } else {
                rc = _cnvDecodeElement(&e, pRecord, pOffset, pCursor);
            }
            if (rc != 0) {
                return rc;
            }
        }
        if (iTimes > 1) {
            *pOffset = align_up(*pOffset, alignment);
        }
        // An occurrence that read nothing and ended where it began repeats
        // itself exactly: the rest can be skipped.
        if (pCursor->nLeft == leftBefore && *pOffset == offsetBefore) {
            break;
        }
    }
    *ppszFormat = end;
    return 0;
}

long _cnvDecodeStruct(void *pRecord, const char *pszFormat, const char *pszEncoded) {
    if (pszEncoded == nullptr || *pszEncoded == '\0') {
        return 0;
    }
    CNV_DECODE_CURSOR cursor = {pszEncoded, strlen(pszEncoded)};
    const char *p = pszFormat;
    size_t offset = 0;
    CNV_FORMAT_ELEMENT e;
    while (_cnvGetFormatElement(&p, &e)) {
        long rc;
        if (e.cType == 'r') {
            rc = _cnvDecodeGroup(pRecord, &offset, &cursor, &p, e.iCount, e.iPrecision, 1);
        } else if (cursor.nLeft < static_cast<size_t>(e.iEncodeLen)) {
            rc = _cnvLogError(CNV_ERR_SHORT_TEXT, kMsgNotEnoughForElement, "_cnvDecodeStruct",
                              __LINE__);
        } else {
            rc = _cnvDecodeElement(&e, pRecord, &offset, &cursor);
        }
        if (rc != 0) {
            return rc;
        }
        if (cursor.nLeft == 0) {
            return 0;
        }
    }
    return _cnvLogError(CNV_ERR_FORMAT_ELEMENT, kMsgNoMoreElements, "_cnvDecodeStruct", __LINE__);
}

// ---- structure size ------------------------------------------------------------------

namespace {

struct LayoutWalk {
    size_t limit;
    unsigned char *mask;
    size_t extent = 0;
    bool tooLarge = false;
    bool stopped = false; // a format error, or too large

    void field(size_t offset, int size) {
        if (size <= 0) {
            return;
        }
        if (offset > limit || static_cast<size_t>(size) > limit - offset) {
            tooLarge = stopped = true;
            return;
        }
        size_t end = offset + static_cast<size_t>(size);
        if (end > extent) {
            extent = end;
        }
        if (mask) {
            memset(mask + offset, 1, static_cast<size_t>(size));
        }
    }

    void element(const CNV_FORMAT_ELEMENT &e, size_t *offset) {
        TypeClass t = type_class(e.cType);
        if (t == T_INVALID || (t == T_SCALED && e.iPrecision > 9)) {
            stopped = true;
        } else if (t == T_OFFSET) {
            *offset = static_cast<size_t>(e.iCount);
        } else {
            *offset = align_up(*offset, e.iAlignment);
            field(*offset, e.iSize);
            *offset += static_cast<size_t>(e.iSize);
        }
    }

    void group(const char **pp, int count, int times, int depth, size_t *offset) {
        const char *start = *pp;
        const char *end = start;
        long lError = 0;
        int alignment = _cnvGetGroupOffset(start, count, depth, &end, &lError);
        if (alignment == 0) {
            stopped = true;
            return;
        }
        *offset = align_up(*offset, alignment);
        for (int t = 0; t < times && !stopped; ++t) {
            const char *p = start;
            size_t before = *offset;
            for (int i = 0; i < count && !stopped; ++i) {
                CNV_FORMAT_ELEMENT e;
                _cnvGetFormatElement(&p, &e);
                if (e.cType == 'r') {
                    group(&p, e.iCount, e.iPrecision, depth + 1, offset);
                } else {
                    element(e, offset);
                }
            }
            if (times > 1) {
                *offset = align_up(*offset, alignment);
            }
            if (*offset > limit) {
                tooLarge = stopped = true;
            }
            // Each occurrence depends only on the offset it starts at.
            if (*offset == before) {
                break;
            }
        }
        *pp = end;
    }
};

} // namespace

size_t _cnvGetStructSize(const char *pszFormat, size_t nLimit, unsigned char *pFieldMask) {
    LayoutWalk walk{nLimit, pFieldMask};
    if (pFieldMask) {
        memset(pFieldMask, 0, nLimit);
    }
    const char *p = pszFormat;
    size_t offset = 0;
    CNV_FORMAT_ELEMENT e;
    while (!walk.stopped && _cnvGetFormatElement(&p, &e)) {
        if (e.cType == 'r') {
            walk.group(&p, e.iCount, e.iPrecision, 1, &offset);
        } else {
            walk.element(e, &offset);
        }
    }
    return walk.tooLarge ? static_cast<size_t>(-1) : walk.extent;
}

// ---- EBCDIC tables -----------------------------------------------------------------------

namespace {

struct Tables {
    unsigned char toEbcdic[256];
    unsigned char toAscii[256];
};

constexpr unsigned char kAsciiToEbcdicLow[128] = {
    0x00, 0x01, 0x02, 0x03, 0x37, 0x2D, 0x2E, 0x2F, 0x16, 0x05, 0x25, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x3C, 0x3D, 0x32, 0x26, 0x18, 0x19, 0x3F, 0x27, 0x22, 0x1D, 0x35, 0x1F,
    0x40, 0x5A, 0x7F, 0x7B, 0x5B, 0x6C, 0x50, 0x7D, 0x4D, 0x5D, 0x5C, 0x4E, 0x6B, 0x60, 0x4B, 0x61,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x5E, 0x4C, 0x7E, 0x6E, 0x6F,
    0x7C, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
    0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xAD, 0xE0, 0xBD, 0x5F, 0x6D,
    0x79, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96,
    0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xC0, 0x6A, 0xD0, 0xA1, 0x07};

// ASCII 0x80 to 0xFF and EBCDIC bytes that no ASCII byte maps to become
// 0xFF; EBCDIC 0x00 becomes a blank.
constexpr Tables make_tables() {
    Tables t{};
    for (int i = 0; i < 256; ++i) {
        t.toEbcdic[i] = 0xFF;
        t.toAscii[i] = 0xFF;
    }
    for (int i = 0; i < 128; ++i) {
        t.toEbcdic[i] = kAsciiToEbcdicLow[i];
        t.toAscii[kAsciiToEbcdicLow[i]] = static_cast<unsigned char>(i);
    }
    t.toAscii[0x00] = 0x20;
    return t;
}

constexpr Tables kTables = make_tables();

} // namespace

const unsigned char *_cnvAsciiToEbcdicTable() {
    return kTables.toEbcdic;
}
const unsigned char *_cnvEbcdicToAsciiTable() {
    return kTables.toAscii;
}

// ---- exports ---------------------------------------------------------------------------------

extern "C" {

QM32_API long QM32_CALL CNV_EncodeStruct(const void *pRecord, const char *pszFormat, char *pszOut) {
    // No exception crosses the C interface: an overflow is logged and returned.
    try {
        return _cnvEncodeStruct(pRecord, pszFormat, pszOut);
    } catch (CBlockingSocketException *e) {
        long lError = e->GetErrorNumber();
        e->LogError();
        delete e;
        return lError;
    } catch (...) {
        return CNV_ERR_OVERFLOW; // the overflow's report itself could not be built
    }
}

QM32_API long QM32_CALL CNV_DecodeStruct(void *pRecord, const char *pszFormat,
                                         const char *pszEncoded) {
    return _cnvDecodeStruct(pRecord, pszFormat, pszEncoded);
}

QM32_API int QM32_CALL CNV_GetEncodeStringLen(const char *pszFormat) {
    const char *p = pszFormat;
    long long total = 0;
    CNV_FORMAT_ELEMENT e;
    while (_cnvGetFormatElement(&p, &e)) {
        if (e.cType == 'r') {
            long long len = _cnvGetGroupEncodeLen(&p, e.iCount, 1);
            if (len < 0) {
                return 0;
            }
            total = sat_add(total, sat_mul(len, e.iPrecision));
        } else {
            total = sat_add(total, e.iEncodeLen);
        }
        if (total > CNV_LENGTH_LIMIT) {
            return 0; // the text would not fit an int with its terminator
        }
    }
    return static_cast<int>(total);
}

QM32_API unsigned char *QM32_CALL CNV_ConvertASCIIToEBCDIC(unsigned char *pBuffer, int iLength) {
    for (int i = 0; pBuffer != nullptr && i < iLength; ++i) {
        pBuffer[i] = kTables.toEbcdic[pBuffer[i]];
    }
    return pBuffer;
}

QM32_API unsigned char *QM32_CALL CNV_ConvertEBCDICToASCII(unsigned char *pBuffer, int iLength) {
    for (int i = 0; pBuffer != nullptr && i < iLength; ++i) {
        pBuffer[i] = kTables.toAscii[pBuffer[i]];
    }
    return pBuffer;
}

QM32_API long QM32_CALL CNV_Test(long, long, long) {
    return 0;
}

} // extern "C"
