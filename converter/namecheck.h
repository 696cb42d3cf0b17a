// Name and selection checks: whole-word search (str_match), the name and type of the result
// column a select-list item produces (check_name), and the single-row block that turns a
// scalar subquery into a temporary variable (check_selection).
#pragma once

// Capacities of check_name's buffers (NUL included): the widths of a fld_list entry.
constexpr int CHECK_NAME_LEN = 500;
constexpr int CHECK_TYPE_LEN = 200;

// 1 when `word` occurs in `text` as a whole word (a "." may precede it), else 0.
// Case-sensitive.
int str_match(const char *text, const char *word);

// Looks at one select-list item and derives the result column's name and type: 0 no name,
// 1 a name, 2 the item selects all columns (name "*"). `name` holds at least CHECK_NAME_LEN
// bytes, `type` at least CHECK_TYPE_LEN; a longer name or type stops the run (status 1). The item
// is left unchanged.
int check_name(const char *item, char *name, char *type);

// Writes, before the statement being built, a block that selects the subquery held in qstr1
// (select list) and qstr2 (FROM part and the rest) into a new variable temp_var<n> (declared
// once in the declarations work file); temp_var_cnt is then n. `buf` (a value buffer of
// YYVALSIZE bytes) receives no_of_tabs tab characters.
void check_selection(char *buf);
