// Control-flow statements: the routines behind the actions of blocks, IF, ELSE, WHILE, BREAK,
// CONTINUE, GOTO and labels, RETURN, PRINT, WAITFOR, RAISERROR and EXECUTE, and the
// bookkeeping after every body statement (check_for_end with the parser's look-ahead).
#pragma once

// `dst` is always a value buffer of YYVALSIZE bytes (parser.h).

// The parser's look-ahead token, read first when none is held (0 at end of input); its text
// is then in yylval.
int ctl_lookahead();

// Rules 103 to 107: a run of `count` BEGINs yields "BEGIN" and sets no_of_begin.
void ctl_opt_begin(char *dst, int count);
// Rules 38, 39, 41 to 48, 52: after a statement followed by an optional BEGIN run.
void ctl_statement_end(const char *opt_begin);
// Rule 49: a WHILE statement as a body element.
void ctl_while_end();
// Rule 40: END, possibly followed by BEGINs.
void ctl_end(const char *opt_begin);
// Rules 58 and 101: IF and WHILE with their condition (action_for_if, action_for_while), the
// condition flag kept for a nested IF or WHILE already read as the look-ahead.
void ctl_if(const char *keyword, const char *condition, const char *opt_begin);
void ctl_while(const char *keyword, const char *condition, const char *opt_begin);
// Rule 110: ELSE with its optional BEGIN run.
void ctl_else(const char *opt_begin);

void ctl_break();                    // rule 53
void ctl_waitfor(const char *delay); // rule 100
void ctl_print(const char *list);    // rule 124 (rule 126 joins with "%s,%s")
void ctl_label(const char *label);   // rule 127 (the text ends with its colon)
void ctl_goto(const char *target);   // rule 128
void ctl_continue();                 // rule 129
void ctl_return(const char *value);  // rule 121 ("" for no value)

// Rules 114 to 117: `code` is nullptr for rules 116 and 117, `args` nullptr for rule 114.
void ctl_raiserror(const char *code, const char *message, const char *args);
// The message text of a RAISERROR with arguments substituted into its "|| ||" slots.
void ctl_substitute(char *dst, const char *message, const char *args);
// Rule 119: a RAISERROR message literal, placeholders turned into slots.
void ctl_message(char *dst, const char *literal);

// EXECUTE: rule 137 sets inExecute; rule 139 "%s := "; rules 130 to 135 the procedure name
// from its parts (`parts` names, count 1 to 4, with an empty text for an omitted part);
// rule 144 one parameter; rule 136 the call.
void ctl_execute_word();
void ctl_retval(char *dst, const char *variable);
void ctl_sp_name(char *dst, const char *const *parts, int count);
void ctl_execute_param(char *dst, const char *expr);
void ctl_execute(const char *retval, const char *name, const char *params);
// The end of a call's block: its exception handler (unless option -X) and "END;"; inExecute
// cleared unless another EXECUTE follows.
void ctl_call_end();
