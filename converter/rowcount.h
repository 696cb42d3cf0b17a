// SET ROWCOUNT: the row limit that a unit sets for the queries after it. The target has no
// such session setting: the SET stays a comment, and each limit gets one diagnostic naming
// the queries it would have limited, written when the unit ends.
#pragma once

#include <cstddef>

extern int yylineno;

// The token count and the lines of the last two tokens (read through rowcount_token_read only).
namespace rowcount_detail {
extern long tokens_read;
extern int token_line, previous_line;
} // namespace rowcount_detail

// The scanner returned a token (counts tokens and remembers the lines of the last two). Inline:
// the scanner calls it for every token.
inline void rowcount_token_read() {
    rowcount_detail::tokens_read++;
    rowcount_detail::previous_line = rowcount_detail::token_line;
    rowcount_detail::token_line = yylineno;
}
// The scanner comments out a SET statement: it begins, its text follows in pieces, it ends.
void rowcount_set_begins();
void rowcount_set_text(const char *text, size_t length);
void rowcount_set_ends();
// A data statement ended; `query` tells whether it reads or writes a table.
void rowcount_statement(bool query);
// The unit ends: the diagnostic of each limit it set, at the current place of the body.
void rowcount_unit_end();
// A new unit begins: no limit is set.
void rowcount_reset();
