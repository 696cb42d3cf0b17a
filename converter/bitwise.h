// Bitwise operators of the source that the target has no operator for: OR, exclusive OR and
// NOT written as arithmetic over BITAND.
#pragma once

// `dst` is a value buffer of YYVALSIZE bytes (parser.h).
// Rule 408: "a | b" as "(a + b - BITAND(a, b))".
void xpr_bit_or(char *dst, const char *left, const char *right);
// Rule 409: "a ^ b" as "(a + b - 2 * BITAND(a, b))".
void xpr_bit_xor(char *dst, const char *left, const char *right);
// Unary "~a" as "(-(a) - 1)".
void xpr_bit_not(char *dst, const char *operand);
