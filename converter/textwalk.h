// The one walk through SQL text that knows where it stands: inside a string literal or not
// (single quotes; a doubled quote leaves and re-enters the literal, so it needs no case of its
// own; double quotes too where the walk's rules say so) and how deep inside parentheses. On it:
// the top-level split of a list, a search and a replacement outside literals, the end of a
// literal, and the text with its literals blanked out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// How a walk reads the text.
struct walk_rules {
    // A double-quoted name is a literal too: nothing inside it counts.
    bool double_quotes = false;
    // A ')' without its '(' takes the depth below 0, so that what follows it is not at the top
    // until a '(' makes up for it; otherwise such a ')' leaves the depth at 0.
    bool below_zero = false;
};

struct sql_position {
    walk_rules rules;
    char quote = 0; // the quote of the literal the walk stands in, 0 outside literals
    int depth = 0;

    sql_position() = default;
    explicit sql_position(walk_rules r) : rules(r) {}

    // Takes the next character.
    void step(char c) {
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            return;
        }
        // Outside literals only a quote or a parenthesis counts: '"' to ')' in ASCII.
        if (static_cast<unsigned char>(c - '"') > static_cast<unsigned char>(')' - '"'))
            return;
        if (c == '\'' || (c == '"' && rules.double_quotes)) {
            quote = c;
        } else if (c == '(') {
            depth++;
        } else if (c == ')' && (depth > 0 || rules.below_zero)) {
            depth--;
        }
    }
    // The last character taken opens a literal or stands inside one (not the closing quote).
    bool quoted() const { return quote != 0; }
    // The last character taken stands outside literals and parentheses.
    bool top() const { return quote == 0 && depth == 0; }
};

// The pieces of `text` between its commas outside literals and parentheses (one piece when
// there is no such comma).
inline std::vector<std::string> top_level_items(const std::string &text, walk_rules rules = {}) {
    std::vector<std::string> items;
    sql_position at(rules);
    size_t start = 0; // where the current piece starts
    for (size_t i = 0; i < text.size(); i++) {
        at.step(text[i]);
        if (at.top() && text[i] == ',') {
            items.emplace_back(text, start, i - start);
            start = i + 1;
        }
    }
    items.emplace_back(text, start, std::string::npos);
    return items;
}

// The search and the replacement below see `needle` where the text starting at a position
// holds it and the walk from the text's start stands outside literals (and, for a top-level
// search, outside parentheses) before that position's character. An empty needle is nowhere.
namespace textwalk_detail {
inline size_t find(const std::string &text, const std::string &needle, size_t from, bool top,
                   walk_rules rules) {
    // Where the needle is nowhere in the text, it is nowhere outside literals either.
    if (needle.empty() || text.find(needle, from) == std::string::npos)
        return std::string::npos;
    const char lead = needle[0];
    sql_position at(rules);
    for (size_t i = 0; i < text.size(); i++) {
        const char c = text[i];
        // Any other character leaves the walk as it stands and begins no needle.
        if (c != lead &&
            static_cast<unsigned char>(c - '"') > static_cast<unsigned char>(')' - '"'))
            continue;
        if (i >= from && c == lead && (top ? at.top() : !at.quoted()) &&
            text.compare(i, needle.size(), needle) == 0)
            return i;
        at.step(c);
    }
    return std::string::npos;
}
} // namespace textwalk_detail

// Where `needle` first stands outside literals at or after `from`; npos when nowhere.
inline size_t find_outside_literals(const std::string &text, const std::string &needle,
                                    size_t from = 0, walk_rules rules = {}) {
    return textwalk_detail::find(text, needle, from, false, rules);
}

// Where `needle` first stands outside literals and parentheses at or after `from`; npos when
// nowhere.
inline size_t find_top_level(const std::string &text, const std::string &needle, size_t from = 0,
                             walk_rules rules = {}) {
    return textwalk_detail::find(text, needle, from, true, rules);
}

// The position of the quote that closes the literal opening at `from` (a doubled quote inside
// it leaves and re-enters the literal, so the literal goes on after it); npos when `from` opens
// no literal or the text ends inside it.
inline size_t literal_end(const std::string &text, size_t from = 0, walk_rules rules = {}) {
    if (from >= text.size())
        return std::string::npos;
    sql_position at(rules);
    at.step(text[from]);
    if (!at.quoted())
        return std::string::npos;
    for (size_t i = from + 1; i < text.size(); i++) {
        at.step(text[i]);
        if (!at.quoted() && (i + 1 == text.size() || text[i + 1] != text[from]))
            return i;
    }
    return std::string::npos;
}

// `text` with each `needle` outside literals replaced by `replacement`, from left to right (the
// walk goes on through the needle's own characters). Only whether the walk stands inside a
// literal matters here, so the walk goes from one needle or quote to the next (found by the
// library's searches, each kept until the walk passes it) and the text between two replacements
// is copied at once.
inline std::string replace_outside_literals(std::string_view text, std::string_view needle,
                                            std::string_view replacement, walk_rules rules = {}) {
    constexpr size_t none = std::string_view::npos;
    size_t lead_at = needle.empty() ? none : text.find(needle[0]);
    if (lead_at == none || text.find(needle, lead_at) == none)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    sql_position at(rules);
    size_t single_at = text.find('\'');
    size_t double_at = rules.double_quotes ? text.find('"') : none;
    size_t copied = 0; // text before this position is in out
    size_t i = 0;
    for (;;) {
        if (at.quote != 0) {
            // Inside a literal: on to its closing quote.
            const size_t close = text.find(at.quote, i);
            if (close == none)
                break;
            at.quote = 0;
            i = close + 1;
        }
        if (lead_at != none && lead_at < i)
            lead_at = text.find(needle[0], i);
        if (lead_at == none)
            break; // no needle further on
        if (single_at != none && single_at < i)
            single_at = text.find('\'', i);
        if (double_at != none && double_at < i)
            double_at = text.find('"', i);
        const size_t quote_at = single_at < double_at ? single_at : double_at;
        const bool match = quote_at >= lead_at && text.compare(lead_at, needle.size(), needle) == 0;
        if (!match && quote_at <= lead_at) {
            at.quote = text[quote_at]; // a literal opens before (or at) the needle's next lead
            i = quote_at + 1;
            continue;
        }
        if (!match) {
            i = lead_at + 1;
            continue;
        }
        out.append(text.data() + copied, lead_at - copied);
        out += replacement;
        for (char k : needle)
            at.step(k);
        i = lead_at + needle.size();
        copied = i;
    }
    out.append(text.data() + copied, text.size() - copied);
    return out;
}

// `text` with every character of its literals, their quotes included, turned into a blank: what
// is left can be searched for words without finding them inside literals.
inline std::string blank_literals(const std::string &text, walk_rules rules = {}) {
    std::string out;
    out.reserve(text.size());
    sql_position at(rules);
    for (char c : text) {
        const bool inside = at.quoted();
        at.step(c);
        out += inside || at.quoted() ? ' ' : c;
    }
    return out;
}
