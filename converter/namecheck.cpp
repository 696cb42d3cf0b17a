// Name and selection checks: str_match, check_name and check_selection.
#include "namecheck.h"

#include "blockstack.h"
#include "convstate.h"
#include "output.h"
#include "parser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// A letter, digit or underscore (ASCII: the converter runs in the "C" locale).
bool word_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the fixed text `stored` is `text`.
bool same_name(const char *stored, std::string_view text) {
    if (text.empty())
        return stored[0] == '\0';
    // The first characters first: most stored names differ there, without a call.
    return stored[0] == text[0] && strncmp(stored, text.data(), text.size()) == 0 &&
           stored[text.size()] == '\0';
}

// The base type of the declared variable `name`, or nullptr.
const char *declared_type(std::string_view name) {
    for (int i = 0; i < declare_no && i < DECLARE_LIST_MAX; i++)
        if (same_name(declare_list[i].name, name))
            return declare_list[i].base_type;
    return nullptr;
}

// `s` without its leading blanks.
std::string_view without_leading_blanks(std::string_view s) {
    s.remove_prefix(std::min(s.find_first_not_of(' '), s.size()));
    return s;
}

} // namespace

int str_match(const char *text, const char *word) {
    const size_t tl = strlen(text), wl = strlen(word);
    if (wl == 0)
        return 0;
    for (size_t pos = 0; pos + wl <= tl; pos++) {
        if (memcmp(text + pos, word, wl) != 0)
            continue;
        const char after = text[pos + wl];
        if (word_char(after) || after == '.')
            continue;
        if (pos > 0 && word_char(text[pos - 1]))
            continue;
        return 1;
    }
    return 0;
}

static int scan_item(const char *item_text, std::string &name, std::string &type);

static int quoted_reference(const std::string &item, std::string &name, std::string &type) {
    std::string bare;
    for (char c : item)
        if (c != '"')
            bare += c;
    std::vector<char> text(bare.begin(), bare.end());
    text.push_back('\0');
    const int result = scan_item(text.data(), name, type);
    const size_t dot = item.rfind('.');
    if (result != 1 || dot == std::string::npos || item.size() < dot + 3 || item[dot + 1] != '"' ||
        item.back() != '"' || name != item.substr(dot + 2, item.size() - dot - 3))
        return result;
    const std::string column = name, quoted = "\"" + column + "\"";
    name = quoted;
    std::string t = type;
    const std::string suffix = "." + column + "%TYPE";
    if (t.size() > suffix.size() && t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0)
        t = t.substr(0, t.size() - suffix.size()) + "." + quoted + "%TYPE";
    type = t;
    return result;
}

// The item is read in place: its parts are views of item_text.
static int scan_item(const char *item_text, std::string &name, std::string &type) {
    name.clear();
    type.clear();
    std::string_view item = item_text == nullptr ? std::string_view() : item_text;
    // 1. Without one enclosing pair of parentheses and without leading blanks.
    item = without_leading_blanks(item);
    if (item.size() >= 2 && item.front() == '(' && item.back() == ')') {
        item.remove_suffix(1);
        item.remove_prefix(1);
        item = without_leading_blanks(item);
    }
    // 2.
    if (item == "NULL")
        return 0;
    // The dots of the item, looked at once: ".*" anywhere, and a double quote next to a dot.
    bool dot_star = false, dot_quote = false;
    for (size_t d = item.find('.'); d != std::string_view::npos; d = item.find('.', d + 1)) {
        const char next = d + 1 < item.size() ? item[d + 1] : '\0';
        dot_star = dot_star || next == '*';
        dot_quote = dot_quote || next == '"' || (d > 0 && item[d - 1] == '"');
    }
    if ((!item.empty() && item[0] == '*') || dot_star) {
        name = "*";
        return 2;
    }
    if (item.size() >= 2 && item.front() == '\'' && item.back() == '\'')
        return 0;
    // A quoted identifier as qualifier or column ("O".id, o."PRECISION"): the reference is
    // read without its double quotes; a quoted column keeps them in the name and the type.
    if (dot_quote)
        return quoted_reference(std::string(item), name, type);
    // 3. An alias in double quotes.
    std::string_view alias;
    const size_t q = item.find('"');
    if (q != std::string_view::npos) {
        const size_t e = item.find('"', q + 1);
        const std::string_view a =
            item.substr(q + 1, e == std::string_view::npos ? std::string_view::npos : e - q - 1);
        bool ok = !a.empty() && !is_digit(a[0]);
        for (char c : a)
            ok = ok && word_char(c);
        if (ok)
            alias = a;
    }
    // 4. The current word, its qualifier, a leading number.
    // The word's characters stand together in the item: it is kept as where it starts and how
    // long it is.
    size_t word_at = 0, word_len = 0;
    std::string_view qualifier;
    int digits = 0;
    bool negative = false, letters = false, alias_name = false;
    for (size_t i = 0; i < item.size(); i++) {
        const char c = item[i];
        if (i == 0 && c == '-') {
            negative = true;
            continue;
        }
        if (c == '.') {
            if (word_len == 0 && digits > 0)
                continue; // a decimal point between digits
            if (word_len != 0)
                qualifier = item.substr(word_at, word_len);
            word_len = 0;
            continue;
        }
        if (is_digit(c) && word_len == 0) {
            digits++;
            continue;
        }
        if (word_char(c)) {
            letters = true;
            if (word_len == 0)
                word_at = i;
            word_len++;
            continue;
        }
        // A blank or another character ends the scan.
        if (use_alias == 1 && !alias.empty()) {
            alias_name = true;
            word_len = 0;
        } else if (c != ' ' || alias.empty()) {
            word_len = 0;
        }
        break;
    }
    const std::string_view word = item.substr(word_at, word_len);
    int result = 0;
    if (alias_name) {
        name.assign(alias);
        result = 1;
    } else if (!word.empty() && !negative) {
        // 5. The type: the declared variable's, or the column's of its table
        // ("<table>.<word>%TYPE").
        const char *declared = declared_type(word);
        auto column_type = [&type, word](const char *table) {
            type.assign(table);
            type += '.';
            type.append(word);
            type += "%TYPE";
        };
        if (tot_tab == 1) {
            if (declared != nullptr)
                type.assign(declared);
            else
                column_type(tab_list[0].name);
        } else if (!qualifier.empty() && tot_tab > 1) {
            bool found = false;
            for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++)
                if (same_name(tab_list[i].name, qualifier) ||
                    same_name(tab_list[i].alias, qualifier)) {
                    column_type(tab_list[i].name);
                    found = true;
                    break;
                }
            if (!found && declared != nullptr)
                type.assign(declared);
        } else if (declared != nullptr) {
            type.assign(declared);
        }
        name.assign(word);
        result = 1;
    }
    // 6.
    if (digits > 0 && !letters)
        type = "INTEGER";
    // 7.
    if (result == 0 && !alias.empty()) {
        name.assign(alias);
        result = 1;
    }
    // 8. The calls of the item, looked at once: the name just before each '('.
    bool integer_call = false, number_call = false;
    for (size_t p = item.find('('); p != std::string_view::npos; p = item.find('(', p + 1)) {
        const auto called = [item, p](std::string_view fn) {
            return p >= fn.size() && item.substr(p - fn.size(), fn.size()) == fn;
        };
        integer_call = integer_call || called("COUNT") || called("SUM") || called("ROUND");
        number_call = number_call || called("TO_NUMBER");
    }
    if (integer_call)
        type = "INTEGER";
    if (number_call)
        type = "NUMBER";
    if (item.find("Tarn_version") != std::string_view::npos)
        type = "DATE";
    return result;
}

int check_name(const char *item_text, char *name, char *type) {
    // Kept from call to call: their storage is reused.
    static std::string name_text, type_text;
    const int result = scan_item(item_text, name_text, type_text);
    // A name or type that does not fit stops the run: cut, the record field or the output
    // parameter would no longer name the column.
    state_copy(name, CHECK_NAME_LEN, name_text.c_str(), "a result column name");
    state_copy(type, CHECK_TYPE_LEN, type_text.c_str(), "a result column type");
    return result;
}

void check_selection(char *buf) {
    // 1. The unit's outer BEGIN comes first.
    if (firstTime != 0 && begin_printed == 0)
        firstTime = 0;
    // 2.
    line("BEGIN");
    line("Tarn_error   := 0;");
    line("Tarn_rowcnt  := 0;");
    // 3.
    int tables = 0;
    for (int i = 0; i < tab_cnt && i < TAB_LIST_MAX; i++)
        if (strcmp(tab_list1[i].name, ":OLD") != 0 && strcmp(tab_list1[i].name, ":NEW") != 0)
            tables++;
    // 4.
    print_tabs();
    fprintf(yyout, "SELECT %s", qstr1);
    // 5, 6.
    temp_var_cnt++;
    fprintf(fp2, "\ntemp_var%d \tVARCHAR2(255);", temp_var_cnt);
    print_tabs();
    fprintf(yyout, "INTO temp_var%d", temp_var_cnt);
    // 7.
    print_tabs();
    if (iftrigger == 0) {
        fprintf(yyout, "%s;", qstr2);
    } else if (tables < 1) {
        fputs("FROM DUAL;", yyout);
    } else {
        const char *p = qstr2;
        while (*p == '\t')
            p++;
        fprintf(yyout, "%s;", p);
    }
    // 8.
    line("Tarn_rowcnt := SQL%ROWCOUNT;");
    // 9.
    if (noexception == 1) {
        line("EXCEPTION");
        line("\tWHEN TOO_MANY_ROWS THEN");
        line("\t\tTarn_rowcnt  := 2;");
        line("\tWHEN OTHERS THEN");
        line("\t\tTarn_rowcnt  := 0;");
        line("\t\tTarn_error  := SQLCODE;");
        line("\t\tTarn_errmsg := SQLERRM;");
    }
    // 10.
    line("END;");
    // 11.
    const int n = no_of_tabs < 0 ? 0 : (no_of_tabs > YYVALMAX ? YYVALMAX : no_of_tabs);
    memset(buf, '\t', static_cast<size_t>(n));
    buf[n] = '\0';
}
