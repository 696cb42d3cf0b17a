// Hexadecimal and national literals (literals.h).
#include "literals.h"

#include "convstate.h"
#include "parser.h"

#include <cstring>
#include <set>
#include <strings.h>

namespace {

// The hexadecimal literal the scanner read last.
std::string scanned_digits, scanned_decimal;
// The integer literal reduced last was that hexadecimal literal.
bool hex_pending = false;
std::string pending_digits, pending_decimal;

// Binary columns of CREATE TABLE, for the unit named `columns_unit`.
std::string columns_unit;
std::set<std::string> binary_columns;

std::string upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

// The bare name: without an at sign and without any qualifier or unit prefix.
std::string bare_name(const char *target) {
    std::string t = target == nullptr ? std::string() : std::string(target);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.pop_back();
    const size_t dot = t.rfind('.');
    if (dot != std::string::npos)
        t.erase(0, dot + 1);
    if (!t.empty() && t[0] == '@')
        t.erase(0, 1);
    return t;
}

bool binary_variable(const std::string &name) {
    for (int i = 0; i < declare_no && i < DECLARE_LIST_MAX; i++)
        if (strcasecmp(declare_list[i].name, name.c_str()) == 0)
            return strncmp(declare_list[i].base_type, "RAW", 3) == 0;
    return false;
}

bool binary_column(const std::string &name) {
    return columns_unit == proc_name && binary_columns.count(upper(name)) != 0;
}

} // namespace

void lit_hex_scanned(const char *digits, size_t n, const char *decimal) {
    scanned_digits.assign(digits, n);
    scanned_decimal = decimal;
}

void lit_integer(char *dst) {
    which_literal = INTNUM;
    hex_pending = !scanned_decimal.empty() && scanned_decimal == dst;
    if (hex_pending) {
        pending_digits = upper(scanned_digits);
        pending_decimal = scanned_decimal;
    }
    scanned_decimal.clear();
}

void lit_approximate() {
    which_literal = APPROXNUM;
}

void lit_national(char *dst, const char *text) {
    val_set(dst, text);
    which_literal = STRING;
}

bool lit_hex_pending() {
    return hex_pending;
}

std::string lit_for_target(const char *target, const char *value) {
    std::string v = value == nullptr ? std::string() : std::string(value);
    if (!hex_pending || v != pending_decimal)
        return v;
    const std::string name = bare_name(target);
    if (name.empty() || !(binary_variable(name) || binary_column(name)))
        return v;
    hex_pending = false;
    return "HEXTORAW('" + pending_digits + "')";
}

void lit_compare(char *dst, const char *left, const char *op, const char *right) {
    val_printf(dst, "%s %s %s", left, op, lit_for_target(left, right).c_str());
}

void lit_column_type(const char *column, const char *type) {
    if (columns_unit != proc_name) {
        columns_unit = proc_name;
        binary_columns.clear();
    }
    if (type != nullptr && strncmp(type, "RAW", 3) == 0)
        binary_columns.insert(upper(bare_name(column)));
}
