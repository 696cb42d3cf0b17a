// Source input: plain bytes as they are, or UTF-16 (either byte order, recognised by its
// byte-order mark) converted to UTF-8, with the NUL-byte and read-error stops. Either way the
// source is read as a text file: every CR LF line end becomes LF (a CR elsewhere stays). Memory
// stays bounded by one read block whatever the length of the source.
#include "source.h"

#include "convstate.h"
#include "output.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

enum class encoding { unknown, bytes, utf16le, utf16be };

encoding enc = encoding::unknown;
long source_line = 1; // the line of the next byte handed to the scanner

// UTF-16 decoding: raw bytes not yet decoded (an odd byte, or the bytes after the mark of the
// first block), a high surrogate waiting for its low half, and decoded text not yet handed on.
constexpr size_t RAW_BLOCK = 8192;
unsigned char raw[RAW_BLOCK];
size_t raw_len = 0;
uint32_t high = 0;
char text[RAW_BLOCK / 2 * 3 + 8]; // every 2 bytes give at most 3 (4 bytes at most 4)
size_t text_len = 0, text_pos = 0;
bool raw_end = false;
// A CR that ended the text handed out so far: dropped if the next text begins with LF.
bool held_cr = false;

// fread that retries an interrupted read; a read error stops the run.
size_t read_block(FILE *in, void *buf, size_t max) {
    for (;;) {
        errno = 0;
        size_t n = fread(buf, 1, max, in);
        if (n > 0 || !ferror(in))
            return n;
        if (errno != EINTR) {
            const int error = errno;
            fprintf(stderr, "kestra: cannot read %s: %s\n",
                    iFname[0] != '\0' ? iFname : "the input", strerror(error != 0 ? error : EIO));
            kestra_refuse_source();
        }
        clearerr(in);
    }
}

void put_utf8(uint32_t cp) {
    char *p = text + text_len;
    if (cp < 0x80) {
        p[0] = static_cast<char>(cp);
        text_len += 1;
    } else if (cp < 0x800) {
        p[0] = static_cast<char>(0xC0 | (cp >> 6));
        p[1] = static_cast<char>(0x80 | (cp & 0x3F));
        text_len += 2;
    } else if (cp < 0x10000) {
        p[0] = static_cast<char>(0xE0 | (cp >> 12));
        p[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        p[2] = static_cast<char>(0x80 | (cp & 0x3F));
        text_len += 3;
    } else {
        p[0] = static_cast<char>(0xF0 | (cp >> 18));
        p[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        p[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        p[3] = static_cast<char>(0x80 | (cp & 0x3F));
        text_len += 4;
    }
}

constexpr uint32_t REPLACEMENT = 0xFFFD; // a lone surrogate or a final odd byte

// Decodes the whole UTF-16 units of raw[] into text[] (which is empty), keeping an odd byte.
void decode_utf16() {
    size_t i = 0;
    for (; i + 1 < raw_len; i += 2) {
        const uint32_t u = enc == encoding::utf16le
                               ? static_cast<uint32_t>(raw[i] | (raw[i + 1] << 8))
                               : static_cast<uint32_t>((raw[i] << 8) | raw[i + 1]);
        if (high != 0) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                put_utf8(0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00));
                high = 0;
                continue;
            }
            put_utf8(REPLACEMENT);
            high = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            high = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            put_utf8(REPLACEMENT);
        else
            put_utf8(u);
    }
    raw_len -= i;
    if (raw_len > 0)
        raw[0] = raw[i];
}

// Next decoded text of a UTF-16 source into text[]; leaves text[] empty at its end.
void fill_utf16(FILE *in) {
    text_len = text_pos = 0;
    while (text_len == 0 && !raw_end) {
        const size_t n = read_block(in, raw + raw_len, sizeof raw - raw_len);
        if (n == 0) {
            raw_end = true;
            if (high != 0 || raw_len > 0)
                put_utf8(REPLACEMENT);
            high = 0;
            raw_len = 0;
            break;
        }
        raw_len += n;
        decode_utf16();
    }
}

// Folds every CR LF of text[text_pos, text_len) into LF, in place, with a CR held from the
// previous text in front; a CR at the end is held for the next text (`last`: there is none).
void fold_line_ends(bool last) {
    size_t out = text_pos;
    if (held_cr) {
        held_cr = false;
        if (text_pos == text_len || text[text_pos] != '\n') {
            // The held CR stands alone: it goes back in front of this text.
            memmove(text + text_pos + 1, text + text_pos, text_len - text_pos);
            text[text_pos] = '\r';
            text_len++;
        }
    }
    // The runs between CRs move as blocks (not at all before the first dropped CR).
    size_t i = text_pos;
    while (i < text_len) {
        const void *cr = memchr(text + i, '\r', text_len - i);
        const size_t stop =
            cr != nullptr ? static_cast<size_t>(static_cast<const char *>(cr) - text) : text_len;
        if (out != i)
            memmove(text + out, text + i, stop - i);
        out += stop - i;
        i = stop;
        if (i == text_len)
            break;
        if (i + 1 == text_len && !last) {
            held_cr = true;
            break;
        }
        if (i + 1 < text_len && text[i + 1] == '\n') {
            i++; // the CR of a CR LF is dropped
            continue;
        }
        text[out++] = text[i++];
    }
    text_len = out;
}

// Number of LF bytes in [p, end): eight bytes at a time (a byte of w ^ LF-pattern is zero
// exactly where w holds an LF; `tops` has the top bit of exactly those bytes set, and the
// multiplication adds the eight 0/1 bytes into the top byte).
// With SSE2, sixteen bytes at a time first: each byte counter of `acc` counts the LFs of its
// column (a compare gives -1 per LF, subtracted), for at most 255 blocks before the sixteen
// counters are summed.
long count_line_ends(const char *p, const char *end) {
    constexpr uint64_t ones7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr uint64_t lf = 0x0A0A0A0A0A0A0A0Aull;
    long n = 0;
#if defined(__SSE2__)
    const __m128i lfs = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        __m128i acc = _mm_setzero_si128();
        for (int blocks = 0; blocks < 255 && end - p >= 16; blocks++, p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(v, lfs));
        }
        const __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
        n += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    }
#endif
    for (; end - p >= 8; p += 8) {
        uint64_t w;
        memcpy(&w, p, 8);
        const uint64_t x = w ^ lf;
        const uint64_t tops = ~(((x & ones7) + ones7) | x | ones7);
        n += static_cast<long>(((tops >> 7) * 0x0101010101010101ull) >> 56);
    }
    for (; p < end; p++)
        n += *p == '\n';
    return n;
}

// The text handed to the scanner: a NUL byte stops the run, naming its line.
void check_text(const char *buf, size_t n) {
    const char *nul = static_cast<const char *>(memchr(buf, '\0', n));
    const char *end = nul != nullptr ? nul : buf + n;
    source_line += count_line_ends(buf, end);
    if (nul == nullptr)
        return;
    fprintf(stderr,
            "kestra: %s holds a NUL byte at line %ld; is it a UTF-16 file without byte-order "
            "mark?\n",
            iFname[0] != '\0' ? iFname : "the input", source_line);
    kestra_refuse_source();
}

} // namespace

void source_reset() {
    enc = encoding::unknown;
    source_line = 1;
    raw_len = text_len = text_pos = 0;
    high = 0;
    raw_end = false;
    held_cr = false;
}

size_t source_read(FILE *in, char *buf, size_t max) {
    if (max == 0)
        return 0;
    if (enc == encoding::unknown) {
        // The first block: a byte-order mark FF FE or FE FF makes it UTF-16.
        raw_len = read_block(in, raw, sizeof raw);
        enc = encoding::bytes;
        if (raw_len >= 2 && raw[0] == 0xFF && raw[1] == 0xFE)
            enc = encoding::utf16le;
        else if (raw_len >= 2 && raw[0] == 0xFE && raw[1] == 0xFF)
            enc = encoding::utf16be;
        if (enc != encoding::bytes) {
            raw_len -= 2;
            memmove(raw, raw + 2, raw_len);
            decode_utf16();
        } else {
            // Plain bytes: the first block is handed on as it is.
            memcpy(text, raw, raw_len);
            text_len = raw_len;
            raw_len = 0;
        }
    }
    // The next text, its line ends folded; a text that was only a held CR is followed by more.
    bool first = text_pos == 0 && text_len > 0;
    while (text_pos == text_len || first) {
        if (!first) {
            if (enc == encoding::bytes) {
                text_pos = 0;
                text_len = read_block(in, text, RAW_BLOCK);
            } else {
                fill_utf16(in);
            }
        }
        first = false;
        const bool last = text_len == 0;
        fold_line_ends(last);
        if (text_pos < text_len || last)
            break;
    }
    const size_t n = std::min(max, text_len - text_pos);
    memcpy(buf, text + text_pos, n);
    text_pos += n;
    check_text(buf, n);
    return n;
}
