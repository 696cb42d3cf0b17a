// Message placeholders: a string literal with placeholders ("%1!", "%12", "%d", "%s") turned
// into a concatenation of quoted stretches and arguments joined by "||" (RAISERROR and PRINT
// texts, string literals of expressions).
#pragma once

#include <string>
#include <vector>

// What a conversion met besides the numbered placeholders: typed placeholders ("%d", "%i",
// "%u", "%s"), and each "%" it could not read as a placeholder (with the character after it),
// which stays in the text.
struct placeholder_report {
    bool typed = false;
    std::vector<std::string> unknown;
};

// Converts `text` (a literal, possibly followed by "," and arguments). The result lives in a
// static buffer that the next call overwrites; copy it before calling again. A text that does
// not begin with a single quote comes back unchanged. A placeholder is "%" and one or two
// digits (with the "!" that ends it in the source, when present) or "%d", "%i", "%u", "%s";
// each takes the next argument. "%%" is one "%"; a doubled quote stays a doubled quote. Any
// other "%" is written as text and named in `report` (when given). The result grows with the
// text; it is cut at 9,999 characters, the capacity of a value.
const char *ProcessPlaceholder(const char *text, placeholder_report *report = nullptr);

// An argument as it stands in a message concatenation: in parentheses when it holds an
// arithmetic operator (+ - * /) outside literals and parentheses, since the target's "||"
// binds like "+" and "-" and would take the message text as the operator's left operand.
// A leading sign does not count; blanks around the argument stay outside the parentheses.
std::string message_argument(const std::string &arg);
