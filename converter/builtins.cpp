// Built-in function translation: the table of the 55 source functions (a row each: source
// name, target name, form of the target arguments, flags, support function; code for the few no
// form expresses) read by process_function, the argument helpers (process_fn_param,
// split_parameters, swap_param, process_date_type) and the manual-conversion diagnostic.
#include "builtins.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"
#include "parser.h"
#include "textwalk.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

bool is_space(char c) {
    return isspace(static_cast<unsigned char>(c)) != 0;
}

// The pieces of `text` split at `sep` (a blank: any white space), each without leading white
// space and, for another separator, without trailing white space: views into `text`.
std::vector<std::string_view> split_pieces(std::string_view text, char sep) {
    std::vector<std::string_view> pieces;
    const size_t n = text.size();
    if (sep != ' ')
        pieces.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), sep)) + 1);
    size_t i = 0;
    for (;;) {
        while (i < n && is_space(text[i]))
            i++;
        const size_t start = i;
        if (sep == ' ') {
            while (i < n && !is_space(text[i]))
                i++;
        } else {
            const size_t at = text.find(sep, i);
            i = at == std::string_view::npos ? n : at;
        }
        size_t end = i;
        if (sep != ' ')
            while (end > start && is_space(text[end - 1]))
                end--;
        pieces.emplace_back(text.substr(start, end - start));
        if (i == n)
            return pieces;
        i++; // past the separator
    }
}

// The text after the first separator (as it stands, with its leading blank), or "".
std::string_view after_first_sep(std::string_view args) {
    const size_t p = args.find(ARG_SEP);
    return p == std::string_view::npos ? std::string_view() : args.substr(p + 1);
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

std::string format_line(const char *fmt, const std::string &a) {
    std::vector<char> buf(a.size() + strlen(fmt) + 32);
    snprintf(buf.data(), buf.size(), fmt, yylineno, a.c_str());
    return buf.data();
}

// The milliseconds note of DATEADD and DATEPART.
void milliseconds_note() {
    body_line(diagnose(diag::manual_conversion, yylineno));
    body_line("/*Miliseconds are not supported by CORVANE*/\n");
}

// Formats of DATEPART by short date part; nullptr for a part without one.
const char *datepart_format(std::string_view part) {
    static constexpr std::string_view formats[][2] = {
        {"yy", "'YYYY'"}, {"qq", "'Q'"}, {"mm", "'MM'"},   {"dd", "'DD'"}, {"wk", "'WW'"},
        {"cwk", "'IW'"},  {"dw", "'D'"}, {"hh", "'HH24'"}, {"ss", "'SS'"}, {"mi", "'MI'"}};
    for (const auto &f : formats)
        if (part == f[0])
            return f[1].data();
    return nullptr;
}

// `fmt` with each "%s" replaced by the next of `args` ("" when they run out); the forms hold no
// other conversion.
std::string filled(std::string_view fmt, std::initializer_list<std::string_view> args) {
    size_t n = fmt.size();
    for (std::string_view a : args)
        n += a.size();
    std::string out;
    out.reserve(n);
    auto next = args.begin();
    size_t from = 0;
    for (size_t at = fmt.find("%s"); at != std::string_view::npos; at = fmt.find("%s", from)) {
        out.append(fmt.data() + from, at - from);
        if (next != args.end())
            out += *next++;
        from = at + 2;
    }
    out.append(fmt.data() + from, fmt.size() - from);
    return out;
}

// The argument text in parentheses.
std::string parenthesized(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '(';
    out += text;
    out += ')';
    return out;
}

// One source function call being translated: what it reads and what it makes.
struct call {
    const char *name = "";     // the source name
    std::string_view args;     // the argument text, its top-level commas marked ARG_SEP
    bool query = false;        // a subquery's select list stands in the arguments' place
    std::string q;             // that select list (qstr1), when there is one
    const char *target = name; // the target name ("" when the call became an expression)
    std::string out;           // the target argument text with its parentheses

    // The arguments, without surrounding white space, as views into `args` (split on first use:
    // most forms copy the argument text whole).
    const std::vector<std::string_view> &pieces() const {
        if (!split) {
            split_args = split_pieces(args, ARG_SEP);
            split = true;
        }
        return split_args;
    }
    std::string_view arg(size_t i) const {
        const std::vector<std::string_view> &p = pieces();
        return i < p.size() ? p[i] : std::string_view();
    }
    // The call kept under its source name, after a diagnostic.
    void keep() {
        target = name;
        out = parenthesized(args);
    }

  private:
    mutable std::vector<std::string_view> split_args;
    mutable bool split = false;
};

// The target argument text made from a form: "$A" the argument text as written, "$Q" the
// argument text or the query in its place, "$1" to "$4" the arguments, "$F" the first argument
// or the query, "$P" the first argument without at signs or the query, "$R" the text after the
// first argument (as it stands, from its separator on). Any other character is copied.
std::string expand(const char *form, const call &c) {
    std::string out;
    out.reserve(strlen(form) + c.args.size() + (c.query ? c.q.size() : 0));
    for (const char *p = form; *p != '\0'; p++) {
        if (*p != '$' || p[1] == '\0') {
            out += *p;
            continue;
        }
        const char which = *++p;
        if (which == 'A')
            out += c.args;
        else if (which == 'Q')
            out += c.query ? std::string_view(c.q) : c.args;
        else if (which >= '1' && which <= '4')
            out += c.arg(static_cast<size_t>(which - '1'));
        else if (which == 'F')
            out += c.query ? std::string_view(c.q) : c.arg(0);
        else if (which == 'P')
            out += c.query ? c.q : remove_at_signs(c.arg(0));
        else if (which == 'R')
            out += after_first_sep(c.args);
        else
            out += std::string(1, '$') + which;
    }
    return out;
}

// DATEPART: a date part with a format is the number of the date's text in that format.
void datepart_call(call &c) {
    char part[256];
    process_date_type(c.args.data(), part, sizeof part);
    const char *format = datepart_format(part);
    if (strcmp(part, "ms") == 0) {
        milliseconds_note();
        c.keep();
    } else if (format == nullptr) {
        manual_conversion_note(nullptr);
        c.keep();
    } else {
        c.target = "TO_NUMBER";
        const std::string date = c.query ? c.q : remove_at_signs(after_first_sep(c.args));
        c.out = filled("(TO_CHAR(%s, %s))", {date, format});
        which_literal = STRING;
    }
}

// CONVERT: the first argument is the target type; then the expression (a query's select list
// already in its place, rule 465) and, with a style, its date format.
void convert_call(call &c) {
    const std::string_view first = c.arg(0), second = c.arg(1);
    const char head = first.empty() ? '\0' : first[0];
    const char letter = static_cast<char>(toupper(static_cast<unsigned char>(head)));
    const size_t open = first.find('('), close = first.rfind(')');
    const bool sized =
        open != std::string_view::npos && close != std::string_view::npos && close > open + 1;
    const std::string_view format = c.arg(2);
    if (letter == 'C' && sized) {
        const std::string_view expr = second == "''" ? std::string_view("' '") : second;
        const std::string_view length = first.substr(open + 1, close - open - 1);
        c.target = "RPAD";
        if (!format.empty()) // the style's format kept: RPAD(TO_CHAR(e, 'fmt'), n, ' ')
            c.out = filled("(TO_CHAR(%s, %s), %s, ' ')", {expr, format, length});
        else if (!expr.empty() && expr[0] == '\'') {
            c.target = "RPAD(TO_CHAR";
            c.out = filled("(%s), %s, ' ')", {expr, length});
        } else
            c.out = filled("(%s, %s, ' ')", {expr, length});
        which_literal = STRING;
    } else if (letter == 'D' || letter == 'I' || letter == 'M' || letter == 'N') {
        c.target = letter == 'D' ? "TO_DATE" : "TO_NUMBER";
        c.out = parenthesized(after_first_sep(c.args));
    } else {
        // VARCHAR2, a CHAR without a length and any other type: the text form of the
        // expression (with the style's format), never the type itself as an argument.
        c.target = "TO_CHAR";
        c.out = parenthesized(after_first_sep(c.args));
        which_literal = STRING;
    }
}

// DATEADD and DATEDIFF: the date part (its first argument) picks a row of the function's
// table, which gives the target name and the text from the date and the number.
void date_arithmetic_call(call &c, bool add) {
    char part[256];
    process_date_type(c.args.data(), part, sizeof part);
    std::string_view p = part;
    std::string_view number = c.arg(1), date = c.arg(2);
    if (c.query) {
        if (number.find("SELECT") != std::string_view::npos)
            number = c.q;
        else
            date = c.q;
    }
    auto apply_form = [&](const auto &forms) {
        for (const auto &f : forms)
            if (p == f[0]) {
                c.target = f[1].data();
                c.out = filled(f[2], {date, number});
                return true;
            }
        return false;
    };
    if (add) {
        if (p == "dy" || p == "dw")
            p = "dd"; // a day of the year or of the week is a day
        static constexpr std::string_view forms[][3] = {{"yy", "ADD_MONTHS", "(%s,((%s) * 12))"},
                                                        {"mm", "ADD_MONTHS", "(%s, %s)"},
                                                        {"qq", "ADD_MONTHS", "(%s, ((%s) * 3))"},
                                                        {"wk", "", "%s + 7 * (%s)"},
                                                        {"dd", "", "%s + %s"},
                                                        {"hh", "", "%s + ((%s) / 24)"},
                                                        {"mi", "", "%s + (%s) / (24 * 60)"},
                                                        {"ss", "", "%s + (%s) / (24 * 60 * 60)"}};
        if (!apply_form(forms)) {
            if (p == "ms")
                milliseconds_note();
            else
                manual_conversion_note(nullptr);
            c.keep();
        }
    } else {
        // DATEDIFF(part, start, end): number is the start date, date the end date.
        static constexpr std::string_view forms[][3] = {
            {"dd", "", "TRUNC(%s - (%s))"},
            {"wk", "", "TRUNC((%s - (%s)) / 7)"},
            {"hh", "", "TRUNC((%s - (%s)) * 24)"},
            {"mi", "", "TRUNC((%s - (%s)) * 24 * 60)"},
            {"ss", "", "TRUNC((%s - (%s)) * 24 * 60 * 60)"},
            {"mm", "MONTHS_BETWEEN", "(%s, %s)"},
            {"qq", "", "(MONTHS_BETWEEN(%s, %s) / 3)"},
            {"yy", "", "TRUNC((%s - (%s)) / 365.254)"}};
        if (!apply_form(forms)) {
            manual_conversion_note(nullptr);
            c.keep();
        }
    }
}

void dateadd_call(call &c) {
    date_arithmetic_call(c, true);
}

void datediff_call(call &c) {
    date_arithmetic_call(c, false);
}

// CHARINDEX(pattern, text[, start]) is INSTR(text, pattern[, start]): the first two arguments
// exchanged, the start position (from its separator on, as written) staying last.
void charindex_call(call &c) {
    const std::string aq = c.query ? c.q : std::string(c.args);
    const std::string sep(1, ARG_SEP);
    const size_t first = find_outside_literals(aq, sep);
    c.target = "INSTR";
    if (first == std::string::npos) { // one argument: nothing to exchange
        c.out = parenthesized(aq);
        return;
    }
    const size_t second = find_outside_literals(aq, sep, first + 1);
    const size_t pair_end = second == std::string::npos ? aq.size() : second;
    // The text, the pattern, then the start position from its separator on.
    std::string out;
    out.reserve(aq.size() + 3);
    out += '(';
    out.append(aq, first + 1, pair_end - first - 1);
    out += ", ";
    out.append(aq, 0, first);
    out.append(aq, pair_end, std::string::npos);
    out += ')';
    c.out = std::move(out);
}

// Masks of DATENAME by short date part: the text of the part's number without leading zeros
// or blanks ("FM"), the month and weekday as their names. A week of the year counted from the
// week's first day, milliseconds and any other part have no mask: nullptr.
const char *datename_format(std::string_view part) {
    static constexpr std::string_view formats[][2] = {
        {"yy", "'FMYYYY'"}, {"qq", "'FMQ'"},   {"mm", "'FMMonth'"}, {"dd", "'FMDD'"},
        {"dy", "'FMDDD'"},  {"cwk", "'FMIW'"}, {"dw", "'FMDay'"},   {"hh", "'FMHH24'"},
        {"mi", "'FMMI'"},   {"ss", "'FMSS'"}};
    for (const auto &f : formats)
        if (part == f[0])
            return f[1].data();
    return nullptr;
}

// DATENAME: the date's text in the part's mask; a part without one keeps the call, with a
// note.
void datename_call(call &c) {
    char part[256];
    process_date_type(c.args.data(), part, sizeof part);
    const char *format = datename_format(part);
    if (format == nullptr) {
        manual_conversion_note(c.name);
        c.keep();
        return;
    }
    c.target = "TO_CHAR";
    const std::string date = c.query ? c.q : remove_at_signs(after_first_sep(c.args));
    c.out = filled("(%s, %s)", {date, format});
    which_literal = STRING;
}

// STUFF(text, start, length, insert): the text before start, the inserted text, the text after
// the replaced part. Any other number of arguments keeps the call, with a note.
void stuff_call(call &c) {
    if (c.pieces().size() != 4) {
        manual_conversion_note(c.name);
        c.keep();
        return;
    }
    c.target = "SUBSTR";
    c.out = expand("($1, 1, $2 - 1) || $4 || SUBSTR($1, $2 + $3)", c);
}

// SP_RECOMPILE: a procedure name given as a literal goes in without its own quotes; the
// argument list keeps its parentheses, so that the call is complete.
void sp_recompile_call(call &c) {
    std::string_view object = c.arg(0);
    if (object.size() >= 2 && object.front() == '\'' && object.back() == '\'')
        object = object.substr(1, object.size() - 2);
    c.target = "DBMS_DDL.ALTER_COMPILE";
    c.out = filled("('PROCEDURE', NULL, UPPER('%s'))", {object});
}

enum : unsigned {
    STRING_RESULT = 1,     // the result is text: a "+" after the call joins strings
    BARE_WITHOUT_ARGS = 2, // called without arguments, the target name stands alone
};

// A built-in function: its source name (as the scanner hands it over, in capitals), its target
// name (nullptr: the source name), the form of its target argument text (see expand), flags,
// the support function the unit gets with it, and the code of a function no form expresses.
struct builtin {
    const char *source;
    const char *target;
    const char *form;
    unsigned flags;
    int16_t *support;
    void (*code)(call &);
};

const builtin builtins[] = {
    {"SUM", nullptr, "($A)", 0, nullptr, nullptr},
    {"AVG", nullptr, "($A)", 0, nullptr, nullptr},
    {"COUNT", nullptr, "($A)", 0, nullptr, nullptr},
    {"GETDATE", "SYSDATE", "", 0, nullptr, nullptr},
    {"SUBSTRING", "SUBSTR", "($Q)", 0, nullptr, nullptr},
    {"DATEPART", nullptr, "", 0, nullptr, datepart_call},
    {"SUSER_NAME", nullptr, "($Q)", BARE_WITHOUT_ARGS, nullptr, nullptr},
    {"RTRIM", nullptr, "($Q)", 0, nullptr, nullptr},
    {"LTRIM", nullptr, "($Q)", 0, nullptr, nullptr},
    {"CONVERT", nullptr, "", 0, nullptr, convert_call},
    {"DATEADD", nullptr, "", 0, nullptr, dateadd_call},
    {"CHARINDEX", nullptr, "", 0, nullptr, charindex_call},
    {"DATALENGTH", "LENGTHB", "($Q)", 0, nullptr, nullptr},
    {"MIN", nullptr, "($A)", 0, nullptr, nullptr},
    {"MAX", nullptr, "($A)", 0, nullptr, nullptr},
    {"UPPER", nullptr, "($A)", 0, nullptr, nullptr},
    {"ISNULL", "NVL", "($Q)", 0, nullptr, nullptr},
    {"ASCII", nullptr, "($A)", 0, nullptr, nullptr},
    {"DFFERENCE", nullptr, "($A)", 0, nullptr, nullptr},
    {"LOWER", nullptr, "($A)", 0, nullptr, nullptr},
    {"REPLICATE", "RPAD", "($F, LENGTH($F) * $2, $F)", 0, nullptr, nullptr},
    {"RIGHT", "SUBSTR", "($F, LENGTH($F) - $2 + 1, $2)", 0, nullptr, nullptr},
    {"SOUNDEX", nullptr, "($A)", 0, nullptr, nullptr},
    {"SPACE", "RPAD", "( ' ', $Q)", 0, nullptr, nullptr}, // RPAD(' ', n): n blanks
    {"STR", "TO_CHAR", "($F)", STRING_RESULT, nullptr, nullptr},
    {"DATEDIFF", nullptr, "", 0, nullptr, datediff_call},
    {"DATENAME", nullptr, "", 0, nullptr, datename_call},
    {"ABS", nullptr, "($A)", 0, nullptr, nullptr},
    {"CEILING", "CEIL", "($Q)", 0, nullptr, nullptr},
    {"COS", nullptr, "($A)", 0, nullptr, nullptr},
    {"FLOOR", nullptr, "($A)", 0, nullptr, nullptr},
    {"POWER", nullptr, "($A)", 0, nullptr, nullptr},
    {"ROUND", nullptr, "($A)", 0, nullptr, nullptr},
    {"SIGN", nullptr, "($A)", 0, nullptr, nullptr},
    {"SQRT", nullptr, "($A)", 0, nullptr, nullptr},
    {"TAN", nullptr, "($A)", 0, nullptr, nullptr},
    {"CHAR", "CHR", "($Q)", 0, nullptr, nullptr},
    {"STUFF", nullptr, "", 0, nullptr, stuff_call},
    {"SIN", nullptr, "($A)", 0, nullptr, nullptr},
    {"LOG", "LN", "($A)", 0, nullptr, nullptr},
    {"LOG10", "LOG", "(10, $A)", 0, nullptr, nullptr},
    {"EXP", nullptr, "($A)", 0, nullptr, nullptr},
    {"COT", "COS", "($A)/SIN($A)", 0, nullptr, nullptr},
    {"COL_LENGTH", nullptr, "($A)", 0, nullptr, nullptr},
    {"PATINDEX", nullptr, "($A)", 0, &ipatindex, nullptr},
    {"USER_ID", nullptr, "($Q)", BARE_WITHOUT_ARGS, nullptr, nullptr},
    {"USER_NAME", nullptr, "($Q)", BARE_WITHOUT_ARGS, nullptr, nullptr},
    {"HOST_ID", "USERENV", "('SESSIONID')", 0, nullptr, nullptr},
    {"SUSER_ID", "UID", "", 0, nullptr, nullptr},
    {"SP_RECOMPILE", nullptr, "", 0, nullptr, sp_recompile_call},
    {"CHAR_LENGTH", "LENGTH", "($Q)", 0, nullptr, nullptr},
    {"BASECHAR", nullptr, "($A)", 0, &ibasechar, nullptr},
    {"BITNAND", nullptr, "($A)", 0, &ibitnand, nullptr},
    {"CHARBASE", nullptr, "($A)", 0, &icharbase, nullptr},
    {"BITAND", nullptr, "($A)", 0, nullptr, nullptr},
};
static_assert(sizeof builtins / sizeof builtins[0] == 55, "the function table has 55 names");

// The row of the built-in named exactly `name`; nullptr for a name not in the table. The rows
// are looked up among those of the name's first letter (in table order), made on the first
// call: a call runs through a handful of names instead of the whole table.
const builtin *find_builtin(const char *name) {
    struct by_letter {
        std::vector<const builtin *> rows[256];
        by_letter() {
            for (const builtin &b : builtins)
                rows[static_cast<unsigned char>(b.source[0])].push_back(&b);
        }
    };
    static const by_letter index;
    for (const builtin *b : index.rows[static_cast<unsigned char>(name[0])])
        if (b->source[1] == name[1] && strcmp(name, b->source) == 0)
            return b;
    return nullptr;
}

} // namespace

bool builtin_known(const char *name) {
    return find_builtin(name) != nullptr;
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
    for (char *p = strchr(text, ARG_SEP); p != nullptr; p = strchr(p + 1, ARG_SEP))
        *p = ',';
}

std::string remove_at_signs(std::string_view text) {
    // replace_outside_literals(text, "@", "") for its one-character needle: only single quotes
    // open and close a literal (a doubled quote leaves and re-enters it), so the walk goes from
    // one at sign or quote to the next (each found by memchr and kept until the walk passes it)
    // and copies the text between two at signs that stand outside literals at once.
    const char *const start = text.data(), *const end = start + text.size();
    const char *at =
        text.empty() ? nullptr : static_cast<const char *>(memchr(start, '@', text.size()));
    if (at == nullptr)
        return std::string(text);
    std::string out(text.size(), '\0'); // one allocation; cut to its length at the end
    char *w = out.data();
    const char *quote = static_cast<const char *>(memchr(start, '\'', text.size()));
    const char *copied = start;
    while (at != nullptr) {
        if (quote != nullptr && quote < at) {
            // A literal opens before the at sign: on past its closing quote.
            const char *close = static_cast<const char *>(
                memchr(quote + 1, '\'', static_cast<size_t>(end - quote - 1)));
            if (close == nullptr)
                break; // the text ends inside the literal
            const char *after = close + 1;
            quote =
                static_cast<const char *>(memchr(after, '\'', static_cast<size_t>(end - after)));
            if (at < after)
                at =
                    static_cast<const char *>(memchr(after, '@', static_cast<size_t>(end - after)));
            continue;
        }
        memcpy(w, copied, static_cast<size_t>(at - copied));
        w += at - copied;
        copied = at + 1;
        at = static_cast<const char *>(memchr(copied, '@', static_cast<size_t>(end - copied)));
    }
    memcpy(w, copied, static_cast<size_t>(end - copied));
    w += end - copied;
    out.resize(static_cast<size_t>(w - out.data()));
    return out;
}

void manual_conversion_note(const char *function_name) {
    if (function_name == nullptr)
        diagnostic_note(diag::manual_conversion);
    else
        diagnostic_note(diag::manual_function, {function_name});
}

void diagnostic_note(diag kind, diag_args args) {
    body_line(diagnose(kind, yylineno, args) + "\n");
}

void process_fn_param(char *text) {
    // Parentheses inside string literals do not count: charindex('(', s) has two arguments.
    // A ')' without its '(' takes the depth below 0: the commas after it separate nothing.
    // (The walk of textwalk.h with walk_rules{false, true}, written out: a literal is skipped
    // to its closing quote at once.)
    // The walk skips from one quote, parenthesis, comma or separator to the next (strpbrk).
    static constexpr char marks[] = {'\'', '(', ')', ',', ARG_SEP, '\0'};
    int depth = 0;
    for (char *p = strpbrk(text, marks); p != nullptr; p = strpbrk(p + 1, marks)) {
        switch (*p) {
        case '\'': {
            char *close = strchr(p + 1, '\'');
            if (close == nullptr)
                return; // the text ends inside the literal
            p = close;
            break;
        }
        case '(':
            depth++;
            break;
        case ')':
            depth--;
            break;
        case ',':
            if (depth == 0)
                *p = ARG_SEP;
            break;
        case ARG_SEP:
            if (depth > 0)
                *p = ',';
            break;
        default:
            break;
        }
    }
}

int split_parameters(const char *text, char sep) {
    for (auto &p : params)
        p[0] = '\0';
    const std::vector<std::string_view> pieces = split_pieces(text == nullptr ? "" : text, sep);
    if (pieces.size() > PARAMS_MAX)
        check_capacity(PARAMS_MAX, PARAMS_MAX, "the argument list of a function call (params)");
    const size_t stored = pieces.size();
    for (size_t i = 0; i < stored; i++) {
        list_mark(params_marked, static_cast<int>(i));
        state_copy(params[i], sizeof params[i], std::string(pieces[i]).c_str(),
                   "a function argument");
    }
    return static_cast<int>(stored) - 1;
}

void process_date_type(const char *args, char *buf, size_t size) {
    // The first argument: up to the first blank or separator, without quotes, in lower case.
    const char *p = args == nullptr ? "" : args;
    static constexpr char ends[] = {' ', ARG_SEP, ',', '\0'};
    const char *const end = p + strcspn(p, ends);
    std::string part;
    part.reserve(static_cast<size_t>(end - p));
    for (; p < end; p++)
        if (*p != '\'')
            part += static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    static constexpr std::string_view long_names[][2] = {
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
    const std::string t = text;
    const size_t sep = find_outside_literals(t, std::string(1, ARG_SEP));
    if (sep == std::string::npos)
        return;
    const std::string swapped = t.substr(sep + 1) + ", " + t.substr(0, sep);
    text_copy(text, size, swapped.c_str());
}

namespace {

// Whether a form reads the arguments one by one ("$1" to "$4", "$F", "$P", "$R"); "$A" and "$Q"
// copy the argument text whole.
bool form_reads_arguments(const char *form) {
    for (const char *p = strchr(form, '$'); p != nullptr; p = strchr(p + 1, '$'))
        if (p[1] != 'A' && p[1] != 'Q' && p[1] != '\0')
            return true;
    return false;
}

// Translates the call of `name` with the argument text `args`: c.target and c.out. The
// top-level commas of `args` are marked in place by process_fn_param where the translation
// reads the arguments one by one. Where it copies the text whole the marks would change
// nothing: every separator byte of the text it makes becomes a comma again, marked or not.
void translate(call &c, const char *name, char *args) {
    const builtin *b = find_builtin(name);
    if (b != nullptr && (b->code != nullptr || form_reads_arguments(b->form)))
        process_fn_param(args);
    c.name = name;
    c.args = args;
    c.query = query_in_fn != 0;
    if (c.query)
        c.q = qstr1;
    c.target = name;

    if (b == nullptr) {
        manual_conversion_note(c.name);
        c.out = parenthesized(c.args);
    } else if (b->code != nullptr) {
        b->code(c);
    } else {
        if (b->support != nullptr) {
            body_line(format_line(
                "/*[In line (%.4d)]: New function %s() is introduced to mimic Sybase function*/",
                c.name));
            *b->support = 1;
        }
        if (b->target != nullptr)
            c.target = b->target;
        if ((b->flags & BARE_WITHOUT_ARGS) == 0 || !c.args.empty())
            c.out = expand(b->form, c);
        if ((b->flags & STRING_RESULT) != 0)
            which_literal = STRING;
    }
}

} // namespace

void process_function(char *name, char *args) {
    call c;
    translate(c, name, args);
    if (c.target != name)
        val_set(name, c.target);
    val_set(args, c.out.c_str());
    remove_chr5(args);
}

void process_function_value(char *dst, const char *name, char *args) {
    call c;
    translate(c, name, args);
    const size_t name_size = strlen(c.target);
    const size_t size = name_size + c.out.size();
    if (size > static_cast<size_t>(YYVALMAX)) { // cut by the value helpers
        val_set(dst, c.target);
        val_cat(dst, c.out.c_str());
        remove_chr5(dst + name_size);
        return;
    }
    memcpy(dst, c.target, name_size);
    char *const text = dst + name_size;
    memcpy(text, c.out.data(), c.out.size());
    dst[size] = '\0';
    for (char *p = static_cast<char *>(memchr(text, ARG_SEP, c.out.size())); p != nullptr;
         p = static_cast<char *>(memchr(p + 1, ARG_SEP, static_cast<size_t>(dst + size - p - 1))))
        *p = ',';
}
