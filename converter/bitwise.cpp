// Bitwise operators of the source that the target has no operator for: OR, exclusive OR and
// NOT written as arithmetic over BITAND. The right operand loses its at signs as with every
// binary operator; both operands appear twice, so both texts are written as received.
#include "bitwise.h"

#include "builtins.h"
#include "output.h"
#include "parser.h"

#include <string>

void xpr_bit_or(char *dst, const char *left, const char *right) {
    const std::string l = str(left), r = remove_at_signs(str(right));
    val_printf(dst, "(%s + %s - BITAND(%s, %s))", l.c_str(), r.c_str(), l.c_str(), r.c_str());
}

void xpr_bit_xor(char *dst, const char *left, const char *right) {
    const std::string l = str(left), r = remove_at_signs(str(right));
    val_printf(dst, "(%s + %s - 2 * BITAND(%s, %s))", l.c_str(), r.c_str(), l.c_str(), r.c_str());
}

void xpr_bit_not(char *dst, const char *operand) {
    val_printf(dst, "(-(%s) - 1)", str(operand).c_str());
}
