// Parser interface of the converter: the semantic value (a NUL-terminated text
// of at most 9,999 characters in a 10000-byte buffer), the token numbers of the grammar
// (grammar.tab.h, generated from grammar.y), the parser globals and yyparse, and the helpers the
// scanner and the rule actions use to write values without ever writing past a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "grammar.tab.h" // enum yytokentype: LOWPREC = 257 ... FETCH_STATUS = 411

// Capacity of one semantic value, NUL included; a value holds at most YYVALMAX characters.
// Longer texts are cut at YYVALMAX by every helper below (texts within the limit are unchanged).
constexpr int YYVALSIZE = 10000;
constexpr int YYVALMAX = YYVALSIZE - 1;

// One entry of the value stack. In an action, $$ is `yyval` and $n is the `s` member of a
// stack entry: each points at a buffer of YYVALSIZE bytes of its own. A push hands the buffer of
// yyval to the stack entry and takes the entry's old buffer as the next yyval, so a value is not
// copied again once its action has written it.
struct yyvalue {
    char *s;
};

// The text of the token the scanner returned last (for a held look-ahead: the look-ahead's
// text), in a buffer of YYVALSIZE bytes. The scanner fills it for every token it returns,
// keywords included, with set_yylval. A shift gives the buffer to the shifted entry and yylval
// takes the entry's old one: until the next token it holds no text of its own.
extern char *yylval;
// The value of the rule being reduced ($$): a buffer of YYVALSIZE bytes; it starts as a copy
// of $1.
extern char *yyval;

// Look-ahead token: the token number, 0 at end of input, -1 when no look-ahead is held (after
// a shift, and after a default reduction in a state that needs no look-ahead). The block-stack
// routines take it as their token argument. Not YYEMPTY (-2): the old tables' -1.
extern int yychar;
extern int yydebug;    // nonzero: the -D trace on standard output
extern int yynerrs;    // syntax errors of the last parse
extern int yyerrflag;  // 0 normally, 1 to 3 while recovering
extern int yystate;    // state of the reduction whose action runs
extern int yymaxdepth; // current depth of the state and value stacks (150, 300, 600, ...)

// The stacks start with YYINITDEPTH entries and double when full; a depth beyond YYDEPTHLIMIT
// counts as a failed allocation: "yacc stack overflow" (one value entry is 10000 bytes).
constexpr int YYINITDEPTH = 150;
constexpr int YYDEPTHLIMIT = YYINITDEPTH << 5; // 4,800

// Parses the whole input from yylex: 0 on acceptance, 1 after a syntax error (reported
// as yyerror("syntax error")) or a stack overflow (yyerror("yacc stack overflow")).
int yyparse();
int yylex(); // the scanner; a negative result counts as end of input

// The token source of yyparse: yylex, unless a test installs another one (nullptr restores
// yylex). The source sets yylval as the scanner does.
void yyparse_set_lexer(int (*lex)());

// Whether the parse under way would take `token` as its next token now (from the scanner while
// it reads the parser's look-ahead, or from an action). The scanner uses it for the words that
// are keywords only where the grammar has a place for them and names everywhere else.
bool yyparse_accepts(int token);

// yylval's first and last sizeof(Word) bytes from a text of sizeof(Word) to 2 * sizeof(Word)
// bytes, overlapping: both are read before either is written.
template <class Word> inline void yylval_head_tail(const char *text, size_t len) {
    Word head, tail;
    memcpy(&head, text, sizeof head);
    memcpy(&tail, text + len - sizeof tail, sizeof tail);
    memcpy(yylval, &head, sizeof head);
    memcpy(yylval + len - sizeof tail, &tail, sizeof tail);
}

// Scanner side: the token text (len bytes, need not be NUL-terminated) becomes yylval, cut at
// YYVALMAX characters. (Inline: the scanner sets yylval for nearly every token.)
inline void set_yylval(const char *text, size_t len) {
    // A word of up to 16 characters (nearly every token) is moved inline, the shortest tested
    // first: 1 to 3 bytes one by one, else its first and last 4 (or 8) bytes, overlapping, read
    // before either is written; nothing past the text is read.
    if (len - 1 < 3) {
        const char first = text[0], middle = text[len / 2], last = text[len - 1];
        yylval[0] = first;
        yylval[len / 2] = middle;
        yylval[len - 1] = last;
    } else if (len - 4 < 4) {
        yylval_head_tail<uint32_t>(text, len);
    } else if (len - 8 < 9) {
        yylval_head_tail<uint64_t>(text, len);
    } else if (len != 0) {
        if (len > static_cast<size_t>(YYVALMAX))
            len = YYVALMAX;
        memmove(yylval, text, len);
    }
    yylval[len] = '\0';
}

// Action side. All return the resulting length and never write more than YYVALSIZE bytes into
// dst, which must be a value buffer ($$, $n, yylval or another char[YYVALSIZE]). Arguments may
// be the destination itself or overlap it (val_printf($$, "%s, %s", $$, $3) is fine).
// Set by the helpers below whenever they cut a text at YYVALMAX. The parser stops the run when
// an action has cut a value (a cut value is a different statement): "kestra: the text of a
// statement at line n exceeds the capacity of a value (9999 characters)", exit status 1.
extern bool val_cut;
size_t val_set_text(char *dst, const char *src); // dst = src (val_set out of line)
// dst = src. val_set($$, ""), the most frequent action of all, is written inline.
inline size_t val_set(char *dst, const char *src) {
    if (__builtin_constant_p(src[0]) && src[0] == '\0') {
        dst[0] = '\0';
        return 0;
    }
    return val_set_text(dst, src);
}
size_t val_cat(char *dst, const char *src);        // dst += src
size_t val_printf(char *dst, const char *fmt, ...) // dst = formatted text
    __attribute__((format(printf, 2, 3)));
size_t val_catf(char *dst, const char *fmt, ...) // dst += formatted text
    __attribute__((format(printf, 2, 3)));

// dst = the texts one after another, as val_printf writes a format of "%s" pieces (cut at
// YYVALMAX, val_cut set): val_concat($$, $1, " AND ", $3). Each text is a std::string_view, a
// std::string or a NUL-terminated text (never nullptr). Texts that fit and lie outside dst are
// copied inline, each with its own length (a literal's is known when compiling); any other call
// goes to val_concat_parts, which also takes texts lying in dst.
size_t val_concat_parts(char *dst, const std::string_view *parts, size_t count);
namespace val_detail {
template <size_t... I>
inline size_t concat(char *dst, const std::string_view *parts, std::index_sequence<I...>) {
    const auto outside = [dst](const std::string_view &p) {
        return reinterpret_cast<uintptr_t>(p.data()) - reinterpret_cast<uintptr_t>(dst) >=
               static_cast<uintptr_t>(YYVALSIZE);
    };
    const size_t total = (parts[I].size() + ...);
    if (total > static_cast<size_t>(YYVALMAX) || !(outside(parts[I]) && ...))
        return val_concat_parts(dst, parts, sizeof...(I));
    char *out = dst;
    ((parts[I].size() != 0 ? memcpy(out, parts[I].data(), parts[I].size()) : out,
      out += parts[I].size()),
     ...);
    *out = '\0';
    return total;
}
} // namespace val_detail
template <typename... T> inline size_t val_concat(char *dst, const T &...texts) {
    const std::string_view parts[] = {std::string_view(texts)...};
    return val_detail::concat(dst, parts, std::index_sequence_for<T...>{});
}
// The same, out of line, for grammar actions: an action stays a call, so that run_action (one
// function for all actions) keeps a small frame that every reduction pays for.
size_t val_text(char *dst, const char *a, const char *b);
size_t val_text(char *dst, const char *a, const char *b, const char *c);
size_t val_text(char *dst, const char *a, const char *b, const char *c, const char *d);

// Trace names: the token's name as the trace prints it (yytoks: "NAME", "'('"; "end-of-file"
// for 0, "-none-" for a negative token, "-unknown-" for a number not in the table) and the
// text of rule n, "lhs : rhs" with "/* empty */" for an empty right-hand side
// ("-no such reduction-" for n outside 1..532).
const char *yytoken_name(int token);
const char *yyrule_text(int rule);
int yyrule_count(); // number of rules of the grammar (532)
