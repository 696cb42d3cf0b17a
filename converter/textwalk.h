// A walk through SQL text that knows where it stands: inside a string literal or not (single
// quotes; a doubled quote leaves and re-enters the literal, so it needs no case of its own)
// and how deep inside parentheses.
#pragma once

#include <string>
#include <vector>

struct sql_position {
    bool quoted = false;
    int depth = 0;

    // Takes the next character; a ')' without its '(' leaves the depth at 0.
    void step(char c) {
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && c == '(')
            depth++;
        else if (!quoted && c == ')' && depth > 0)
            depth--;
    }
    // The last character taken stands outside literals and parentheses.
    bool top() const { return !quoted && depth == 0; }
};

// The pieces of `text` between its commas outside literals and parentheses (one piece when
// there is no such comma).
inline std::vector<std::string> top_level_items(const std::string &text) {
    std::vector<std::string> items(1);
    sql_position at;
    for (char c : text) {
        at.step(c);
        if (at.top() && c == ',')
            items.emplace_back();
        else
            items.back() += c;
    }
    return items;
}
