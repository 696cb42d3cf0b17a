// Block stack and control flow: push/pop/btype, print_tabs, and the texts of
// IF, ELSE, WHILE and END written to the body work file yyout. See blockstack.h for the
// look-ahead argument.
#include "blockstack.h"

#include "convstate.h"
#include "diagnostics.h"
#include "output.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
// The label number (label_ctr) of the loop whose WHILE entry stands at each position of the
// block stack; an entry is written whenever a WHILE is pushed at that position, and read only
// for positions that hold a WHILE.
std::vector<int16_t> loop_label_at;

bool is_loop(int16_t kind) {
    return kind == BLK_WHILE || kind == BLK_WHILE_BEGIN;
}
} // namespace

void push(int16_t kind) {
    if (stack_ptr == INT16_MAX) {
        fflush(stdout);
        fprintf(stderr, "kestra: more than %d nested blocks are open\n", INT16_MAX);
        kestra_exit(1);
    }
    if (stack_ptr >= 0) {
        size_t at = static_cast<size_t>(stack_ptr);
        if (at >= begin_stack.size())
            begin_stack.resize(begin_stack.size() * 2 > at ? begin_stack.size() * 2 : at + 1);
        begin_stack[at] = kind;
        if (is_loop(kind)) {
            if (at >= loop_label_at.size())
                loop_label_at.resize(begin_stack.size());
            loop_label_at[at] = label_ctr;
        }
    }
    stack_ptr++;
}

int16_t pop() {
    if (stack_ptr == INT16_MIN)
        return 0;
    stack_ptr--;
    if (stack_ptr < 0 || static_cast<size_t>(stack_ptr) >= begin_stack.size())
        return 0;
    return begin_stack[static_cast<size_t>(stack_ptr)];
}

const char *btype(int kind) {
    switch (kind) {
    case BLK_BEGIN:
        return "BEGIN";
    case BLK_ELSE:
        return "ELSE";
    case BLK_IF:
        return "IF";
    case BLK_WHILE:
        return "WHILE";
    case BLK_ELSE_BEGIN:
        return "ELSE BEGIN";
    case BLK_IF_BEGIN:
        return "IF BEGIN";
    case BLK_ELSE_IF:
        return "ELSE IF";
    case BLK_WHILE_BEGIN:
        return "WHILE BEGIN";
    case BLK_ELSE_IF_BEGIN:
        return "ELSE IF BEGIN";
    default:
        return "UNKNOWN";
    }
}

namespace {

long lines_written = 0;      // body lines begun by print_tabs
long opened_at = -1;         // lines_written when the last block was opened
int opened_tabs = 0;         // the indentation of that block's statements
int end_line = 0;            // the line of the last word END read
bool as_run_pending = false; // the unit's head is read, its BEGIN run not yet
int as_begins_open = 0;      // BEGINs of the unit's run after the first, not yet ended

} // namespace

void block_opened() {
    opened_at = lines_written;
    opened_tabs = no_of_tabs;
}

void fill_empty_block() {
    if (begin_printed == 0 || lines_written != opened_at)
        return;
    put_char('\n', yyout);
    for (int i = 0; i < opened_tabs; i++)
        put_char('\t', yyout);
    put_text("NULL;", yyout);
    lines_written++;
}

void print_tabs() {
    lines_written++;
    if (firstTime == 0 && begin_printed == 0) {
        put_text("\nBEGIN", yyout);
        write_body_marker("\x05");
        push(BLK_BEGIN);
        no_of_tabs++;
        begin_printed = 1;
        as_run_pending = false;
    }
    // A newline and the indentation, written in runs rather than a character at a time.
    static const char line_start[] = "\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    constexpr int run = 15; // tabs after the newline in one run of 16 bytes
    int tabs = no_of_tabs;
    put_run16(line_start, static_cast<size_t>(1 + (tabs < run ? (tabs < 0 ? 0 : tabs) : run)),
              yyout);
    for (tabs -= run; tabs > 0; tabs -= 16)
        put_run16(line_start + 1, static_cast<size_t>(tabs < 16 ? tabs : 16), yyout);
}

int16_t innermost_loop_label() {
    const size_t open =
        std::min(static_cast<size_t>(stack_ptr < 0 ? 0 : stack_ptr), begin_stack.size());
    for (size_t i = open; i > 0; i--)
        if (is_loop(begin_stack[i - 1]))
            return loop_label_at[i - 1];
    return 0;
}

static bool is_empty(const char *text) {
    return text == nullptr || text[0] == '\0';
}

// A condition written through print_statement with continuation indentation no_of_tabs + 1.
static void condition_text(const char *condition) {
    print_statement(0, no_of_tabs + 1, condition == nullptr ? "" : condition, yyout);
}

// The EXCEPTION handler of the test blocks of action_for_while and action_for_if.
static void exception_handler() {
    if (noexception != 1)
        return;
    line("EXCEPTION");
    no_of_tabs++;
    line("WHEN OTHERS THEN");
    no_of_tabs++;
    line("Tarn_selcnt := 0;");
    line("Tarn_error := SQLCODE;");
    line("Tarn_errmsg := SQLERRM;");
    no_of_tabs -= 2;
}

// "For each count from 2 to no_of_begin: increment no_of_tabs, line BEGIN, push 307."
static void further_begins() {
    for (int i = 2; i <= no_of_begin; i++) {
        no_of_tabs++;
        line("BEGIN");
        push(BLK_BEGIN);
    }
}

void action_for_while(const char * /*keyword*/, const char *condition, const char *begin_text) {
    inWhere = inHaving = 0; // a WHERE inside the condition ended with it
    firstTime = 0;
    label_ctr++;
    char label[32];
    snprintf(label, sizeof label, "<<i_loop%d>>", label_ctr);
    print_tabs();
    if (if_exists == 0) {
        put_text(label, yyout);
        line("WHILE ");
        condition_text(condition);
        put_text(" LOOP", yyout);
    } else {
        std::string cond = condition == nullptr ? "" : condition;
        if (!cond.empty())
            cond.pop_back(); // its closing parenthesis
        line(label);
        line("WHILE 1 = 1 LOOP");
        if (!is_empty(begin_text)) {
            line(begin_text);
            further_begins();
        }
        no_of_tabs++;
        line("BEGIN");
        line("Tarn_selcnt := 0;");
        line("Tarn_error  := 0;");
        line("SELECT 1 INTO Tarn_selcnt FROM DUAL");
        line("WHERE ");
        condition_text(cond.c_str());
        put_text(");", yyout);
        exception_handler();
        line("END;");
        line("IF Tarn_selcnt != 1 THEN");
        no_of_tabs++;
        line("EXIT;");
        no_of_tabs--;
        line("END IF;");
        no_of_tabs--;
    }
    if (!is_empty(begin_text)) {
        if (if_exists == 0)
            line(begin_text);
        push(BLK_WHILE_BEGIN);
        further_begins();
    } else {
        push(BLK_WHILE);
        while_cnt = 1;
    }
    no_of_tabs++;
    inWhile = 0;
    if_exists = 0;
    which_literal = 0;
    block_opened();
}

void action_for_if(const char * /*keyword*/, const char *condition, const char *begin_text) {
    firstTime = 0;
    inWhere = inHaving = 0; // a WHERE inside the condition ended with it
    if (else_if == 0)
        print_tabs();
    if (if_exists == 0) {
        put_text("IF ", yyout);
        condition_text(condition);
    } else {
        if (else_if != 0) {
            put_text("E", yyout);
            print_tabs();
            pop();
            push(BLK_ELSE);
            push(BLK_SPLIT_IF);
            push(BLK_IF);
            if_cnt += 2;
        } else {
            if (if_cnt > 0)
                push(BLK_SPLIT_IF);
            no_of_tabs--;
            if_cnt++;
        }
        if (if_cnt > 1) {
            no_of_tabs++;
            line("BEGIN");
            no_of_tabs--;
        }
        no_of_tabs++;
        line("BEGIN");
        line("Tarn_selcnt := 0;");
        line("Tarn_error := 0;");
        line("Tarn_rowcnt := 0;");
        line("SELECT 1 INTO Tarn_selcnt");
        line("FROM DUAL");
        line("WHERE ");
        condition_text(condition);
        put_text(";", yyout);
        line("Tarn_rowcnt := SQL%ROWCOUNT;");
        exception_handler();
        line("END;");
        line("IF Tarn_selcnt != 0");
    }
    put_text(" THEN", yyout);
    if (!is_empty(begin_text)) {
        if (else_if != 0) {
            for (int i = 2; i <= no_of_begin_else; i++) {
                print_tabs();
                no_of_tabs++;
                put_text("BEGIN", yyout);
                int16_t k = pop();
                push(static_cast<int16_t>(k + BLK_BEGIN));
            }
        }
        line(begin_text);
        if (else_if == 0) {
            push(BLK_IF_BEGIN);
            if_cnt++;
            further_begins();
        } else {
            pop_var = pop();
            push(static_cast<int16_t>(pop_var + BLK_BEGIN));
            further_begins();
        }
    } else if (else_if == 0) {
        push(BLK_IF);
        if_cnt++;
    }
    no_of_tabs++;
    inIF = 0;
    else_if = 0;
    if_exists = 0;
    which_literal = 0;
    block_opened();
}

void action_for_else(const char *begin_text, int lookahead) {
    no_of_begin_else = 0;
    fill_empty_block(); // the branch that the ELSE ends
    if (lookahead == LOOKAHEAD_IF) {
        line("ELS");
        else_if = 1;
        if (!is_empty(begin_text)) {
            push(BLK_ELSE_IF_BEGIN);
            no_of_begin_else = no_of_begin;
        } else {
            push(BLK_ELSE_IF);
        }
        return;
    }
    line("ELSE");
    if (!is_empty(begin_text)) {
        print_tabs();
        no_of_tabs++;
        put_text(begin_text, yyout);
        push(BLK_ELSE_BEGIN);
        for (int i = 2; i <= no_of_begin; i++) {
            line("BEGIN");
            no_of_tabs++;
            push(BLK_BEGIN);
        }
    } else {
        no_of_tabs++;
        push(BLK_ELSE);
    }
    block_opened();
}

// Closing loop A of action_for_end.
static void closing_loop_a() {
    int c = 0;
    while (if_cnt > 0) {
        int16_t p = pop();
        if (p == BLK_IF) {
            line("END IF;");
            if (c > 0)
                no_of_tabs--;
            if_cnt--;
            c++;
        } else if (p == BLK_SPLIT_IF) {
            line("END;");
            if_cnt--;
        } else if (p == BLK_ELSE_IF || p == BLK_ELSE) {
            // dropped
        } else {
            push(p);
            break;
        }
    }
}

// Closing loop B: an inner IF ends because an outer ELSE follows.
static void closing_loop_b() {
    while (if_cnt > 0) {
        int16_t p = pop();
        if (p == BLK_IF) {
            line("END IF;");
            if_cnt--;
            no_of_tabs--;
            int16_t q = pop();
            if (q == BLK_SPLIT_IF) {
                line("END;");
                if_cnt--;
            } else {
                push(q);
            }
            break;
        } else if (p == BLK_ELSE_IF) {
            // dropped
        } else {
            push(p);
            break;
        }
    }
}

static void close_single_statement_blocks(int lookahead);

void unit_as_read() {
    as_run_pending = true;
    as_begins_open = 0;
}

void begins_read(int count) {
    if (as_run_pending)
        as_begins_open = count - 1;
    as_run_pending = false;
}

bool end_is_surplus() {
    if (stack_ptr > 0 || begin_printed == 0)
        return false;
    if (as_begins_open > 0) {
        as_begins_open--;
        return false;
    }
    return true;
}

void end_word_read() {
    end_line = yylineno;
}

void surplus_end() {
    print_tabs();
    put_text(diagnose(diag::surplus_end, end_line).c_str(), yyout);
    if (surplus_ends < INT16_MAX)
        surplus_ends++;
    conv_error = 1;
}

void action_for_end(int lookahead) {
    fill_empty_block();
    no_of_tabs--;
    print_tabs();
    int16_t k = pop();
    switch (k) {
    case BLK_WHILE:
    case BLK_WHILE_BEGIN:
        put_text("END;", yyout);
        line("END LOOP;");
        break;
    case 1283:
        push(BLK_ELSE_IF_BEGIN);
        no_of_tabs++;
        break;
    case 1590:
        push(BLK_ELSE_IF_BEGIN);
        push(BLK_BEGIN);
        no_of_tabs++;
        break;
    case BLK_IF_BEGIN:
        put_text("END;", yyout);
        if (lookahead == LOOKAHEAD_ELSE) {
            push(BLK_IF);
        } else {
            line("END IF;");
            closing_loop_a();
        }
        break;
    case BLK_ELSE_IF_BEGIN:
        put_text("END;", yyout);
        if (lookahead == LOOKAHEAD_ELSE)
            push(BLK_ELSE_IF);
        else
            closing_loop_a();
        break;
    case BLK_ELSE_BEGIN:
        put_text("END;", yyout);
        if (lookahead == LOOKAHEAD_ELSE)
            closing_loop_b();
        else
            closing_loop_a();
        break;
    default: // BEGIN_CLAUSE and any kind not listed
        put_text("END;", yyout);
        break;
    }
    // The block was the one statement of a WHILE or IF without BEGIN: that ends too.
    if (k != 1283 && k != 1590)
        close_single_statement_blocks(lookahead);
}

// The kind on top of the block stack; 0 when the stack is empty.
static int16_t top_kind() {
    if (stack_ptr <= 0 || static_cast<size_t>(stack_ptr) > begin_stack.size())
        return 0;
    return begin_stack[static_cast<size_t>(stack_ptr) - 1];
}

static bool is_single_if_kind(int16_t kind) {
    return kind == BLK_IF || kind == BLK_SPLIT_IF || kind == BLK_ELSE || kind == BLK_ELSE_IF;
}

// IFs without BEGIN on top of the stack end with the statement just converted.
static void close_single_ifs() {
    while (if_cnt > 0) {
        int16_t p = pop();
        if (p == BLK_IF) {
            fill_empty_block();
            no_of_tabs--;
            line("END IF;");
            if_cnt--;
        } else if (p == BLK_SPLIT_IF) {
            line("END;");
            if_cnt--;
        } else if (p == BLK_ELSE || p == BLK_ELSE_IF) {
            // dropped
        } else {
            push(p);
            break;
        }
    }
}

// The blocks without BEGIN whose one statement has just ended, innermost first: each loop on
// top of the stack gets its END LOOP, each IF its END IF, unless an ELSE follows the IF.
// Nested loops and IFs in any order are closed through the stack, one level at a time.
static void close_single_statement_blocks(int lookahead) {
    for (;;) {
        const int16_t top = top_kind();
        if (top == BLK_WHILE) {
            fill_empty_block();
            pop_var = pop();
            no_of_tabs--;
            line("END LOOP;");
        } else if (if_cnt > 0 && lookahead != LOOKAHEAD_ELSE && is_single_if_kind(top)) {
            close_single_ifs();
        } else {
            break;
        }
    }
    while_cnt = 0;
}

void check_for_end(const char *begin_text, int lookahead) {
    // 1, 2. A WHILE or IF without BEGIN ends after its one statement (not after the head of
    // a WHILE, while_cnt -1, whose statement is still to come).
    if (while_cnt != -1)
        close_single_statement_blocks(lookahead);
    // 3. An ELSE follows: end the THEN branch, or the inner IFs whose outer IF has the ELSE.
    if (if_cnt > 0 && lookahead == LOOKAHEAD_ELSE) {
        int16_t p = pop();
        if (p != BLK_ELSE) {
            push(p);
            no_of_tabs--;
        } else {
            bool done = false;
            while (!done) {
                // b.
                if (if_cnt <= 0)
                    break;
                p = pop();
                if (p == BLK_ELSE_IF)
                    continue;
                if (p != BLK_IF) {
                    push(p);
                    break;
                }
                // c. (p is IF)
                fill_empty_block();
                no_of_tabs--;
                line("END IF;");
                if_cnt--;
                no_of_tabs--;
                for (;;) {
                    if (if_cnt <= 0) {
                        done = true;
                        break;
                    }
                    p = pop();
                    if (p == BLK_SPLIT_IF) {
                        line("END;");
                        no_of_tabs--;
                        if_cnt--;
                    } else if (p == BLK_ELSE) {
                        no_of_tabs++;
                        break; // back to b
                    } else {
                        push(p);
                        done = true;
                        break;
                    }
                }
            }
        }
    }
    // 4. BEGINs after the statement open nested blocks.
    if (!is_empty(begin_text)) {
        line("BEGIN");
        no_of_tabs++;
        push(BLK_BEGIN);
        for (int i = 2; i <= no_of_begin; i++) {
            line("BEGIN");
            no_of_tabs++;
            push(BLK_BEGIN);
        }
        block_opened();
    }
}
