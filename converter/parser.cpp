// Parser driver of the converter: yacc's parse algorithm over the tables bison
// builds from grammar.y, with the old driver's look-ahead discipline (yychar is -1 when no
// look-ahead is held), its -D trace format, its error handling and its growing stacks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "convstate.h"
#include "diagnostics.h"
#include "output.h"
#include "parser.h"
#include "parser_tables.h"

using kestra_grammar::tables;

int yychar = -1;
int yydebug = 0;
int yynerrs = 0;
int yyerrflag = 0;
int yystate = 0;
int yytmp = 0;

// The stacks: static arrays of YYINITDEPTH entries, replaced by heap arrays of twice the depth
// on each overflow. yyps / yypv point at the top entries.
// (YYINITDEPTH and the allocation limit YYDEPTHLIMIT are in parser.h: beyond the limit, 48 MB
// of values, arbitrary input could exhaust memory.)

int yymaxdepth = YYINITDEPTH;
static int yys_static[YYINITDEPTH];
// The value buffers of the static stack, and the first buffer of yyval; the heap stacks add
// buffers of their own for the entries they add (kept for the rest of the run).
static char yyv_text_static[YYINITDEPTH + 1][YYVALSIZE];
static yyvalue yyv_static[YYINITDEPTH];
static yyvalue *static_values() {
    for (int i = 0; i < YYINITDEPTH; i++)
        yyv_static[i].s = yyv_text_static[i];
    return yyv_static;
}
char *yyval = yyv_text_static[YYINITDEPTH];
int *yys = yys_static;
yyvalue *yyv = static_values();
int *yyps = nullptr;
yyvalue *yypv = nullptr;

namespace {

int (*lexer)() = yylex; // the token source (yyparse_set_lexer)

// An action has cut a value at its capacity: stop rather than convert a different statement.
[[noreturn]] static void value_too_long() {
    val_cut = false;
    fflush(stdout);
    fprintf(stderr,
            "kestra: the text of a statement at line %d exceeds the capacity of a value (%d "
            "characters)\n",
            yylineno, YYVALMAX);
    kestra_exit(1);
}

// An action is running: the state stack is popped by the rule's length and the goto state
// (yystate) is not yet pushed.
bool in_action = false;

// Symbol numbers of bison's tables that the driver needs.
constexpr int SYM_EOF = 0;
constexpr int SYM_ERROR = 1;
constexpr int SYM_UNDEF = 2;

// Copies a value, only as far as its NUL (never the whole buffer); cuts at YYVALMAX. Every push,
// shift and reduction copies a value, most of them a few bytes long, so the first bytes are
// copied inline in 16-byte blocks: both buffers are YYVALSIZE bytes, so the block that holds the
// NUL can be read and written whole (the bytes after the NUL are no part of the value). The rest
// of a longer value (a statement's text) goes through the library's wide strnlen and memcpy.
inline void copy_value(char *dst, const char *src) {
    size_t i = 0;
#if defined(__SSE2__)
    constexpr size_t INLINE_BYTES = 64;
    const __m128i zero = _mm_setzero_si128();
    for (; i < INLINE_BYTES; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), block);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)) != 0)
            return;
    }
#endif
    size_t len = i + strnlen(src + i, YYVALMAX - i);
    memcpy(dst + i, src + i, len - i);
    dst[len] = '\0';
}

// What a reduction by a table rule does, read once per reduction: the right-hand length, the
// left-hand nonterminal (its index in a goto row) and whether the rule has an action.
enum rule_kind : unsigned char {
    NO_ACTION,       // the value of the first symbol stays where it stands, as $$
    ACTION_ON_FIRST, // an action on $$, which starts as a copy of $1
    ACTION_SETS,     // an action that writes $$ before reading it: $$ need not start as $1
    ACTION_CLEARS,   // an action that only empties $$: the parse empties it and runs none
    ACTION_IN_PLACE, // an action on $$ that names no $1: $$ takes the buffer of $1 itself
};
struct rule_step {
    unsigned short lhs;
    unsigned char len;
    rule_kind kind;
};

// A reduction as the parse loop takes it: the table rule with its step, packed into one int
// (bits 0-10 the rule, 11-17 the length, 18-20 the kind, 21-29 the nonterminal), so that a
// reduction needs no look-up of its rule's step. Rows and state defaults hold it negated.
constexpr int PACK_RULE_BITS = 11, PACK_LEN_BITS = 7, PACK_KIND_BITS = 3, PACK_LHS_BITS = 9;
constexpr int PACK_LEN_SHIFT = PACK_RULE_BITS;
constexpr int PACK_KIND_SHIFT = PACK_LEN_SHIFT + PACK_LEN_BITS;
constexpr int PACK_LHS_SHIFT = PACK_KIND_SHIFT + PACK_KIND_BITS;
static_assert(PACK_LHS_SHIFT + PACK_LHS_BITS < 31, "a packed reduction is a positive int");
static_assert(ACTION_IN_PLACE < 1 << PACK_KIND_BITS, "every kind fits its bits");

// Built once from the tables' lists of the acting rules and of those whose actions set $$ first,
// only empty it, or name no $1.
const rule_step *rule_steps() {
    static std::vector<rule_step> steps;
    if (steps.empty()) {
        steps.resize(static_cast<size_t>(tables.nrules) + 1);
        for (int r = 1; r <= tables.nrules; r++) {
            const int len = tables.r2[r], lhs = tables.r1[r] - tables.ntokens;
            if (len >= 1 << PACK_LEN_BITS || lhs > 65535) {
                fprintf(stderr, "kestra: rule %d is too long for the parser\n", r - 1);
                kestra_exit(1);
            }
            steps[static_cast<size_t>(r)] = {static_cast<unsigned short>(lhs),
                                             static_cast<unsigned char>(len), NO_ACTION};
        }
        for (const int *r = tables.acting; *r != 0; r++)
            steps[static_cast<size_t>(*r)].kind = ACTION_ON_FIRST;
        for (const int *r = tables.setting; *r != 0; r++)
            if (steps[static_cast<size_t>(*r)].kind == ACTION_ON_FIRST)
                steps[static_cast<size_t>(*r)].kind = ACTION_SETS;
        for (const int *r = tables.clearing; *r != 0; r++)
            if (steps[static_cast<size_t>(*r)].kind == ACTION_SETS)
                steps[static_cast<size_t>(*r)].kind = ACTION_CLEARS;
        // (An empty rule's $1 is the entry above the top: it keeps its copy.)
        for (const int *r = tables.first_unnamed; *r != 0; r++)
            if (steps[static_cast<size_t>(*r)].kind == ACTION_ON_FIRST &&
                steps[static_cast<size_t>(*r)].len > 0)
                steps[static_cast<size_t>(*r)].kind = ACTION_IN_PLACE;
    }
    return steps.data();
}

// The packed reductions of all table rules, indexed by rule. Built once.
const int *packed_reductions() {
    static std::vector<int> packed;
    if (packed.empty()) {
        const rule_step *steps = rule_steps();
        if (tables.nrules >= (1 << PACK_RULE_BITS) || tables.nnts > (1 << PACK_LHS_BITS)) {
            fprintf(stderr, "kestra: the grammar is too large for the parser\n");
            kestra_exit(1);
        }
        packed.resize(static_cast<size_t>(tables.nrules) + 1);
        for (int r = 1; r <= tables.nrules; r++) {
            const rule_step st = steps[r];
            packed[static_cast<size_t>(r)] = r | st.len << PACK_LEN_SHIFT |
                                             static_cast<int>(st.kind) << PACK_KIND_SHIFT |
                                             st.lhs << PACK_LHS_SHIFT;
        }
    }
    return packed.data();
}

inline rule_step unpack_step(int packed) {
    return {static_cast<unsigned short>(packed >> PACK_LHS_SHIFT),
            static_cast<unsigned char>((packed >> PACK_LEN_SHIFT) & ((1 << PACK_LEN_BITS) - 1)),
            static_cast<rule_kind>((packed >> PACK_KIND_SHIFT) & ((1 << PACK_KIND_BITS) - 1))};
}

// Per state: the rule of its default reduction when the state reads no look-ahead (0: a syntax
// error), -1 when it reads one (its action is then in its action row). Built once.
const int *default_rules() {
    static std::vector<int> rules;
    if (rules.empty()) {
        rules.resize(static_cast<size_t>(tables.nstates));
        for (int s = 0; s < tables.nstates; s++)
            rules[static_cast<size_t>(s)] =
                tables.pact[s] == tables.pact_ninf ? tables.defact[s] : -1;
    }
    return rules.data();
}

// The packed tables' action of `state` on symbol `sym` (a state that reads a look-ahead): > 0
// shift to that state, < 0 reduce by table rule -a, 0 syntax error.
int packed_action(int state, int sym) {
    const int n = tables.pact[state] + sym;
    if (n >= 0 && n <= tables.last && tables.check[n] == sym) {
        const int act = tables.table[n];
        return act == tables.table_ninf ? 0 : act;
    }
    return -tables.defact[state];
}

// The packed tables' goto of `state` on nonterminal index `lhs`.
int packed_goto(int state, int lhs) {
    const int g = tables.pgoto[lhs] + state;
    return (g >= 0 && g <= tables.last && tables.check[g] == state) ? tables.table[g]
                                                                    : tables.defgoto[lhs];
}

// Dense rows of the packed tables, built per state the first time the parse needs one (a run
// visits a part of the states): a decision is then one load instead of the packed tables'
// offset, range check and check-table comparison. Kept for the rest of the run. The trace takes
// each step (plain rows); the parse without it uses rows whose targets are the ends of the
// chains above (chained rows).
// def: > 0 when the state reads a look-ahead, else its default action without one: 0 syntax
// error, < 0 the negated packed reduction.
// action[state][sym], for a state that reads a look-ahead: > 0 shift to that state, < 0 the
// negated packed reduction, 0 syntax error or, for a shift to the final state, acceptance.
// gotos[state][lhs]: the state after a reduction to nonterminal lhs uncovers `state`.
struct state_rows {
    int def;
    const int *action;
    const int *gotos;
};
struct row_set {
    bool chained;
    std::vector<state_rows> of; // per state
    std::vector<std::unique_ptr<int[]>> owned;
};
row_set plain_rows{false, {}, {}};
row_set chained_rows{true, {}, {}};

// Chains of reductions without actions. A state whose default reduction (read without a
// look-ahead) is by a rule of one symbol without an action pops itself and pushes the goto of
// the state it uncovers, on the same entry and with the same value. Entering it over a state
// `under` therefore ends in a state that depends on `under` alone, not on the rest of the
// stack: the parse without the trace enters that state directly. (The chain meets no
// look-ahead, no action and no error, so the stacks, yychar and the values are the same when
// it ends.)
// unit_links, per state: the nonterminal of such a default reduction (a link of a chain); -1 for
// a state that reads a look-ahead or reduces otherwise. Built once.
const int *unit_links() {
    static std::vector<int> links;
    if (links.empty()) {
        const int *defrule = default_rules();
        const rule_step *steps = rule_steps();
        links.resize(static_cast<size_t>(tables.nstates));
        for (int s = 0; s < tables.nstates; s++) {
            const int rule = defrule[s];
            links[static_cast<size_t>(s)] =
                rule > 0 && steps[rule].kind == NO_ACTION && steps[rule].len == 1 ? steps[rule].lhs
                                                                                  : -1;
        }
    }
    return links.data();
}

// The end of the chain that starts when `state` is entered over a state whose goto row in the
// packed tables is plain_gotos.
int chain_end(const int *links, const int *plain_gotos, int state) {
    for (int n = 0; n < tables.nstates && links[state] >= 0; n++) // each state once at most
        state = plain_gotos[links[state]];
    return state;
}

const int *build_goto_row(row_set &rows, int state) {
    const size_t nnts = static_cast<size_t>(tables.nnts);
    std::unique_ptr<int[]> row(new int[nnts]);
    for (size_t lhs = 0; lhs < nnts; lhs++)
        row[lhs] = packed_goto(state, static_cast<int>(lhs));
    if (rows.chained) {
        const int *links = unit_links();
        std::unique_ptr<int[]> plain(new int[nnts]);
        std::copy(row.get(), row.get() + nnts, plain.get());
        for (size_t lhs = 0; lhs < nnts; lhs++)
            row[lhs] = chain_end(links, plain.get(), row[lhs]);
    }
    rows.of[static_cast<size_t>(state)].gotos = row.get();
    rows.owned.push_back(std::move(row));
    return rows.of[static_cast<size_t>(state)].gotos;
}

const int *build_action_row(row_set &rows, int state) {
    const int ntokens = tables.ntokens;
    const int *links = rows.chained ? unit_links() : nullptr;
    const int *packed = packed_reductions();
    std::unique_ptr<int[]> row(new int[static_cast<size_t>(ntokens)]);
    for (int sym = 0; sym < ntokens; sym++) {
        int a = packed_action(state, sym);
        if (a < 0) {
            a = -packed[-a];
        } else if (a == tables.final_state) {
            a = 0;
        } else if (a > 0 && links != nullptr && links[a] >= 0) {
            // A shift into a state that reduces by a unit rule at once: its chain starts on
            // this state.
            const int *gotos = rows.of[static_cast<size_t>(state)].gotos;
            if (gotos == nullptr)
                gotos = build_goto_row(rows, state);
            a = gotos[links[a]];
        }
        row[static_cast<size_t>(sym)] = a;
    }
    rows.of[static_cast<size_t>(state)].action = row.get();
    rows.owned.push_back(std::move(row));
    return rows.of[static_cast<size_t>(state)].action;
}

// Bison's symbol number for a token number (0 for end of input).
inline int translate(int token) {
    if (token <= 0)
        return SYM_EOF;
    if (token < tables.ntranslate)
        return tables.translate[token];
    return SYM_UNDEF;
}

void trace_token(const char *prefix) {
    fputs(prefix, stdout);
    fputs(yytoken_name(yychar), stdout);
    fputc('\n', stdout);
}

// Doubles the stacks. The first growth leaves the static arrays for heap arrays; later ones
// reallocate. The entries keep their buffers (only the pointers move); the added entries get
// new buffers. Returns false when the memory cannot be had (or the depth limit is reached).
bool grow_stacks() {
    int newdepth = yymaxdepth * 2;
    if (newdepth > YYDEPTHLIMIT)
        return false;
    long top = yyps - yys;
    const size_t added = static_cast<size_t>(newdepth - yymaxdepth);
    int *news;
    yyvalue *newv;
    char *text;
    if (yys == yys_static) {
        news = static_cast<int *>(malloc(sizeof(int) * newdepth));
        newv = static_cast<yyvalue *>(malloc(sizeof(yyvalue) * newdepth));
        text = static_cast<char *>(malloc(added * YYVALSIZE));
        if (news == nullptr || newv == nullptr || text == nullptr) {
            free(news);
            free(newv);
            free(text);
            return false;
        }
        memcpy(news, yys_static, sizeof yys_static);
        memcpy(newv, yyv_static, sizeof yyv_static);
    } else {
        // A failure after a successful realloc leaves the larger array in place and the depth
        // as it was: the next growth reallocates it again.
        news = static_cast<int *>(realloc(yys, sizeof(int) * newdepth));
        if (news == nullptr)
            return false;
        yys = news;
        newv = static_cast<yyvalue *>(realloc(yyv, sizeof(yyvalue) * newdepth));
        if (newv == nullptr)
            return false;
        yyv = newv;
        text = static_cast<char *>(malloc(added * YYVALSIZE));
        if (text == nullptr)
            return false;
    }
    for (size_t i = 0; i < added; i++) {
        newv[static_cast<size_t>(yymaxdepth) + i].s = text + i * YYVALSIZE;
        text[i * YYVALSIZE] = '\0';
    }
    yys = news;
    yyv = newv;
    yymaxdepth = newdepth;
    yyps = yys + top;
    yypv = yyv + top;
    return true;
}

// Text of each rule for the trace, built once from bison's own tables: "lhs : rhs".
const std::vector<std::string> &rule_texts() {
    static std::vector<std::string> texts;
    if (texts.empty()) {
        texts.emplace_back("-no such reduction-");
        // Bison's tables number the rules from 1 ($accept); the system's rule n is table rule n+1.
        for (int r = 2; r <= tables.nrules; r++) {
            std::string t = tables.tname[tables.r1[r]];
            t += " :";
            const int *p = tables.rhs + tables.prhs[r];
            if (*p < 0)
                t += " /* empty */";
            for (; *p >= 0; p++) {
                t += ' ';
                t += tables.tname[*p];
            }
            texts.push_back(t);
        }
    }
    return texts;
}

// Error recovery (yyerrflag 0 to 2): pops states until one shifts the error token, which then
// becomes the state to push. No rule of the grammar uses the error token, so the stack runs
// empty and the parse fails (-1). The bottom state uncovers none: the trace prints -1.
// Returns the state to push (a result, not an out parameter: the parse keeps its state in a
// register).
int recover() {
    yyerrflag = 3;
    while (yyps >= yys) {
        int n = tables.pact[*yyps];
        if (n != tables.pact_ninf) {
            n += SYM_ERROR;
            if (n >= 0 && n <= tables.last && tables.check[n] == SYM_ERROR && tables.table[n] > 0) {
                return tables.table[n];
            }
        }
        if (yydebug)
            printf("Error recovery pops state %d, uncovers state %d\n", *yyps,
                   yyps > yys ? yyps[-1] : -1);
        yyps--;
        yypv--;
    }
    return -1;
}

// The tops of the stacks and the end of the state stack after make_room.
struct stack_tops {
    int *ps;
    yyvalue *pv;
    int *end;
};

// Doubles the stacks for a push above ps; ps == nullptr when they cannot grow (reported as
// "yacc stack overflow"). Out of the loop, and a result rather than out parameters: the parse
// keeps its tops in registers.
__attribute__((noinline)) stack_tops make_room(int *ps, yyvalue *pv) {
    yyps = ps;
    yypv = pv;
    if (!grow_stacks()) {
        yyerror("yacc stack overflow");
        return {nullptr, nullptr, nullptr};
    }
    return {yyps, yypv, yys + yymaxdepth};
}

template <bool Trace> inline void trace_state(int state) {
    if constexpr (Trace) {
        printf("State %d, ", state);
        trace_token("token ");
    }
}

// The parse, with the stacks already reset; Trace: the -D trace (yydebug), chosen once per
// parse so that the loop without it tests nothing for it. The trace takes the plain rows and
// prints every state it enters; the parse without it takes the chained rows.
template <bool Trace> int parse(row_set &rows) {
    state_rows *const rows_of = rows.of.data();
    int state = 0;
    // The tops of the stacks and the end of the state stack, kept in registers. Only
    // yyparse_accepts (from the scanner and from actions), error recovery and the stack growth
    // read yyps and yypv: they are stored before each of those runs, not on every step.
    int *ps = yyps;
    yyvalue *pv = yypv;
    int *ps_end = yys + yymaxdepth;
    // The token number whose symbol `sym` holds.
    int sym_of = -2;
    int sym = 0;

// Makes room for one more entry on the stacks, or ends the parse. Only a shift, a reduction by
// an empty rule and the pushes after an action or error recovery can add an entry: any other
// reduction pushes where it has popped.
#define KESTRA_ROOM_FOR_PUSH()                                                                     \
    if (__builtin_expect(ps + 1 >= ps_end, 0)) {                                                   \
        const stack_tops tops = make_room(ps, pv);                                                 \
        if (tops.ps == nullptr)                                                                    \
            return 1;                                                                              \
        ps = tops.ps;                                                                              \
        pv = tops.pv;                                                                              \
        ps_end = tops.end;                                                                         \
    }

    // 1. Pushes `state` with the value yyval.
    trace_state<Trace>(state);
    KESTRA_ROOM_FOR_PUSH();
    *++ps = state;
    ++pv;
    std::swap(pv->s, yyval);
    for (;;) {
        // 2. Shift if the state has a shift on the look-ahead; 3. a state without look-ahead:
        // its default action.
        const state_rows &here = rows_of[state];
        int act = here.def;
        if (act > 0) {
            if (yychar < 0) {
                yyps = ps; // the scanner may ask yyparse_accepts
                if ((yychar = lexer()) < 0)
                    yychar = 0;
                if constexpr (Trace)
                    trace_token("Received token ");
            }
            // The look-ahead's symbol, translated once per token (an action may replace yychar).
            if (yychar != sym_of) {
                sym_of = yychar;
                sym = translate(yychar);
            }
            const int *row = here.action;
            if (row == nullptr)
                row = build_action_row(rows, state);
            act = row[sym];
            if (act > 0) {
                // The shifted entry takes the token's text by trading buffers with yylval (yyval
                // is not involved: it is written before any action reads it).
                yychar = -1;
                state = act;
                if (yyerrflag > 0)
                    yyerrflag--;
                trace_state<Trace>(state);
                KESTRA_ROOM_FOR_PUSH();
                *++ps = state;
                ++pv;
                std::swap(pv->s, yylval);
                continue;
            }
        }

        // 4. Action 0: syntax error, or acceptance (a shift of end of input to the final state).
        if (act == 0) {
            yyps = ps;
            yypv = pv;
            if (here.def > 0 && packed_action(state, sym) == tables.final_state)
                return 0;
            if (yyerrflag == 3) {
                // No shift since the last error: discard the look-ahead and try again.
                if constexpr (Trace)
                    trace_token("Error recovery discards token ");
                if (yychar == 0)
                    return 1;
                yychar = -1;
                continue;
            }
            if (yyerrflag == 0) {
                yyerror("syntax error");
                yynerrs++;
            }
            if ((state = recover()) < 0)
                return 1;
            ps = yyps;
            pv = yypv;
            trace_state<Trace>(state);
            KESTRA_ROOM_FOR_PUSH();
            *++ps = state;
            ++pv;
            std::swap(pv->s, yyval);
            continue;
        }

        // 4. Reduction by `rule`.
        // (`rule` is bison's table number: the system's rule rule - 1.)
        const int rule = -act & ((1 << PACK_RULE_BITS) - 1);
        if constexpr (Trace)
            printf("Reduce by (%d) \"%s\"\n", rule - 1, yyrule_text(rule - 1));
        const rule_step step = unpack_step(-act);
        const int len = step.len;
        if (step.kind == NO_ACTION || step.kind == ACTION_CLEARS) {
            // $$ is $1, which stands on the entry the goto state is pushed to (for an empty
            // rule: the entry above the top, as it stands); or, for an action that only empties
            // $$, that entry emptied in place.
            ps -= len;
            pv -= len;
            const int *gotos = rows_of[*ps].gotos;
            if (gotos == nullptr)
                gotos = build_goto_row(rows, *ps);
            state = gotos[step.lhs];
            trace_state<Trace>(state);
            if (len == 0) {
                KESTRA_ROOM_FOR_PUSH();
            }
            *++ps = state;
            ++pv;
            if (step.kind == ACTION_CLEARS)
                pv->s[0] = '\0';
            continue;
        }
        // $$ starts as $1 (for an empty rule: the entry above the new top, or an empty text
        // where the stack ends there), unless the action writes it before reading it.
        // An action that names no $1 gets the buffer of $1 as $$: the entry the goto state is
        // pushed to then takes back the buffer yyval had.
        yyvalue *top = pv;
        if (step.kind == ACTION_ON_FIRST) {
            if (len > 0 || ps + 1 < ps_end)
                copy_value(yyval, (pv - len + 1)->s);
            else
                yyval[0] = '\0';
        } else if (step.kind == ACTION_IN_PLACE) {
            std::swap(yyval, (pv - len + 1)->s);
        }
        ps -= len;
        pv -= len;
        const int *gotos = rows_of[*ps].gotos;
        if (gotos == nullptr)
            gotos = build_goto_row(rows, *ps);
        state = gotos[step.lhs];
        // 5. The rule's action, with the globals saved (yystate is read, not written, by
        // yyparse_accepts: the goto state stays in its register).
        // (yypv is read by error recovery only: stored for YYERROR.)
        yystate = state;
        yyps = ps;
        in_action = true;
        val_cut = false;
        const int outcome = kestra_grammar::run_action(rule, top);
        in_action = false;
        if (val_cut)
            value_too_long();
        if (__builtin_expect(outcome != 0, 0)) {
            switch (outcome) {
            case 1: // YYABORT
                return 1;
            case 2: // YYACCEPT
                return 0;
            case 3: // YYERROR: recover from the popped stack
                yynerrs++;
                yypv = pv;
                if ((state = recover()) < 0)
                    return 1;
                ps = yyps;
                pv = yypv;
                break;
            default:
                break;
            }
        }
        trace_state<Trace>(state);
        KESTRA_ROOM_FOR_PUSH();
        *++ps = state;
        ++pv;
        std::swap(pv->s, yyval);
    }
#undef KESTRA_ROOM_FOR_PUSH
}

} // namespace

bool yyparse_accepts(int token) {
    if (yyps == nullptr || yyps < yys)
        return false; // no parse under way (the scanner alone)
    // The parse's own steps, without actions, until the token is shifted (taken) or an error
    // entry is met (not taken), on the state stack as it stands: the stack is read in place
    // up to `kept` entries, and the states the simulation pushes above them are in `above`
    // (reused from call to call), so nothing of the parse's stack is copied.
    static std::vector<int> above;
    above.clear();
    size_t kept = static_cast<size_t>(yyps - yys) + 1;
    if (in_action)
        above.push_back(yystate);
    const int sym = translate(token);
    for (int steps = 0; steps < 100000; steps++) {
        const int state = above.empty() ? yys[kept - 1] : above.back();
        int rule;
        int n = tables.pact[state];
        if (n != tables.pact_ninf && n + sym >= 0 && n + sym <= tables.last &&
            tables.check[n + sym] == sym) {
            const int act = tables.table[n + sym];
            if (act > 0)
                return true;
            if (act == tables.table_ninf)
                return false;
            rule = -act;
        } else {
            rule = tables.defact[state];
        }
        const size_t len = rule > 0 ? static_cast<size_t>(tables.r2[rule]) : 0;
        if (rule <= 0 || len >= kept + above.size())
            return false;
        const size_t from_above = len < above.size() ? len : above.size();
        above.resize(above.size() - from_above);
        kept -= len - from_above;
        const int under = above.empty() ? yys[kept - 1] : above.back();
        above.push_back(packed_goto(under, tables.r1[rule] - tables.ntokens));
    }
    return false;
}

void yyparse_set_lexer(int (*lex)()) {
    lexer = lex != nullptr ? lex : yylex;
}

int yyparse() {
    yyps = yys - 1;
    yypv = yyv - 1;
    yystate = 0;
    yytmp = 0;
    yynerrs = 0;
    yyerrflag = 0;
    yychar = -1;
    row_set &rows = yydebug != 0 ? plain_rows : chained_rows;
    if (rows.of.empty()) {
        const int *defrule = default_rules();
        const int *packed = packed_reductions();
        rows.of.assign(static_cast<size_t>(tables.nstates), state_rows{0, nullptr, nullptr});
        for (size_t s = 0; s < rows.of.size(); s++) {
            const int rule = defrule[s];
            rows.of[s].def = rule < 0 ? 1 : rule == 0 ? 0 : -packed[rule];
        }
    }
    return yydebug != 0 ? parse<true>(rows) : parse<false>(rows);
}

const char *yytoken_name(int token) {
    if (token == 0)
        return "end-of-file";
    if (token < 0)
        return "-none-";
    int sym = token < tables.ntranslate ? tables.translate[token] : SYM_UNDEF;
    if (sym <= SYM_UNDEF)
        return "-unknown-";
    return tables.tname[sym];
}

const char *yyrule_text(int rule) {
    const std::vector<std::string> &texts = rule_texts();
    if (rule < 1 || rule >= static_cast<int>(texts.size()))
        return texts[0].c_str();
    return texts[rule].c_str();
}

int yyrule_count() {
    return tables.nrules - 1; // minus $accept
}
