// Reserved words of the target: a label, parameter or variable of the source named like one
// cannot stand unquoted in the target and gets a fixed suffix wherever the output names it.
#pragma once

#include <string>

// The reserved words, upper case, and their count.
extern const char *const target_reserved_words[];
extern const int target_reserved_count;

// The suffix a renamed name gets.
extern const char *const RESERVED_SUFFIX;

// True when `name` is a reserved word of the target, in any letter case.
bool target_reserved(const std::string &name);

// `name` with the suffix when it is a reserved word, else `name` itself.
std::string reserved_rename(const std::string &name);
