// Semantic values of the converter's parser: yylval and yyval, and the helpers
// that write a value without ever passing its 10000-byte capacity (texts longer than 9,999
// characters are cut there; shorter ones are copied unchanged).
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "parser.h"

static char yylval_first[YYVALSIZE];
char *yylval = yylval_first;
bool val_cut = false;

size_t val_set_text(char *dst, const char *src) {
    if (src[0] == '\0') { // a value that is empty
        dst[0] = '\0';
        return 0;
    }
    size_t len = strnlen(src, YYVALSIZE);
    if (len > static_cast<size_t>(YYVALMAX)) {
        len = YYVALMAX;
        val_cut = true;
    }
    memmove(dst, src, len);
    dst[len] = '\0';
    return len;
}

size_t val_cat(char *dst, const char *src) {
    size_t have = strnlen(dst, YYVALMAX);
    size_t len = strnlen(src, YYVALSIZE - have);
    if (len > static_cast<size_t>(YYVALMAX) - have) {
        len = YYVALMAX - have;
        val_cut = true;
    }
    memmove(dst + have, src, len);
    dst[have + len] = '\0';
    return have + len;
}

namespace {

// One piece of a formatted value: constant text of the format or a "%s" argument.
struct piece {
    const char *text;
    size_t len;
};
constexpr int MAX_PIECES = 32;

// Splits fmt into pieces when it holds no conversion but "%s" and "%%" (the formats nearly every
// action uses); false for any other format or one of more than MAX_PIECES pieces. An argument is
// read up to the capacity of a value only.
bool plain_pieces(const char *fmt, va_list ap, piece *out, int &count) {
    count = 0;
    const char *p = fmt;
    while (*p != '\0') {
        if (count == MAX_PIECES)
            return false;
        if (*p != '%') {
            // The constant texts between conversions are a few characters: read in place.
            const char *next = p + 1;
            while (*next != '\0' && *next != '%')
                next++;
            out[count++] = {p, static_cast<size_t>(next - p)};
            p = next;
        } else if (p[1] == '%') {
            out[count++] = {p, 1};
            p += 2;
        } else if (p[1] == 's') {
            const char *arg = va_arg(ap, const char *);
            if (arg == nullptr)
                arg = "(null)";
            out[count++] = {arg, strnlen(arg, YYVALSIZE)};
            p += 2;
        } else {
            return false;
        }
    }
    return true;
}

// Whether the text at p lies in the value buffer dst.
bool inside(const char *p, const char *dst) {
    const auto at = reinterpret_cast<uintptr_t>(p), start = reinterpret_cast<uintptr_t>(dst);
    return at >= start && at - start < static_cast<uintptr_t>(YYVALSIZE);
}

// Appends the pieces at out + len, cut at YYVALMAX; returns the new length.
size_t put_pieces(char *out, size_t len, const piece *pieces, int count) {
    for (int i = 0; i < count; i++) {
        size_t n = pieces[i].len;
        if (n > YYVALMAX - len) {
            n = YYVALMAX - len;
            val_cut = true;
        }
        memcpy(out + len, pieces[i].text, n);
        len += n;
    }
    out[len] = '\0';
    return len;
}

// Formats after the first `have` characters of dst. A plain format whose arguments lie outside
// dst is written in place; one that starts with dst's own text (val_printf($$, "%s, %s", $$,
// $3)) keeps that text where it is; any other overlap goes through a scratch buffer, so
// arguments may be the destination itself.
size_t val_vformat(char *dst, size_t have, const char *fmt, va_list ap) {
    static char scratch[YYVALSIZE];
    piece pieces[MAX_PIECES];
    int count = 0;
    va_list args;
    va_copy(args, ap);
    const bool plain = plain_pieces(fmt, args, pieces, count);
    va_end(args);
    size_t len;
    if (plain) {
        int first = 0;
        if (have == 0 && count > 0 && pieces[0].text == dst) {
            have = pieces[0].len > YYVALMAX ? YYVALMAX : pieces[0].len;
            first = 1;
        }
        bool overlap = false;
        for (int i = first; i < count; i++)
            overlap = overlap || inside(pieces[i].text, dst);
        if (!overlap)
            return put_pieces(dst, have, pieces + first, count - first);
        len = put_pieces(scratch, 0, pieces + first, count - first);
    } else {
        int n = vsnprintf(scratch, sizeof scratch, fmt, ap);
        len = n < 0 ? 0 : static_cast<size_t>(n);
    }
    if (len > static_cast<size_t>(YYVALMAX) - have) {
        len = YYVALMAX - have;
        val_cut = true;
    }
    memcpy(dst + have, scratch, len);
    dst[have + len] = '\0';
    return have + len;
}

} // namespace

size_t val_printf(char *dst, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    size_t len = val_vformat(dst, 0, fmt, ap);
    va_end(ap);
    return len;
}

size_t val_catf(char *dst, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    size_t len = val_vformat(dst, strnlen(dst, YYVALMAX), fmt, ap);
    va_end(ap);
    return len;
}

size_t val_concat_parts(char *dst, const std::string_view *parts, size_t count) {
    const auto start = reinterpret_cast<uintptr_t>(dst);
    bool overlap = false;
    for (size_t i = 0; i < count; i++)
        overlap = overlap || reinterpret_cast<uintptr_t>(parts[i].data()) - start <
                                 static_cast<uintptr_t>(YYVALSIZE);
    if (overlap) {
        // A text lies in dst: the texts are joined elsewhere first.
        static std::string joined; // kept from call to call: its storage is reused
        joined.clear();
        for (size_t i = 0; i < count; i++)
            joined.append(parts[i].data(), parts[i].size());
        std::string_view whole(joined);
        return val_concat_parts(dst, &whole, 1);
    }
    size_t len = 0;
    for (size_t i = 0; i < count; i++) {
        size_t n = parts[i].size();
        if (n > static_cast<size_t>(YYVALMAX) - len) {
            n = static_cast<size_t>(YYVALMAX) - len;
            val_cut = true;
        }
        if (n > 0)
            memcpy(dst + len, parts[i].data(), n);
        len += n;
    }
    dst[len] = '\0';
    return len;
}

size_t val_text(char *dst, const char *a, const char *b) {
    return val_concat(dst, a, b);
}

size_t val_text(char *dst, const char *a, const char *b, const char *c) {
    return val_concat(dst, a, b, c);
}

size_t val_text(char *dst, const char *a, const char *b, const char *c, const char *d) {
    return val_concat(dst, a, b, c, d);
}
