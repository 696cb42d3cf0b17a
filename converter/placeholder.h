// Message placeholders: a string literal with numbered placeholders ("%1!", "%12") turned
// into a concatenation of quoted stretches and arguments joined by "||" (RAISERROR and PRINT
// texts, string literals of expressions).
#pragma once

// Converts `text` (a literal, possibly followed by "," and arguments). The result lives in a
// static buffer that the next call overwrites; copy it before calling again. A text that does
// not begin with a single quote comes back unchanged; a "%" followed by neither a digit nor
// "%" reports "Error In Print Format" on standard error and hands back the input unchanged.
// The result grows with the text; it is cut at 9,999 characters, the capacity of a value.
const char *ProcessPlaceholder(const char *text);
