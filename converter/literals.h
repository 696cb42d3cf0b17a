// Literals beyond the decimal and quoted ones: hexadecimal literals (0xFF, 0x010100A1) and
// national literals (N'...'). A hexadecimal literal is a number (its decimal value) in
// arithmetic and bitwise expressions; assigned to or compared with a binary variable or
// column it is a byte string, HEXTORAW('...').
#pragma once

#include <cstddef>
#include <string>

// The scanner read a hexadecimal literal: its digits (n of them, without "0x") and the decimal
// text it returned as the INTNUM value.
void lit_hex_scanned(const char *digits, size_t n, const char *decimal);
// Rule 474: an integer literal (`dst` holds its text): which_literal INTNUM; remembers whether it
// was written in hexadecimal, for lit_for_target.
void lit_integer(char *dst);
// Rule 475: an approximate numeric literal: which_literal APPROXNUM.
void lit_approximate();
// A national literal N'...' stays one (doubled quotes kept); it counts as a string literal.
void lit_national(char *dst, const char *text);
// The value to assign to or compare with `target` (a variable, with or without its at sign or
// unit prefix, or a column, with or without a qualifier): HEXTORAW('digits') when `value` is
// the hexadecimal literal just read and `target` is a variable declared binary in this unit or
// a column of a binary type in a CREATE TABLE of this unit; otherwise `value` itself.
std::string lit_for_target(const char *target, const char *value);
// Whether lit_for_target may answer anything but `value` itself: the integer literal reduced
// last was a hexadecimal one not yet taken (a caller reads the value in place otherwise).
bool lit_hex_pending();
// Rule 365: a comparison of a search condition, "%s %s %s", the right side through
// lit_for_target.
void lit_compare(char *dst, const char *left, const char *op, const char *right);
// A column of CREATE TABLE with its target type: a binary one (RAW) is remembered for the unit.
void lit_column_type(const char *column, const char *type);
