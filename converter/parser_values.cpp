// Semantic values of the converter's parser: yylval and yyval, and the helpers
// that write a value without ever passing its 10000-byte capacity (texts longer than 9,999
// characters are cut there; shorter ones are copied unchanged).
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "parser.h"

char yylval[YYVALSIZE];
char yyval[YYVALSIZE];
bool val_cut = false;

void set_yylval(const char *text, size_t len) {
    if (len > static_cast<size_t>(YYVALMAX))
        len = YYVALMAX;
    memmove(yylval, text, len);
    yylval[len] = '\0';
}

size_t val_set(char *dst, const char *src) {
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

// True when fmt holds no conversion but "%s" and "%%": the formats nearly every action uses,
// which format_plain handles without the general formatter.
static bool plain_format(const char *fmt) {
    for (const char *p = strchr(fmt, '%'); p != nullptr; p = strchr(p + 2, '%')) {
        if (p[1] != 's' && p[1] != '%')
            return false;
    }
    return true;
}

// Formats a plain format (see plain_format) into out (YYVALSIZE bytes): the same text as
// vsnprintf, cut at YYVALMAX; returns the uncut length as vsnprintf does, up to the cut.
static size_t format_plain(char *out, const char *fmt, va_list ap) {
    size_t len = 0;
    const char *p = fmt;
    while (*p != '\0') {
        const char *piece = p;
        size_t n;
        if (*p != '%') {
            const char *next = strchr(p, '%');
            n = next != nullptr ? static_cast<size_t>(next - p) : strlen(p);
            p += n;
        } else if (p[1] == '%') {
            n = 1;
            p += 2;
        } else {
            piece = va_arg(ap, const char *);
            if (piece == nullptr)
                piece = "(null)";
            n = strnlen(piece, YYVALSIZE - len);
            p += 2;
        }
        if (n > YYVALMAX - len) {
            n = YYVALMAX - len;
            val_cut = true;
        }
        memcpy(out + len, piece, n);
        len += n;
    }
    out[len] = '\0';
    return len;
}

// Formats into a scratch buffer first, so arguments may be the destination itself.
static size_t val_vformat(char *dst, size_t have, const char *fmt, va_list ap) {
    static char scratch[YYVALSIZE];
    size_t len;
    if (plain_format(fmt)) {
        len = format_plain(scratch, fmt, ap);
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
