// Built-in function translation: the table of the 55 source functions and their target
// templates (process_function), the argument helpers (process_fn_param, split_parameters,
// swap_param, process_date_type) and the manual-conversion diagnostic.
#include "builtins.h"

#include "blockstack.h"
#include "convstate.h"
#include "parser.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The function table: the position is the function's code.
const char *const function_table[] = {
    "SUM",          "AVG",         "COUNT",    "GETDATE", "SUBSTRING", "DATEPART",   "SUSER_NAME",
    "RTRIM",        "LTRIM",       "CONVERT",  "DATEADD", "CHARINDEX", "DATALENGTH", "MIN",
    "MAX",          "UPPER",       "ISNULL",   "ASCII",   "DFFERENCE", "LOWER",      "REPLICATE",
    "RIGHT",        "SOUNDEX",     "SPACE",    "STR",     "DATEDIFF",  "DATENAME",   "ABS",
    "CEILING",      "COS",         "FLOOR",    "POWER",   "ROUND",     "SIGN",       "SQRT",
    "TAN",          "CHAR",        "STUFF",    "SIN",     "LOG",       "LOG10",      "EXP",
    "COT",          "COL_LENGTH",  "PATINDEX", "USER_ID", "USER_NAME", "HOST_ID",    "SUSER_ID",
    "SP_RECOMPILE", "CHAR_LENGTH", "BASECHAR", "BITNAND", "CHARBASE",  "BITAND"};
constexpr int FUNCTION_COUNT = sizeof function_table / sizeof function_table[0];
static_assert(FUNCTION_COUNT == 55, "the function table has 55 names");

enum {
    F_SUM,
    F_AVG,
    F_COUNT,
    F_GETDATE,
    F_SUBSTRING,
    F_DATEPART,
    F_SUSER_NAME,
    F_RTRIM,
    F_LTRIM,
    F_CONVERT,
    F_DATEADD,
    F_CHARINDEX,
    F_DATALENGTH,
    F_MIN,
    F_MAX,
    F_UPPER,
    F_ISNULL,
    F_ASCII,
    F_DFFERENCE,
    F_LOWER,
    F_REPLICATE,
    F_RIGHT,
    F_SOUNDEX,
    F_SPACE,
    F_STR,
    F_DATEDIFF,
    F_DATENAME,
    F_ABS,
    F_CEILING,
    F_COS,
    F_FLOOR,
    F_POWER,
    F_ROUND,
    F_SIGN,
    F_SQRT,
    F_TAN,
    F_CHAR,
    F_STUFF,
    F_SIN,
    F_LOG,
    F_LOG10,
    F_EXP,
    F_COT,
    F_COL_LENGTH,
    F_PATINDEX,
    F_USER_ID,
    F_USER_NAME,
    F_HOST_ID,
    F_SUSER_ID,
    F_SP_RECOMPILE,
    F_CHAR_LENGTH,
    F_BASECHAR,
    F_BITNAND,
    F_CHARBASE,
    F_BITAND
};

int function_code(const char *name) {
    for (int i = 0; i < FUNCTION_COUNT; i++)
        if (strcmp(name, function_table[i]) == 0)
            return i;
    return -99;
}

bool is_space(char c) {
    return isspace(static_cast<unsigned char>(c)) != 0;
}

// The pieces of `text` split at `sep` (a blank: any white space), each without leading white
// space and, for another separator, without trailing white space.
std::vector<std::string> split_pieces(const std::string &text, char sep) {
    std::vector<std::string> pieces;
    size_t i = 0;
    for (;;) {
        while (i < text.size() && is_space(text[i]))
            i++;
        std::string piece;
        bool at_sep = false;
        for (; i < text.size(); i++) {
            const char c = text[i];
            if (sep == ' ' ? is_space(c) : c == sep) {
                at_sep = true;
                i++;
                break;
            }
            piece += c;
        }
        if (sep != ' ')
            while (!piece.empty() && is_space(piece.back()))
                piece.pop_back();
        pieces.push_back(piece);
        if (!at_sep)
            return pieces;
    }
}

// The text after the first separator (as it stands, with its leading blank), or "".
std::string after_first_sep(const std::string &args) {
    const size_t p = args.find(ARG_SEP);
    return p == std::string::npos ? std::string() : args.substr(p + 1);
}

std::string piece(const std::vector<std::string> &pieces, size_t i) {
    return i < pieces.size() ? pieces[i] : std::string();
}

// A line of the body before the statement being built (its outer BEGIN comes first).
void body_line(const std::string &text) {
    if (yyout == nullptr)
        return;
    if (firstTime != 0 && begin_printed == 0)
        firstTime = 0;
    print_tabs();
    fputs(text.c_str(), yyout);
}

void log_line(const std::string &text) {
    if (fpLog != nullptr)
        fprintf(fpLog, "[KESTRA-ERR(%.4d)]:[%s(%s)]%s\n", yylineno, iFname, proc_name,
                text.c_str());
}

std::string format_line(const char *fmt, const std::string &a) {
    std::vector<char> buf(a.size() + strlen(fmt) + 32);
    snprintf(buf.data(), buf.size(), fmt, yylineno, a.c_str());
    return buf.data();
}

// The milliseconds note of DATEADD and DATEPART.
void milliseconds_note() {
    body_line(format_line("/*[KESTRA-ERR(%.4d)]:Manual conversion required*/", ""));
    log_line("Manual conversion required");
    body_line("/*Miliseconds are not supported by CORVANE*/\n");
}

// Formats of DATEPART by short date part; nullptr for a part without one.
const char *datepart_format(const std::string &part) {
    static const char *const formats[][2] = {
        {"yy", "'YYYY'"}, {"qq", "'Q'"}, {"mm", "'MM'"}, {"dd", "'DD'"}, {"wk", "'WW'"},
        {"cwk", "'IW'"},  {"dw", "'D'"}, {"hh", "'HH'"}, {"ss", "'SS'"}, {"mi", "'MI'"}};
    for (const auto &f : formats)
        if (part == f[0])
            return f[1];
    return nullptr;
}

std::string sprintf_text(const char *fmt, const std::string &a, const std::string &b = "",
                         const std::string &c = "", const std::string &d = "",
                         const std::string &e = "", const std::string &f = "") {
    const size_t n =
        strlen(fmt) + a.size() + b.size() + c.size() + d.size() + e.size() + f.size() + 1;
    std::vector<char> buf(n);
    snprintf(buf.data(), n, fmt, a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str(), f.c_str());
    return buf.data();
}

} // namespace

bool builtin_known(const char *name) {
    return function_code(name) >= 0;
}

int strcmp_anycase(const char *a, const char *b) {
    for (;; a++, b++) {
        const int ca = tolower(static_cast<unsigned char>(*a));
        const int cb = tolower(static_cast<unsigned char>(*b));
        if (ca != cb)
            return -1;
        if (ca == 0)
            return 0;
    }
}

void remove_chr5(char *text) {
    for (char *p = text; *p != '\0'; p++)
        if (*p == ARG_SEP)
            *p = ',';
}

std::string remove_at_signs(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    bool quoted = false;
    for (char c : text) {
        if (c == '\'')
            quoted = !quoted;
        if (c != '@' || quoted)
            out += c;
    }
    return out;
}

void manual_conversion_note(const char *function_name) {
    if (function_name == nullptr) {
        body_line(format_line("/*[KESTRA-ERR(%.4d)]:Manual conversion required*/\n", ""));
        log_line("Manual conversion required");
        return;
    }
    body_line(
        format_line("/*[KESTRA-ERR(%.4d)]:Manual conversion required %s()*/\n", function_name));
    log_line(std::string("Manual conversion required ") + function_name + "()");
}

void diagnostic_note(const std::string &text) {
    body_line(format_line("/*[KESTRA-ERR(%.4d)]:%s*/\n", text));
    log_line(text);
}

void process_fn_param(char *text) {
    // Parentheses inside string literals do not count: charindex('(', s) has two arguments.
    int depth = 0;
    bool quoted = false;
    for (char *p = text; *p != '\0'; p++) {
        if (*p == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (*p == '(')
            depth++;
        else if (*p == ')')
            depth--;
        else if (*p == ',' && depth == 0)
            *p = ARG_SEP;
        else if (*p == ARG_SEP && depth > 0)
            *p = ',';
    }
}

int split_parameters(const char *text, char sep) {
    for (auto &p : params)
        p[0] = '\0';
    const std::vector<std::string> pieces = split_pieces(text == nullptr ? "" : text, sep);
    if (pieces.size() > PARAMS_MAX)
        check_capacity(PARAMS_MAX, PARAMS_MAX, "the argument list of a function call (params)");
    const size_t stored = pieces.size();
    for (size_t i = 0; i < stored; i++)
        state_copy(params[i], sizeof params[i], pieces[i].c_str(), "a function argument");
    return static_cast<int>(stored) - 1;
}

void process_date_type(const char *args, char *buf, size_t size) {
    // The first argument: up to the first blank or separator, without quotes, in lower case.
    std::string part;
    for (const char *p = args == nullptr ? "" : args; *p != '\0'; p++) {
        if (*p == ' ' || *p == ARG_SEP || *p == ',')
            break;
        if (*p != '\'')
            part += static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    }
    static const char *const long_names[][2] = {
        {"year", "yy"},    {"quarter", "qq"},   {"month", "mm"},      {"week", "wk"},
        {"weekday", "dw"}, {"dayofyear", "dy"}, {"day", "dd"},        {"hour", "hh"},
        {"minute", "mi"},  {"second", "ss"},    {"millisecond", "ms"}};
    for (const auto &n : long_names)
        if (part == n[0]) {
            part = n[1];
            break;
        }
    if (size > 0)
        text_copy(buf, size, part.c_str());
}

void swap_param(char *text, size_t size) {
    bool quoted = false;
    for (char *p = text; *p != '\0'; p++) {
        if (*p == '\'')
            quoted = !quoted;
        else if (*p == ARG_SEP && !quoted) {
            const std::string before(text, static_cast<size_t>(p - text));
            const std::string swapped = std::string(p + 1) + ", " + before;
            text_copy(text, size, swapped.c_str());
            return;
        }
    }
}

void process_function(char *name, char *args) {
    process_fn_param(args);
    const std::string source_name = name;
    const std::string a = args; // the arguments, separators marked
    const std::vector<std::string> pieces = split_pieces(a, ARG_SEP);
    const std::string first = piece(pieces, 0), second = piece(pieces, 1), third = piece(pieces, 2),
                      fourth = piece(pieces, 3);
    const bool query = query_in_fn != 0;
    const std::string q = qstr1;
    const std::string aq = query ? q : a; // args, or the query in their place

    std::string target = source_name; // the target name
    std::string out;                  // the target argument text
    auto in_parens = [](const std::string &s) { return "(" + s + ")"; };
    // The call kept under its source name after a diagnostic.
    auto keep_call = [&]() {
        target = source_name;
        out = in_parens(a);
    };

    const int code = function_code(name);
    switch (code) {
    case F_GETDATE:
        target = "SYSDATE";
        break;
    case F_SUBSTRING:
        target = "SUBSTR";
        out = in_parens(aq);
        break;
    case F_DATEPART: {
        char part[256];
        process_date_type(a.c_str(), part, sizeof part);
        const char *format = datepart_format(part);
        if (strcmp(part, "ms") == 0) {
            milliseconds_note();
            keep_call();
        } else if (format == nullptr) {
            manual_conversion_note(nullptr);
            keep_call();
        } else {
            target = "TO_NUMBER";
            const std::string date = query ? q : remove_at_signs(after_first_sep(a));
            out = sprintf_text("(TO_CHAR(%s, %s))", date, format);
            which_literal = STRING;
        }
        break;
    }
    case F_SUSER_NAME:
    case F_USER_ID:
    case F_USER_NAME:
        out = a.empty() ? std::string() : in_parens(aq);
        break;
    case F_RTRIM:
    case F_LTRIM:
    case F_DATALENGTH:
    case F_ISNULL:
    case F_CEILING:
    case F_CHAR:
    case F_CHAR_LENGTH:
        if (code == F_DATALENGTH)
            target = "LENGTHB";
        else if (code == F_ISNULL)
            target = "NVL";
        else if (code == F_CEILING)
            target = "CEIL";
        else if (code == F_CHAR)
            target = "CHR";
        else if (code == F_CHAR_LENGTH)
            target = "LENGTH";
        out = in_parens(aq);
        break;
    case F_CONVERT: {
        // first: the target type; then the expression (a query's select list already in its
        // place, rule 465) and, with a style, its date format.
        const char letter = static_cast<char>(toupper(static_cast<unsigned char>(first[0])));
        const size_t open = first.find('('), close = first.rfind(')');
        const bool sized =
            open != std::string::npos && close != std::string::npos && close > open + 1;
        const std::string format = piece(pieces, 2);
        if (letter == 'C' && sized) {
            std::string expr = second == "''" ? std::string("' '") : second;
            const std::string length = first.substr(open + 1, close - open - 1);
            target = "RPAD";
            if (!format.empty()) // the style's format kept: RPAD(TO_CHAR(e, 'fmt'), n, ' ')
                out = sprintf_text("(TO_CHAR(%s, %s), %s, ' ')", expr, format, length);
            else if (!expr.empty() && expr[0] == '\'') {
                target = "RPAD(TO_CHAR";
                out = sprintf_text("(%s), %s, ' ')", expr, length);
            } else
                out = sprintf_text("(%s, %s, ' ')", expr, length);
            which_literal = STRING;
        } else if (letter == 'D' || letter == 'I' || letter == 'M' || letter == 'N') {
            target = letter == 'D' ? "TO_DATE" : "TO_NUMBER";
            out = in_parens(after_first_sep(a));
        } else {
            // VARCHAR2, a CHAR without a length and any other type: the text form of the
            // expression (with the style's format), never the type itself as an argument.
            target = "TO_CHAR";
            out = in_parens(after_first_sep(a));
            which_literal = STRING;
        }
        break;
    }
    case F_DATEADD:
    case F_DATEDIFF: {
        char part[256];
        process_date_type(a.c_str(), part, sizeof part);
        std::string p = part;
        std::string number = piece(pieces, 1), date = piece(pieces, 2);
        if (query) {
            if (number.find("SELECT") != std::string::npos)
                number = q;
            else
                date = q;
        }
        // Writes the row of a part's table that names the date part: its target name
        // and its text from the date and the number.
        auto apply_form = [&](const auto &forms) {
            for (const auto &f : forms)
                if (p == f[0]) {
                    target = f[1];
                    out = sprintf_text(f[2], date, number);
                    return true;
                }
            return false;
        };
        if (code == F_DATEADD) {
            if (p == "dy" || p == "dw")
                p = "dd"; // a day of the year or of the week is a day
            static const char *const forms[][3] = {{"yy", "ADD_MONTHS", "(%s,((%s) * 12))"},
                                                   {"mm", "ADD_MONTHS", "(%s, %s)"},
                                                   {"qq", "ADD_MONTHS", "(%s, ((%s) * 3))"},
                                                   {"wk", "", "%s + 7 * (%s)"},
                                                   {"dd", "", "%s + %s"},
                                                   {"hh", "", "%s + ((%s) / 24)"},
                                                   {"mi", "", "%s + (%s) / (24 * 60)"},
                                                   {"ss", "", "%s + (%s) / (24 * 60 * 60)"}};
            const bool done = apply_form(forms);
            if (!done) {
                if (p == "ms")
                    milliseconds_note();
                else
                    manual_conversion_note(nullptr);
                keep_call();
            }
        } else {
            // DATEDIFF(part, start, end): number is the start date, date the end date.
            static const char *const forms[][3] = {{"dd", "", "TRUNC(%s - (%s))"},
                                                   {"wk", "", "TRUNC((%s - (%s)) / 7)"},
                                                   {"hh", "", "TRUNC((%s - (%s)) * 24)"},
                                                   {"mi", "", "TRUNC((%s - (%s)) * 24 * 60)"},
                                                   {"ss", "", "TRUNC((%s - (%s)) * 24 * 60 * 60)"},
                                                   {"mm", "MONTHS_BETWEEN", "(%s, %s)"},
                                                   {"qq", "", "(MONTHS_BETWEEN(%s, %s) / 3)"},
                                                   {"yy", "", "TRUNC((%s - (%s)) / 365.254)"}};
            const bool done = apply_form(forms);
            if (!done) {
                manual_conversion_note(nullptr);
                keep_call();
            }
        }
        break;
    }
    case F_CHARINDEX: {
        target = "INSTR";
        std::vector<char> buf(aq.size() + 3);
        text_copy(buf.data(), buf.size(), aq.c_str());
        swap_param(buf.data(), buf.size());
        out = in_parens(buf.data());
        break;
    }
    case F_REPLICATE:
        target = "RPAD";
        {
            const std::string f = query ? q : first;
            out = sprintf_text("(%s, LENGTH(%s) * %s, %s)", f, f, second, f);
        }
        break;
    case F_RIGHT:
        target = "SUBSTR";
        {
            const std::string f = query ? q : first;
            out = sprintf_text("(%s, LENGTH(%s) - %s + 1, %s)", f, f, second, second);
        }
        break;
    case F_SPACE:
        // n blanks: RPAD(' ', n) pads one blank to length n.
        target = "RPAD";
        out = sprintf_text("( ' ', %s)", aq);
        break;
    case F_STR:
        target = "TO_CHAR";
        out = in_parens(query ? q : first);
        which_literal = STRING;
        break;
    case F_DATENAME:
        out = sprintf_text("('%s', %s)", query ? q : remove_at_signs(first), after_first_sep(a));
        break;
    case F_STUFF:
        target = "SUBSTR";
        out = sprintf_text("(%s, 1, %s - 1) || %s || SUBSTR(%s, %s + %s)", first, second, fourth,
                           first, second, third);
        break;
    case F_LOG:
        target = "LN";
        out = in_parens(a);
        break;
    case F_LOG10:
        target = "LOG";
        out = sprintf_text("(10, %s)", a);
        break;
    case F_COT:
        target = "COS";
        out = sprintf_text("(%s)/SIN(%s)", a, a);
        break;
    case F_HOST_ID:
        target = "USERENV";
        out = "('SESSIONID')";
        break;
    case F_SUSER_ID:
        target = "UID";
        break;
    case F_SP_RECOMPILE: {
        // A procedure name given as a literal goes in without its own quotes; the argument
        // list keeps its parentheses, so that the call is complete.
        std::string object = first;
        if (object.size() >= 2 && object.front() == '\'' && object.back() == '\'')
            object = object.substr(1, object.size() - 2);
        target = "DBMS_DDL.ALTER_COMPILE";
        out = sprintf_text("('PROCEDURE', NULL, UPPER('%s'))", object);
        break;
    }
    case F_PATINDEX:
    case F_BASECHAR:
    case F_BITNAND:
    case F_CHARBASE:
        body_line(format_line(
            "/*[In line (%.4d)]: New function %s() is introduced to mimic Sybase function*/",
            source_name));
        if (code == F_PATINDEX)
            ipatindex = 1;
        else if (code == F_BASECHAR)
            ibasechar = 1;
        else if (code == F_BITNAND)
            ibitnand = 1;
        else
            icharbase = 1;
        out = in_parens(a);
        break;
    case F_BITAND:
    case F_SUM:
    case F_AVG:
    case F_COUNT:
    case F_MIN:
    case F_MAX:
    case F_UPPER:
    case F_ASCII:
    case F_DFFERENCE:
    case F_LOWER:
    case F_SOUNDEX:
    case F_ABS:
    case F_COS:
    case F_FLOOR:
    case F_POWER:
    case F_ROUND:
    case F_SIGN:
    case F_SQRT:
    case F_TAN:
    case F_SIN:
    case F_EXP:
    case F_COL_LENGTH:
        out = in_parens(a);
        break;
    default:
        manual_conversion_note(source_name.c_str());
        out = in_parens(a);
        break;
    }
    val_set(name, target.c_str());
    val_set(args, out.c_str());
    remove_chr5(args);
}
