// Source input: the bytes the scanner reads from the source file. A source that begins with a
// UTF-16 byte-order mark is handed on as its text in UTF-8; a NUL byte in the text, or a read
// error, stops the run with a message naming the file (and the line of the NUL byte).
#pragma once

#include <cstddef>
#include <cstdio>

// Forgets the previous source: the next source_read starts a new file (byte-order mark test,
// line count 1).
void source_reset();

// Reads up to `max` bytes of the source text from `in` into `buf`; returns 0 at the end of the
// source. A NUL byte or a read error stops the run (kestra_refuse_source, status 1).
size_t source_read(FILE *in, char *buf, size_t max);
