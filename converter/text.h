// Bounded copies into fixed-width texts (char arrays with their capacity).
#pragma once

#include <cstddef>

// Copies src into dst (capacity `size`, NUL included), cutting it to size - 1 bytes; returns
// the number of bytes copied. Never writes past dst.
size_t text_copy(char *dst, size_t size, const char *src);
// Appends src to the NUL-terminated text in dst (capacity `size`), cutting at size - 1.
size_t text_append(char *dst, size_t size, const char *src);
