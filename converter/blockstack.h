// Block stack and control flow: the stack of open block kinds, the
// indentation of body text, and the opening and closing texts of IF, ELSE, WHILE and END.
//
// Look-ahead: the routines that depend on the parser's look-ahead token (check_for_end,
// action_for_else, action_for_end) take it as their last argument, `lookahead`: the token
// number of the grammar that follows the construct just reduced (ELSE 328, IF 341, ...). The
// parser passes the token it holds, reading one first if it holds none. They do not read
// yychar.
#pragma once

#include <cstdint>

#include "grammar.tab.h" // token numbers: BEGIN_CLAUSE, ELSE, IF, ...

// Block kinds: token numbers of the grammar and their sums.
constexpr int16_t BLK_BEGIN = BEGIN_CLAUSE;                     // 307
constexpr int16_t BLK_SPLIT_IF = SPLIT_IF;                      // 310
constexpr int16_t BLK_ELSE = ELSE;                              // 328
constexpr int16_t BLK_IF = IF;                                  // 341
constexpr int16_t BLK_WHILE = WHILE;                            // 383
constexpr int16_t BLK_ELSE_BEGIN = BEGIN_CLAUSE + ELSE;         // 635
constexpr int16_t BLK_IF_BEGIN = BEGIN_CLAUSE + IF;             // 648
constexpr int16_t BLK_ELSE_IF = ELSE + IF;                      // 669
constexpr int16_t BLK_WHILE_BEGIN = BEGIN_CLAUSE + WHILE;       // 690
constexpr int16_t BLK_ELSE_IF_BEGIN = BEGIN_CLAUSE + ELSE + IF; // 976

// Look-ahead token numbers compared by these routines.
constexpr int LOOKAHEAD_ELSE = ELSE;
constexpr int LOOKAHEAD_IF = IF;

// Stores `kind` at begin_stack[stack_ptr] and increments stack_ptr; the storage grows past
// 256 entries. A stack deeper than 32767 entries stops the run (exit status 1).
void push(int16_t kind);
// Decrements stack_ptr and returns the entry there; 0 when the stack was empty (stack_ptr
// then goes negative, so a surplus END still shows as a negative RETCODE).
int16_t pop();
// The name of a block kind ("BEGIN", "IF BEGIN", ...), "UNKNOWN" for any other value.
const char *btype(int kind);
// Starts a new body line at the current indentation (and writes the unit's outer BEGIN once).
void print_tabs();
// Empty blocks: block_opened records that an IF or ELSE branch, a loop body or a BEGIN block
// has just been opened; fill_empty_block, called before the text that closes a block, writes
// "NULL;" (indented like the block's statements) when nothing was written since, so that no
// block of the output is empty.
void block_opened();
void fill_empty_block();

// The BEGIN run after a unit's AS: unit_as_read marks the unit's head read, begins_read
// takes the count of a BEGIN run (the first run after the head is the unit's; the unit's
// first body line ends the wait for it). The BEGINs of that run after the first stay off the
// stack: end_is_surplus counts the ENDs that close them.
void unit_as_read();
void begins_read(int count);
// Whether an END met now closes no block: the stack holds no block (once the body has begun)
// and no BEGIN of the unit's run is left for it.
bool end_is_surplus();
// The scanner read the word END: its line is the line of a surplus END's diagnostic.
void end_word_read();
// An END that closes no block: its diagnostic as a body line and in the log, instead of an
// "END;". The run fails (conv_error) and counts it in surplus_ends.
void surplus_end();

// The label number (i_loop<n>) of the innermost WHILE loop open on the block stack; 0 when no
// loop is open (BREAK and CONTINUE then have no loop to act on).
int16_t innermost_loop_label();

void check_for_end(const char *begin_text, int lookahead);
void action_for_while(const char *keyword, const char *condition, const char *begin_text);
void action_for_if(const char *keyword, const char *condition, const char *begin_text);
void action_for_else(const char *begin_text, int lookahead);
void action_for_end(int lookahead);
