// Small text helpers shared by the translations of queries, data changes and table names
// (queries.cpp, select_statements.cpp, data_changes.cpp, table_names.cpp); str() and line()
// come from the output layer (output.h).
#pragma once

#include "builtins.h"
#include "output.h"
#include "parser.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

namespace stmt_text {

inline bool empty(const char *s) {
    return s == nullptr || s[0] == '\0';
}

// A text argument read in place: "" for nullptr (as str() gives it).
inline std::string_view view(const char *s) {
    return s == nullptr ? std::string_view() : std::string_view(s);
}
// A "%s" argument as val_printf writes it: "(null)" for nullptr.
inline std::string_view printed(const char *s) {
    return s == nullptr ? std::string_view("(null)") : std::string_view(s);
}

inline std::string tabs(int n) {
    return n > 0 ? std::string(static_cast<size_t>(n), '\t') : std::string();
}

// The same run of tabs read in place: valid until the next call asks for a longer run.
inline std::string_view tab_run(int n) {
    static std::string run; // grows to the longest run asked for
    if (n <= 0)
        return std::string_view();
    if (run.size() < static_cast<size_t>(n))
        run.assign(static_cast<size_t>(n), '\t');
    return std::string_view(run.data(), static_cast<size_t>(n));
}

// At signs of variables go; those inside string literals ('x@y.com') stay.
inline std::string without_at_signs(const std::string &s) {
    return remove_at_signs(s);
}
// The same for a text that may hold no at sign at all (most do): then it is copied as it is.
inline std::string without_at_signs(const char *s) {
    if (s == nullptr)
        return std::string();
    return strchr(s, '@') == nullptr ? std::string(s) : remove_at_signs(s);
}

// dst = the texts parts[0..count) one after another, as val_printf writes them for a format of
// "%s" pieces (cut at the capacity of a value, val_cut set). A text may lie in dst itself: then
// the texts are joined elsewhere before dst is written.
inline size_t val_join(char *dst, const std::string_view *parts, size_t count) {
    return val_concat_parts(dst, parts, count);
}

inline size_t val_join(char *dst, std::initializer_list<std::string_view> parts) {
    // The count is known where the call is inlined: the join of parser.h copies each part with
    // its own length then (a literal's known when compiling) instead of looping over them.
    switch (parts.size()) {
    case 2:
        return val_detail::concat(dst, parts.begin(), std::make_index_sequence<2>{});
    case 3:
        return val_detail::concat(dst, parts.begin(), std::make_index_sequence<3>{});
    case 4:
        return val_detail::concat(dst, parts.begin(), std::make_index_sequence<4>{});
    case 5:
        return val_detail::concat(dst, parts.begin(), std::make_index_sequence<5>{});
    case 6:
        return val_detail::concat(dst, parts.begin(), std::make_index_sequence<6>{});
    default:
        return val_join(dst, parts.begin(), parts.size());
    }
}

// dst = the texts that are not empty, one blank between two (at most 8 texts).
inline size_t val_join_words(char *dst, std::initializer_list<std::string_view> words) {
    std::string_view parts[16];
    size_t count = 0;
    for (const std::string_view w : words) {
        if (w.empty() || count + 2 > sizeof parts / sizeof parts[0])
            continue;
        if (count > 0)
            parts[count++] = " ";
        parts[count++] = w;
    }
    return val_join(dst, parts, count);
}

inline bool word_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Copies `text` into a fixed text of the state; a text that does not fit stops the run with
// status 1 (cutting it would change the converted code without a word).
inline void fit_copy(char *dst, size_t size, std::string_view text, const char *what) {
    if (text.size() >= size) {
        fflush(stdout);
        fprintf(stderr, "kestra: %s exceeds its capacity of %d characters\n", what,
                static_cast<int>(size) - 1);
        kestra_exit(1);
    }
    if (!text.empty())
        memcpy(dst, text.data(), text.size());
    dst[text.size()] = '\0';
}

} // namespace stmt_text
