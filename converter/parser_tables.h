// Internal interface between the tables and actions that bison writes from grammar.y (through
// the skeleton parser.m4) and the parser driver parser.cpp. Bison's table encoding (yacc.c):
// pact/defact per state, pgoto/defgoto per nonterminal, table/check packed actions, r1/r2 per
// rule (left-hand symbol, right-hand length), prhs/rhs the right-hand sides (-1 terminated).
// Rule numbers in these tables are one above the system's (table rule 1 is $accept).
#pragma once

#include "parser.h"

namespace kestra_grammar {

struct parse_tables {
    int final_state;
    int last;    // highest index of table/check
    int ntokens; // symbols 0 .. ntokens-1 are tokens
    int nnts;    // nonterminal count, $accept included
    int nrules;  // table rules 1 ($accept) .. nrules; table rule n+1 is the system's rule n
    int nstates;
    int pact_ninf;  // pact value: default reduction without look-ahead
    int table_ninf; // table value: syntax error
    int maxutok;    // highest token number translate covers
    const int *pact, *defact, *pgoto, *defgoto, *table, *check, *stos;
    const int *r1, *r2, *prhs, *rhs, *toknum, *translate;
    const char *const *tname;
    const int *acting;   // the rules that have an action, ending with 0
    const int *setting;  // acting rules whose action writes $$ before reading it, ending with 0
    const int *clearing; // acting rules whose action only empties $$, ending with 0
    const int *first_unnamed; // acting rules whose action names $1 only as $$, ending with 0
    int ntranslate;           // entries of translate
    int ntoknum;              // entries of toknum (one per token symbol)
};

extern const parse_tables tables;

// Runs the action of table rule `rule` (the system's rule - 1) with yyvsp at the top entry of the
// value stack; returns 0 to go on, 1 for YYABORT, 2 for YYACCEPT, 3 for YYERROR.
int run_action(int rule, yyvalue *yyvsp);

} // namespace kestra_grammar
