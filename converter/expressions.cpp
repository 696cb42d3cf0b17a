// Expressions and conditions: comparison and NULL tests, existence tests, IF UPDATE in
// triggers, search conditions with outer joins, operators, CASE as DECODE, function calls with
// CONVERT styles, and string literals.
#include "expressions.h"
#include "literals.h"

#include "builtins.h"
#include "blockstack.h"
#include "error_handling.h"
#include "convstate.h"
#include "diagnostics.h"
#include "namecheck.h"
#include "output.h"
#include "parser.h"
#include "queries.h"
#include "statement_text.h"
#include "textwalk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

const char *const EMPTY_CASE_ELSE = "EMPTY_CASE_ELSE";

namespace {

// `s`, or "" for nullptr: a value read in place.
const char *or_empty(const char *s) {
    return s != nullptr ? s : "";
}

std::string tabs(int n) {
    return n > 0 ? std::string(static_cast<size_t>(n), '\t') : std::string();
}

bool is_not_equal(std::string_view op) {
    return op == "!=" || op == "<>";
}

// The operator seen from the other side: "<" and ">", ">=" and "<=", "!>" and "!<" swap.
std::string mirrored(const std::string &op) {
    static const char *const pairs[][2] = {{"<", ">"},   {">", "<"},   {">=", "<="},
                                           {"<=", ">="}, {"!>", "!<"}, {"!<", "!>"}};
    for (const auto &p : pairs)
        if (op == p[0])
            return p[1];
    return op;
}

// `text` with every "+" outside single-quoted literals replaced by "||".
std::string plus_to_concat(const std::string &text) {
    return replace_outside_literals(text, "+", "||");
}

// Whether `text` holds the name of a string function of the target anywhere (inside a longer
// name or a literal too): a "+" next to such a call joins strings.
bool names_string_function(const char *text) {
    const auto at = [](const char *p, std::string_view name) {
        return strncmp(p, name.data(), name.size()) == 0;
    };
    // Only the first letters of the names matter; the library's search skips to them.
    for (const char *p = strpbrk(text, "CLURST"); p != nullptr; p = strpbrk(p + 1, "CLURST")) {
        switch (*p) {
        case 'C':
            if (at(p, "CHR"))
                return true;
            break;
        case 'L':
            if (at(p, "LOWER") || at(p, "LTRIM") || at(p, "LPAD"))
                return true;
            break;
        case 'U':
            if (at(p, "UPPER"))
                return true;
            break;
        case 'S':
            if (at(p, "SUBSTR"))
                return true;
            break;
        case 'R':
            if (at(p, "RTRIM") || at(p, "RPAD"))
                return true;
            break;
        default: // 'T'
            if (at(p, "TO_CHAR"))
                return true;
            break;
        }
    }
    return false;
}

} // namespace

std::string xpr_concat_text(const std::string &text) {
    return plus_to_concat(text);
}

namespace {

// True when `text` contains " + " outside single-quoted literals, the literals read as blanks
// (so that a blank may stand for a literal's quote): a "+" outside literals with a blank or a
// literal's quote on each side. A quote just before such a "+" closes a literal and one just
// after it opens one. The literals are skipped to their closing quotes at once; a literal left
// open runs to the end of the text.
bool plus_between_blanks(const char *text) {
    const auto blank = [](char c) { return c == ' ' || c == '\''; };
    const char *p = text;
    for (;;) {
        p = strpbrk(p, "'+");
        if (p == nullptr)
            return false;
        if (*p == '\'') {
            p = strchr(p + 1, '\'');
            if (p == nullptr)
                return false;
            p++;
            continue;
        }
        if (p != text && blank(p[-1]) && blank(p[1]))
            return true;
        p++;
    }
}

// The subquery just read (qstr1, qstr2) as a temporary variable: its single-row block is
// written before the statement, after the two comments on subqueries used as values when
// `comments` is set. Returns "temp_var<n>".
std::string subquery_variable(bool comments) {
    static char tabs_buf[YYVALSIZE];
    if (comments && yyout != nullptr) {
        if (firstTime != 0 && begin_printed == 0)
            firstTime = 0;
        print_tabs();
        fputs("/****** Subqueries in select list is not supported in Corvane. *******/", yyout);
        print_tabs();
        fputs("/****** MANUAL CONVERSION MIGHT BE REQUIRED *******/", yyout);
    }
    check_selection(tabs_buf);
    return "temp_var" + std::to_string(temp_var_cnt);
}

// The WHENs of the CASEs being read, innermost last: each with the column or value it names
// ("" for none) and its comparison ("" for the simple form). A CASE inside a WHEN's result is
// complete before that WHEN is reduced, so each CASE takes the last `count` entries.
struct case_when_entry {
    std::string subject, op, value, result;
};
std::vector<case_when_entry> case_whens;
std::vector<int> case_when_counts;   // WHENs of each open WHEN list, innermost last
std::vector<std::string> case_elses; // the ELSE result of each complete WHEN list, innermost last
int case_depth = 0;                  // CASEs open (read by the scanner, not yet ended)

} // namespace

bool xpr_in_condition() {
    if (inWhere != 0 || inHaving != 0)
        return true;
    return (inIF != 0 || inWhile != 0) && inSelect == 0;
}

void xpr_comparison(char *dst, const char *left, const char *op, const char *right) {
    const std::string_view o = or_empty(op);
    // The right side as lit_for_target gives it: read in place unless a hexadecimal literal
    // is pending.
    std::string r_text;
    std::string_view r = or_empty(right);
    if (lit_hex_pending()) {
        r_text = lit_for_target(left, right);
        r = r_text;
    }
    if (r == "''" && o == "=")
        val_concat(dst, or_empty(left), " IS NULL");
    else if (r == "''" && is_not_equal(o))
        val_concat(dst, or_empty(left), " IS NOT NULL");
    else
        val_concat(dst, or_empty(left), " ", o, " ", r);
}

void xpr_null_comparison(char *dst, const char *left, const char *op) {
    const std::string_view o = or_empty(op);
    if (o == "=")
        val_printf(dst, "%s IS NULL", or_empty(left));
    else if (is_not_equal(o))
        val_printf(dst, "%s IS NOT NULL", or_empty(left));
    else
        val_printf(dst, "%s %s NULL", or_empty(left), or_empty(op));
}

void xpr_condition_compare(char *dst, const char *left, const char *op, const char *right) {
    if (inWhere == 0 && inHaving == 0 && (inIF != 0 || inWhile != 0))
        xpr_comparison(dst, left, op, right);
    else
        val_concat(dst, or_empty(left), " ", or_empty(op), " ", or_empty(right));
}

void xpr_mark_existence_test() {
    if_exists = 1;
}

void xpr_existence_is_null(char *dst, const char *test, bool negated) {
    if_exists = 1;
    val_printf(dst, negated ? "%s IS NOT NULL" : "%s IS NULL", test);
}

void xpr_in_existence_test(char *dst, const char *value, const char *test, bool negated) {
    if_exists = 1;
    val_printf(dst, negated ? "%s NOT IN %s" : "%s IN %s", value, test);
}

void xpr_exists_compare(char *dst, const char *test, const char *op, const char *value,
                        bool test_left) {
    if_exists = 1;
    const std::string o = str(op);
    const std::string shown = test_left ? mirrored(o) : o;
    if (value == nullptr) {
        if (o == "=" || is_not_equal(o))
            xpr_null_comparison(dst, test, o.c_str());
        else
            val_printf(dst, "NULL %s %s", shown.c_str(), or_empty(test));
    } else if (test_left) {
        val_printf(dst, "%s %s %s", value, shown.c_str(), or_empty(test));
    } else {
        val_printf(dst, "%s %s %s", value, o.c_str(), or_empty(test));
    }
}

void xpr_if_updating(char *dst, const char *columns) {
    const std::string list = str(columns);
    if (iftrigger == 0) {
        val_printf(dst, "UPDATING %s\n", diagnose(diag::if_update, yylineno, {list}).c_str());
        return;
    }
    // Each column: its new value differs from its old one. Blanks of the list are copied.
    std::string out = "(";
    size_t pos = 0;
    for (;;) {
        const size_t comma = list.find(',', pos);
        std::string item =
            list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        size_t lead = 0;
        while (lead < item.size() && (item[lead] == ' ' || item[lead] == '\t'))
            out += item[lead++];
        item = item.substr(lead);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
            item.pop_back();
        const size_t dot = item.rfind('.');
        std::string column = dot == std::string::npos ? item : item.substr(dot + 1);
        if (dot == std::string::npos || item.substr(0, dot) == trig_tab)
            out += ":NEW.";
        else
            out += item.substr(0, dot) + ".";
        out += column + " != :OLD." + column;
        if (comma == std::string::npos)
            break;
        out += " OR";
        pos = comma + 1;
    }
    out += ")";
    val_set(dst, out.c_str());
}

void xpr_search_join(char *dst, const char *left, const char *op, const char *right) {
    val_concat(dst, or_empty(left), " \n\t", stmt_text::tab_run(no_of_tabs), stmt_text::printed(op),
               " ", or_empty(right));
}

void xpr_search_not(char *dst, const char *condition) {
    val_printf(dst, "\n\t%sNOT %s", tabs(no_of_tabs).c_str(), or_empty(condition));
}

void xpr_search_paren(char *dst, const char *condition) {
    val_printf(dst, "\n\t%s(%s)", tabs(no_of_tabs).c_str(), or_empty(condition));
}

void xpr_subquery_compared(char *dst, const char *subquery, const char *op) {
    val_printf(dst, "\n%s\n%s %s", diagnose(diag::subquery_comparison, yylineno).c_str(),
               or_empty(subquery), or_empty(op));
}

void xpr_outer_join(char *dst, const char *left, const char *op, const char *right) {
    if (str(op) == "*=")
        val_printf(dst, "%s = %s (+)", or_empty(left), or_empty(right));
    else
        val_printf(dst, "%s (+) = %s ", or_empty(left), or_empty(right));
}

void xpr_in_subquery(char *dst, const char *left, const char *subquery, bool negated) {
    // A string literal on the left stays a literal: in double quotes it would name a column.
    val_printf(dst, negated ? "%s NOT IN %s" : "%s IN %s", or_empty(left), or_empty(subquery));
}

void xpr_binary(char *dst, const char *left, const char *op, const char *right) {
    const char *l = or_empty(left);
    // The right side without its at signs: most hold none and are read in place.
    const char *r = or_empty(right);
    std::string r_text;
    if (strchr(r, '@') != nullptr) {
        r_text = remove_at_signs(r);
        r = r_text.c_str();
    }
    const std::string_view o = or_empty(op);
    if (o == "%") {
        val_concat(dst, "MOD(", l, ", ", r, ")");
        return;
    }
    if (o == "&") {
        val_concat(dst, "BITAND(", l, ", ", r, ")");
        return;
    }
    bool concat = false;     // the "+" joins strings: "||"
    std::string joined_left; // the left side with its own "+" written as "||"
    if (o == "+") {
        if (which_literal == STRING) {
            concat = true;
            if (plus_between_blanks(l)) {
                joined_left = plus_to_concat(l);
                l = joined_left.c_str();
            }
        } else {
            concat = names_string_function(l) || names_string_function(r);
        }
    }
    if (concat)
        val_concat(dst, l, " || ", r);
    else
        val_concat(dst, l, " ", o, " ", r);
}

void xpr_subquery_operand(char *dst, const char *other, const char *op, bool subquery_left) {
    const std::string var = subquery_variable(true), o = str(op);
    const std::string joint = o == "+" && which_literal == STRING ? " || " : " " + o + " ";
    if (subquery_left)
        val_printf(dst, "%s%s%s", var.c_str(), joint.c_str(), or_empty(other));
    else
        val_printf(dst, "%s%s%s", or_empty(other), joint.c_str(), var.c_str());
}

void xpr_subquery_compare_subquery(char *dst, const char *left, const char *op) {
    const std::string var = subquery_variable(true);
    val_printf(dst, "%s %s %s", var.c_str(), or_empty(op), or_empty(left));
}

void xpr_exists_compare_subquery(char *dst, const char *test, const char *op) {
    const std::string var = subquery_variable(false);
    xpr_exists_compare(dst, test, op, var.c_str(), true);
}

void xpr_case_when(char *dst, const char *subject, const char *op, const char *value,
                   const char *result) {
    if (subject != nullptr)
        state_copy(case_var, sizeof case_var, subject, "the subject of a CASE");
    case_whens.push_back({str(subject), str(op), str(value), str(result)});
    const std::string collected =
        std::string(case_param) + ", " + str(value) + ", " + std::string(cur_case_param);
    state_copy(case_param, sizeof case_param, collected.c_str(), "the branches of a CASE");
    val_printf(dst, "%s, %s", or_empty(value), or_empty(result));
}

void xpr_case_when_searched(char *dst, const char *condition, const char *result) {
    // A bare name before THEN is the value of a simple CASE (rule 440), as before.
    const std::string c = str(condition);
    if (!c.empty() && c.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789_@#$.:") == std::string::npos) {
        xpr_case_when(dst, nullptr, nullptr, condition, result);
        return;
    }
    case_whens.push_back({"", "WHEN", str(condition), str(result)});
    val_printf(dst, "%s, %s", or_empty(condition), or_empty(result));
}

void xpr_case_first(char *dst, const char *when) {
    case_when_counts.push_back(1);
    val_printf(dst, ", %s", or_empty(when));
}

void xpr_case_next(char *dst, const char *list, const char *when) {
    if (!case_when_counts.empty())
        case_when_counts.back()++;
    val_printf(dst, "%s, %s", or_empty(list), or_empty(when));
}

void xpr_case_exp(char *dst, const char *list, const char *else_result) {
    case_elses.push_back(else_result == nullptr ? EMPTY_CASE_ELSE : else_result);
    if (else_result == nullptr || strcmp(else_result, EMPTY_CASE_ELSE) == 0)
        val_set(dst, or_empty(list));
    else
        val_printf(dst, "%s , %s", or_empty(list), else_result);
}

void xpr_case_keyword() {
    if (case_flag == 0) { // nothing open: what a broken CASE may have left is stale
        case_depth = 0;
        case_whens.clear();
        case_when_counts.clear();
        case_elses.clear();
    }
    case_depth++;
    case_flag = 1;
}

void xpr_case(char *dst, const char *case_exp) {
    // This CASE's WHENs: DECODE compares one value for equality; a WHEN with another operator,
    // or one naming another value, makes the whole CASE a searched CASE of the target.
    size_t count = case_whens.size();
    if (!case_when_counts.empty()) {
        count = std::min(count, static_cast<size_t>(case_when_counts.back()));
        case_when_counts.pop_back();
    }
    std::string else_result = EMPTY_CASE_ELSE;
    if (!case_elses.empty()) {
        else_result = case_elses.back();
        case_elses.pop_back();
    }
    std::string subject;
    bool searched = false;
    for (size_t i = case_whens.size() - count; i < case_whens.size(); i++) {
        const case_when_entry &w = case_whens[i];
        if (!w.op.empty() && w.op != "=")
            searched = true; // another operator, or a whole condition ("WHEN")
        if (!w.subject.empty()) {
            if (!w.op.empty() && !subject.empty() &&
                remove_at_signs(subject) != remove_at_signs(w.subject))
                searched = true;
            subject = w.subject; // the last one named, as each WHEN form sets case_var
        }
    }
    std::string text;
    if (searched) {
        // Each WHEN tests its own value; a WHEN without a comparison tests the value named
        // before it for equality.
        std::string named;
        text = "CASE";
        for (size_t i = case_whens.size() - count; i < case_whens.size(); i++) {
            const case_when_entry &w = case_whens[i];
            if (!w.subject.empty())
                named = w.subject;
            if (w.op == "WHEN") {
                text += " WHEN " + w.value + " THEN " + w.result;
                continue;
            }
            text += " WHEN " + named + " " + (w.op.empty() ? std::string("=") : w.op) + " " +
                    w.value + " THEN " + w.result;
        }
        if (else_result != EMPTY_CASE_ELSE)
            text += " ELSE " + else_result;
        text += " END";
    }
    case_whens.resize(case_whens.size() - count);
    state_copy(case_var, sizeof case_var, subject.c_str(), "the subject of a CASE");
    if (!searched)
        text = "DECODE(" + std::string(case_var) + str(case_exp) + ")";
    if (cur_col > 0 && case_flag != 0) {
        const std::string stored =
            searched ? text : "DECODE(" + std::string(case_var) + case_param + ")";
        const int slot = cur_col < PARAMS_MAX ? cur_col : PARAMS_MAX - 1;
        list_mark(params_marked, slot);
        state_copy(params[slot], sizeof params[slot], stored.c_str(), "a CASE of a select list");
    }
    val_printf(dst, "%s%s", tabs(no_of_tabs).c_str(), text.c_str());
    case_param[0] = '\0';
    case_var[0] = '\0';
    case_depth = case_depth > 0 ? case_depth - 1 : 0;
    case_flag = case_depth > 0 ? 1 : 0;
}

void xpr_function_call(char *dst, const char *name, const char *args) {
    if (err_function(dst, name, args))
        return;
    static char n[YYVALSIZE], a[YYVALSIZE];
    val_set(a, or_empty(args));
    if (query_in_fn != 0) {
        val_set(n, or_empty(name));
        process_function(n, a);
        val_printf(dst, "(SELECT %s%s %s)", n, a, qstr2);
        query_in_fn = 0;
    } else {
        process_function_value(dst, or_empty(name), a);
    }
}

void xpr_function_call_args(char *dst, const char *name, const char *args) {
    std::string moved, from;
    if (!qry_fn_arguments_end(moved, from)) {
        xpr_function_call(dst, name, args);
        return;
    }
    static char n[YYVALSIZE], a[YYVALSIZE];
    val_set(n, or_empty(name));
    val_set(a, moved.c_str());
    query_in_fn = 0; // the arguments already hold the select list in the subquery's place
    process_function(n, a);
    val_printf(dst, "(SELECT %s%s %s)", n, a, from.c_str());
}

void xpr_function_star(char *dst, const char *name) {
    const std::string n = str(name);
    if (n != "COUNT" && builtin_known(n.c_str()))
        xpr_function_call(dst, n.c_str(), "");
    else
        val_concat(dst, n, "(*)");
}

const char *xpr_style_format(const char *style) {
    // The source's styles by number: the two-digit-year form n and the four-digit-year form
    // 100 + n share a row where the source has both. Milliseconds (styles 9, 13, 14, 21, 121,
    // 126, 130, 131) are left out: a DATE of the target holds whole seconds. Hours are
    // hh24 where the source shows 24 hours, hh with AM/PM where it shows 12.
    static const struct {
        int style;
        const char *format;
    } formats[] = {{0, "'mon dd yyyy hh:miAM'"},
                   {100, "'mon dd yyyy hh:miAM'"},
                   {1, "'mm/dd/yy'"},
                   {101, "'mm/dd/yyyy'"},
                   {2, "'yy.mm.dd'"},
                   {102, "'yyyy.mm.dd'"},
                   {3, "'dd/mm/yy'"},
                   {103, "'dd/mm/yyyy'"},
                   {4, "'dd.mm.yy'"},
                   {104, "'dd.mm.yyyy'"},
                   {5, "'dd-mm-yy'"},
                   {105, "'dd-mm-yyyy'"},
                   {6, "'dd mon yy'"},
                   {106, "'dd mon yyyy'"},
                   {7, "'mon dd, yy'"},
                   {107, "'mon dd, yyyy'"},
                   {8, "'hh24:mi:ss'"},
                   {108, "'hh24:mi:ss'"},
                   {9, "'mon dd yyyy hh:mi:ssAM'"},
                   {109, "'mon dd yyyy hh:mi:ssAM'"},
                   {10, "'mm-dd-yy'"},
                   {110, "'mm-dd-yyyy'"},
                   {11, "'yy/mm/dd'"},
                   {111, "'yyyy/mm/dd'"},
                   {12, "'yymmdd'"},
                   {112, "'yyyymmdd'"},
                   {13, "'dd mon yyyy hh24:mi:ss'"},
                   {113, "'dd mon yyyy hh24:mi:ss'"},
                   {14, "'hh24:mi:ss'"},
                   {114, "'hh24:mi:ss'"},
                   {20, "'yyyy-mm-dd hh24:mi:ss'"},
                   {120, "'yyyy-mm-dd hh24:mi:ss'"},
                   {21, "'yyyy-mm-dd hh24:mi:ss'"},
                   {121, "'yyyy-mm-dd hh24:mi:ss'"},
                   {22, "'mm/dd/yy hh:mi:ss AM'"},
                   {23, "'yyyy-mm-dd'"},
                   {126, "'yyyy-mm-dd\"T\"hh24:mi:ss'"},
                   {130, "'dd mon yyyy hh:mi:ssAM'"},
                   {131, "'dd/mm/yyyy hh:mi:ssAM'"}};
    const std::string s = str(style);
    if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos)
        return nullptr;
    const int n = std::stoi(s);
    for (const auto &f : formats)
        if (f.style == n)
            return f.format;
    return nullptr;
}

void xpr_convert(char *dst, const char *name, const char *type, const char *expr,
                 const char *style) {
    const char *t = or_empty(type);
    const char *e = query_in_fn != 0 ? qstr1 : or_empty(expr);
    std::string args;
    args.reserve(strlen(t) + strlen(e) + 2);
    if (strncmp(t, "CHAR(", 5) == 0) {
        args += "CHR";
        args += t + 4;
    } else {
        args += t;
    }
    args += ',';
    args += e;
    if (style != nullptr && style[0] != '\0') {
        const char *format = xpr_style_format(style);
        const std::string s = str(style);
        if (format == nullptr) {
            // A style without a mask (or not a number): the value converts without one, the
            // style stays visible in a comment.
            diagnostic_note(diag::convert_style, {s});
            args += " /* style " + s + " */";
        } else {
            // The Hijri styles: the mask is the source's, the calendar is not.
            if (s == "130" || s == "131")
                diagnostic_note(diag::convert_style_hijri, {s});
            args += std::string(", ") + format;
        }
    }
    // (xpr_function_call copies the arguments into a value buffer of its own.)
    xpr_function_call(dst, name, args.c_str());
}

void xpr_function_of_subquery(char *dst, const char *name, const char *subquery) {
    static char n[YYVALSIZE], a[YYVALSIZE];
    val_set(n, or_empty(name));
    val_set(a, or_empty(subquery));
    process_function(n, a);
    if (qstr1[0] != '\0')
        val_printf(dst, "(SELECT %s(%s) %s)", n, qstr1, qstr2);
    else
        val_printf(dst, "%s(%s)", n, or_empty(subquery));
    query_in_fn = 0;
}

void xpr_string_literal(char *dst, const char *literal) {
    // Placeholders belong to PRINT and RAISERROR messages only: a data literal ('50%', a LIKE
    // pattern) passes unchanged.
    val_set(dst, or_empty(literal));
    which_literal = STRING;
}

void xpr_strings_join(char *dst, const char *left, const char *right) {
    val_concat(dst, or_empty(left), " || ", or_empty(right));
}
