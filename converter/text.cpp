// Bounded copies into fixed-width texts.
#include "text.h"

#include <cstring>

size_t text_copy(char *dst, size_t size, const char *src) {
    if (size == 0)
        return 0;
    size_t n = strnlen(src, size - 1);
    memmove(dst, src, n);
    dst[n] = '\0';
    return n;
}

size_t text_append(char *dst, size_t size, const char *src) {
    if (size == 0)
        return 0;
    size_t have = strnlen(dst, size - 1);
    return text_copy(dst + have, size - have, src);
}
