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
#include <utility>
#include <vector>

namespace {

bool word_char(char c) {
    return isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The base type of the declared variable `name`, or nullptr.
const char *declared_type(const std::string &name) {
    for (int i = 0; i < declare_no && i < DECLARE_LIST_MAX; i++)
        if (strcmp(declare_list[i].name, name.c_str()) == 0)
            return declare_list[i].base_type;
    return nullptr;
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

static int scan_item(const char *item_text, std::string &name, std::string &type) {
    name.clear();
    type.clear();
    std::string item = item_text == nullptr ? std::string() : std::string(item_text);
    // 1. Without one enclosing pair of parentheses and without leading blanks.
    item.erase(0, std::min(item.find_first_not_of(' '), item.size()));
    if (item.size() >= 2 && item.front() == '(' && item.back() == ')') {
        item.pop_back();
        item.erase(0, 1);
        item.erase(0, std::min(item.find_first_not_of(' '), item.size()));
    }
    // 2.
    if (item == "NULL")
        return 0;
    // The dots of the item, looked at once: ".*" anywhere, and a double quote next to a dot.
    bool dot_star = false, dot_quote = false;
    for (size_t d = item.find('.'); d != std::string::npos; d = item.find('.', d + 1)) {
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
        return quoted_reference(item, name, type);
    // 3. An alias in double quotes.
    std::string alias;
    const size_t q = item.find('"');
    if (q != std::string::npos) {
        const size_t e = item.find('"', q + 1);
        std::string a = item.substr(q + 1, e == std::string::npos ? std::string::npos : e - q - 1);
        bool ok = !a.empty() && isdigit(static_cast<unsigned char>(a[0])) == 0;
        for (char c : a)
            ok = ok && word_char(c);
        if (ok)
            alias = a;
    }
    // 4. The current word, its qualifier, a leading number.
    // The word's characters stand together in the item: it is kept as where it starts and how
    // long it is.
    size_t word_at = 0, word_len = 0;
    std::string qualifier;
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
                qualifier.assign(item, word_at, word_len);
            word_len = 0;
            continue;
        }
        if (isdigit(static_cast<unsigned char>(c)) != 0 && word_len == 0) {
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
    const std::string word = item.substr(word_at, word_len);
    int result = 0;
    if (alias_name) {
        name = alias;
        result = 1;
    } else if (!word.empty() && !negative) {
        // 5.
        const char *declared = declared_type(word);
        std::string t;
        if (tot_tab == 1) {
            if (declared != nullptr) {
                t = declared;
            } else {
                t = tab_list[0].name;
                t += '.';
                t += word;
                t += "%TYPE";
            }
        } else if (!qualifier.empty() && tot_tab > 1) {
            bool found = false;
            for (int i = 0; i < tot_tab && i < TAB_LIST_MAX; i++)
                if (strcmp(tab_list[i].name, qualifier.c_str()) == 0 ||
                    strcmp(tab_list[i].alias, qualifier.c_str()) == 0) {
                    t = tab_list[i].name;
                    t += '.';
                    t += word;
                    t += "%TYPE";
                    found = true;
                    break;
                }
            if (!found && declared != nullptr)
                t = declared;
        } else if (declared != nullptr) {
            t = declared;
        }
        type = std::move(t);
        name = word;
        result = 1;
    }
    // 6.
    if (digits > 0 && !letters)
        type = "INTEGER";
    // 7.
    if (result == 0 && !alias.empty()) {
        name = alias;
        result = 1;
    }
    // 8. The calls of the item, looked at once: the name just before each '('.
    bool integer_call = false, number_call = false;
    for (size_t p = item.find('('); p != std::string::npos; p = item.find('(', p + 1)) {
        const auto called = [&item, p](const char *fn, size_t n) {
            return p >= n && item.compare(p - n, n, fn) == 0;
        };
        integer_call = integer_call || called("COUNT", 5) || called("SUM", 3) || called("ROUND", 5);
        number_call = number_call || called("TO_NUMBER", 9);
    }
    if (integer_call)
        type = "INTEGER";
    if (number_call)
        type = "NUMBER";
    if (item.find("Tarn_version") != std::string::npos)
        type = "DATE";
    return result;
}

int check_name(const char *item_text, char *name, char *type) {
    std::string name_text, type_text;
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
