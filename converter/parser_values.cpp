// Semantic values of the converter's parser: yylval and yyval, and the helpers
// that write a value without ever passing its 10000-byte capacity (texts longer than 9,999
// characters are cut there; shorter ones are copied unchanged).
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "parser.h"

char yylval[YYVALSIZE];
char yyval[YYVALSIZE];

void set_yylval(const char *text, size_t len) {
    if (len > static_cast<size_t>(YYVALMAX))
        len = YYVALMAX;
    memmove(yylval, text, len);
    yylval[len] = '\0';
}

size_t val_set(char *dst, const char *src) {
    size_t len = strnlen(src, YYVALMAX);
    memmove(dst, src, len);
    dst[len] = '\0';
    return len;
}

size_t val_cat(char *dst, const char *src) {
    size_t have = strnlen(dst, YYVALMAX);
    size_t len = strnlen(src, YYVALMAX - have);
    memmove(dst + have, src, len);
    dst[have + len] = '\0';
    return have + len;
}

// Formats into a scratch buffer first, so arguments may be the destination itself.
static size_t val_vformat(char *dst, size_t have, const char *fmt, va_list ap) {
    static char scratch[YYVALSIZE];
    int n = vsnprintf(scratch, sizeof scratch, fmt, ap);
    size_t len = n < 0 ? 0 : static_cast<size_t>(n);
    if (len > static_cast<size_t>(YYVALMAX) - have)
        len = YYVALMAX - have;
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
