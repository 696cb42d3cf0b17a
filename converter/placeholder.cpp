// Message placeholders: ProcessPlaceholder turns a formatted source message into a target
// concatenation, each placeholder ("%1!", "%2", "%d", "%s", ...) becoming an argument or an
// empty "|| ||" slot that the RAISERROR action fills later.
#include "placeholder.h"
#include "textwalk.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The result of the last call. It grows with the text (a fixed 1000-byte buffer would cut a
// long message before its closing quote); a semantic value holds at most YYVALMAX characters.
std::string result;
constexpr size_t RESULT_MAX = 9999;

bool is_digit(char c) {
    return isdigit(static_cast<unsigned char>(c)) != 0;
}

bool is_typed(char c) {
    return c == 'd' || c == 'i' || c == 'u' || c == 's';
}

// The result of one call, cut at RESULT_MAX characters.
const char *give(const std::string &s) {
    result = s.substr(0, RESULT_MAX);
    return result.c_str();
}

} // namespace

std::string message_argument(const std::string &arg) {
    const size_t first = arg.find_first_not_of(" \t\n");
    if (first == std::string::npos)
        return arg;
    const size_t last = arg.find_last_not_of(" \t\n");
    sql_position at;
    bool operation = false;
    for (size_t i = first; i <= last && !operation; i++) {
        at.step(arg[i]);
        operation = i > first && at.top() && strchr("+-*/", arg[i]) != nullptr;
    }
    if (!operation)
        return arg;
    return arg.substr(0, first) + "(" + arg.substr(first, last + 1 - first) + ")" +
           arg.substr(last + 1);
}

const char *ProcessPlaceholder(const char *text, placeholder_report *report) {
    result.clear();
    if (text == nullptr || text[0] != '\'')
        return give(text == nullptr ? "" : text);

    // The format up to the first comma outside quotes; the arguments after it.
    const std::string copy = text;
    std::string format = copy, args;
    bool quoted = false;
    for (size_t i = 0; i < copy.size(); i++) {
        if (copy[i] == '\'')
            quoted = !quoted;
        else if (copy[i] == ',' && !quoted) {
            format = copy.substr(0, i);
            args = copy.substr(i + 1);
            break;
        }
    }

    // Walk the format.
    std::string out;
    bool open = false;      // an output quote is open
    bool separator = false; // " ||" is due before the next literal character
    bool inside = false;    // the walk stands inside a source literal
    size_t argpos = 0;
    auto literal = [&](char c) {
        if (out.empty()) {
            out += '\'';
            open = true;
            separator = false;
        } else {
            if (separator) {
                out += " ||";
                separator = false;
            }
            if (!open) {
                out += '\'';
                open = true;
            }
        }
        out += c;
    };
    auto placeholder = [&]() {
        if (open) {
            out += '\'';
            open = false;
        }
        out += "||";
        if (argpos < args.size()) {
            size_t comma = args.find(',', argpos);
            if (comma == std::string::npos) {
                out += message_argument(args.substr(argpos));
                argpos = args.size();
            } else {
                out += message_argument(args.substr(argpos, comma - argpos));
                argpos = comma + 1;
            }
        }
        separator = true;
    };
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        const char next = i + 1 < format.size() ? format[i + 1] : '\0';
        if (c == '\'' && inside && next == '\'') {
            // A doubled quote inside the literal is a quote of the message: it stays doubled,
            // also next to a placeholder or at the literal's end.
            literal('\'');
            literal('\'');
            i += 2;
        } else if (c == '\'') {
            inside = !inside;
            if (open) {
                out += '\'';
                open = false;
            }
            i++;
        } else if (c == '%' && next == '%') {
            literal('%');
            i += 2;
        } else if (c == '%' && is_digit(next)) {
            i += (i + 2 < format.size() && is_digit(format[i + 2])) ? 3 : 2;
            if (i < format.size() && format[i] == '!') // the end of the source placeholder
                i++;
            placeholder();
        } else if (c == '%' && is_typed(next)) {
            i += 2;
            if (report != nullptr)
                report->typed = true;
            placeholder();
        } else if (c == '%') {
            if (report != nullptr)
                report->unknown.push_back(
                    std::string("%") + (next != '\0' && next != '\'' ? std::string(1, next) : ""));
            literal('%');
            i++;
        } else {
            literal(c);
            i++;
        }
    }
    if (out.empty())
        out = "''";
    return give(out);
}
