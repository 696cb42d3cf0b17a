// SET ROWCOUNT limits of a unit and the queries each one applies to. The scanner reads a
// commented-out SET while the parser still holds the statement before it (as the look-ahead
// of that statement), so limits and queries are ordered by the count of tokens read, not by
// the time they are seen.
#include "rowcount.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"
#include "parser.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace rowcount_detail {
long tokens_read = 0;
int token_line = 0, previous_line = 0;
} // namespace rowcount_detail

namespace {

struct row_limit {
    long tokens;            // tokens read before the SET
    int line;               // the SET's line
    std::string value;      // the limit as written ("0" lifts it)
    std::vector<int> lines; // the lines of the queries it applies to
};

std::vector<row_limit> limits;
using rowcount_detail::previous_line;
using rowcount_detail::token_line;
using rowcount_detail::tokens_read;
bool in_set = false;
std::string set_text;
int set_line = 0;
long set_tokens = 0;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string line_list(const std::vector<int> &lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); i++) {
        if (i > 0)
            out += i + 1 == lines.size() ? " and " : ", ";
        out += std::to_string(lines[i]);
    }
    return out;
}

} // namespace

void rowcount_set_begins() {
    in_set = true;
    set_text.clear();
    set_line = yylineno;
    set_tokens = tokens_read;
}

void rowcount_set_text(const char *text, size_t length) {
    if (in_set)
        set_text.append(text, length);
}

void rowcount_set_ends() {
    if (!in_set)
        return;
    in_set = false;
    size_t i = 0;
    while (i < set_text.size() && is_blank(set_text[i]))
        i++;
    std::string word;
    while (i < set_text.size() && isalpha(static_cast<unsigned char>(set_text[i])) != 0)
        word += static_cast<char>(toupper(static_cast<unsigned char>(set_text[i++])));
    if (word != "ROWCOUNT" || i >= set_text.size() || !is_blank(set_text[i]))
        return;
    while (i < set_text.size() && is_blank(set_text[i]))
        i++;
    std::string value;
    while (i < set_text.size() && !is_blank(set_text[i]) && set_text[i] != ';')
        value += set_text[i++];
    if (!value.empty())
        limits.push_back({set_tokens, set_line, value, {}});
}

void rowcount_statement(bool query) {
    if (!query || limits.empty())
        return;
    // The statement's last token is the one before the look-ahead when one is held.
    const bool held = yychar >= 0;
    const long last = tokens_read - (held ? 1 : 0);
    const int line = held ? previous_line : token_line;
    for (auto it = limits.rbegin(); it != limits.rend(); ++it) {
        if (it->tokens < last) {
            if (it->value != "0")
                it->lines.push_back(line);
            break;
        }
    }
}

void rowcount_unit_end() {
    for (const row_limit &limit : limits) {
        if (limit.value == "0")
            continue;
        const diag kind = limit.lines.empty()       ? diag::rowcount_no_query
                          : limit.lines.size() == 1 ? diag::rowcount_one_query
                                                    : diag::rowcount_queries;
        print_tabs();
        fputs(diagnose(kind, limit.line, {limit.value, line_list(limit.lines)}).c_str(), yyout);
    }
    limits.clear();
}

void rowcount_reset() {
    limits.clear();
    in_set = false;
}
