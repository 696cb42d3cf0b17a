// The conversion state of the converter and the run-level globals of the run driver:
// every global by its own name, width and program-start value; init() resets the per-unit
// subset, reset_conversion_state() restores every program-start value for a new run.
#pragma once

#include "text.h" // text_copy, text_append: the state's texts are filled with them

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Capacities of the data model. Lists are fixed arrays with a separate count; code
// that appends to a list checks the count first with check_capacity() (stop with a clear
// message and exit status 1, never write past the array).
// ---------------------------------------------------------------------------------------------
constexpr int BEGIN_STACK_MIN = 256; // the block stack grows past this
constexpr int TAB_LIST_MAX = 100;
constexpr int ITEM_LIST_MAX = 100;
constexpr int COL_LIST_MAX = 300;
constexpr int FLD_LIST_MAX = 100;
constexpr int RESULT_SET_MAX = 100; // retfld_list first index, retrow_list
constexpr int RESULT_COL_MAX = 100; // retfld_list second index
constexpr int DECLARE_LIST_MAX = 500;
constexpr int TMP_LIST_MAX = 100;
constexpr int HOST_IN_WHERE_MAX = 400;
constexpr int PARAMS_MAX = 256;
constexpr int PARAM_LEN = 1024; // one argument of a built-in function call

// Text widths (bytes, NUL included).
constexpr int FNAME_LEN = 128;
constexpr int RETCODE_LEN = 20;
constexpr int PROC_NAME_LEN = 80;
constexpr int DDL_FNAME_LEN = 256;
constexpr int QSTR_LEN = 8000;
constexpr int RETFLD_LEN = 8000;
constexpr int TABLE_LIST_LEN = 5000;
// The CASE subject and the right side of the last comparison or assignment: any expression,
// so as wide as a semantic value (10,000 bytes with its NUL).
constexpr int CASE_TEXT_LEN = 10000;

// Stops the run (exit status 1) with "kestra: <what> exceeds its capacity of <limit>" on
// standard error when count >= limit; call it before writing entry `count` of a list.
void check_capacity(long count, long limit, const char *what);

// Copies src into the conversion-state text dst (capacity `size`) when it fits; a longer text
// stops the run (exit status 1) with "kestra: <what> is longer than <size - 1> characters:
// <the text's beginning>" on standard error instead of being cut. For texts that come from
// the source.
void state_copy(char *dst, size_t size, const char *src, const char *what);

// ---------------------------------------------------------------------------------------------
// Globals of the scanner and the parser: declared here, defined by the flex scanner
// (yyin, yyout, yytext, yyleng, yylineno) and by the parser (yychar, yydebug, yylval in
// parser.h). yyout is the body work file of the current unit.
// ---------------------------------------------------------------------------------------------
extern FILE *yyin;
extern FILE *yyout;
extern char *yytext;
extern int yyleng;
extern int yylineno;
extern int yychar;
extern int yydebug;

// ---------------------------------------------------------------------------------------------
// Options: set by the run driver, read during conversion; init() leaves them.
// ---------------------------------------------------------------------------------------------
extern int16_t procedure;         // 1
extern int16_t function;          // 0
extern int16_t powerbuilder;      // 0
extern int16_t arg_option;        // 0
extern int16_t default_opt;       // 1
extern int16_t noexception;       // 1
extern int16_t prefix_name;       // 1
extern int16_t nocomments;        // 0
extern int16_t use_alias;         // 0
extern int16_t result_set_fn;     // 1
extern int16_t mult_row_fn;       // 0
extern char RetCode[RETCODE_LEN]; // "0"

// ---------------------------------------------------------------------------------------------
// Unit and files.
// ---------------------------------------------------------------------------------------------
extern char proc_name[PROC_NAME_LEN];
extern char iFname[FNAME_LEN];
extern char oFname[FNAME_LEN];
extern char userfile[FNAME_LEN];
extern FILE *fp1;     // work file 2: parameter list and header
extern FILE *fp2;     // work file 3: declarations
extern FILE *fp3;     // work file 4: nothing writes to it
extern FILE *fp72;    // work file 5: package specification
extern FILE *tmpFile; // the output script, open for the whole run
extern FILE *fpLog;   // "KESTRA.log", append, reopened per unit
extern FILE *ddl_fd;  // the DDL script; nullptr = not open (open it with open_ddl_file, conv72.h)
extern char ddl_fname[DDL_FNAME_LEN];

// ---------------------------------------------------------------------------------------------
// Statement context (16-bit flags unless marked 32).
// ---------------------------------------------------------------------------------------------
extern int16_t inWhere, inHaving;
extern int16_t inIF, inWhile;
extern int16_t inUpdate, inInsert, inExecute;
extern int32_t case_flag; // 32
extern int16_t inSelect;
extern int16_t inSubquery;
extern int16_t inUnion, union_flag, first_union;
extern int16_t select_stmt;
extern int16_t from;
extern int32_t noFrom; // 32, start 1
extern int16_t from_dual;
extern int32_t new_statement; // 32, start 1
extern int16_t inTmp;
extern int16_t if_exists;
extern int16_t else_if;
extern int16_t which_literal;
extern int32_t query_in_fn; // 32
extern int16_t insert_flag, skip_rs;
extern int16_t star_flag;
extern char star_tab[200];
extern int16_t paramFlag;   // start 1
extern int16_t declareFlag; // start 1
extern int16_t ifdeclare;   // 0
extern int16_t declarecnt;  // 0
extern int16_t outParam, parameterPassed;
extern int32_t new_flag; // 32, start 1
extern int16_t iftrigger, ifeachrow, ifdeleted;
extern int16_t aft_trig, firstTrig; // start 1
extern int16_t instead_trig;        // the trigger was declared INSTEAD OF (its head says so)
extern int16_t firstTime;           // start 1
extern int16_t begin_printed;
extern int16_t isFunction, isFunction1;
extern int16_t version_flag, ibasechar, ibitnand, icharbase, ipatindex;
extern int32_t declare_cur; // 32
extern int16_t update_from;
extern int16_t convertFlag, tableFlag, end_of_input, conv_error;
// Used by the header and statement actions as well:
extern int16_t emptyFlag;   // the procedure has no parameter list
extern int16_t inMainQuery; // set by select_statement
// The "first-split marker" that init() sets to -1 (kept in a variable of its own).
extern int32_t first_split; // start -1
// First character after the last word that is not a blank or tab; -1 before the first word
// (read by the keyword lookup). Kept here so that a new run starts from -1.
extern int next_char;

// ---------------------------------------------------------------------------------------------
// Counters.
// ---------------------------------------------------------------------------------------------
extern int16_t stack_ptr; // entries on begin_stack; the run's RETCODE (may go negative)
// ENDs of the run that closed no block (a run-wide count: init() keeps it); the run then
// fails and its RETCODE is minus this count.
extern int16_t surplus_ends;
extern int16_t if_cnt, while_cnt, label_ctr;
extern int16_t no_of_tabs;
extern int16_t no_of_begin, no_of_begin_else;
extern int16_t temp_var_cnt;
extern int32_t tot_tab, o_tot_tab;
extern int16_t tab_cnt;
extern int32_t tot_item;
extern int16_t cur_col;
extern int32_t fld_cnt;
extern int32_t fldlst_cnt;
extern int32_t tot_tmp;
extern int32_t declare_no;
extern int32_t var_no; // start 1
extern int32_t cur_ref;
extern int32_t ref_cursor_no; // start 1
// The PowerBuilder variant's own numbers for the run (init() leaves them): the next generated
// column name "i_oval%d" and the next result-set cursor RC%d with its types RT%d and RCT%d.
extern int32_t pb_oval_no;   // start 1
extern int32_t pb_cursor_no; // start 1

// ---------------------------------------------------------------------------------------------
// Lists and buffers (all zero at start).
// ---------------------------------------------------------------------------------------------

// The block stack: 16-bit block kinds, index = stack_ptr. It grows on demand past
// BEGIN_STACK_MIN entries; use push()/pop() (blockstack.h), which never touch memory outside
// it. begin_stack.size() is the storage, not the count.
extern std::vector<int16_t> begin_stack;

struct tab_entry {
    char name[500];
    char alias[500];
};
extern tab_entry tab_list[TAB_LIST_MAX];  // tables of the current FROM list (tot_tab)
extern tab_entry tab_list1[TAB_LIST_MAX]; // tables of a trigger's statement (tab_cnt)

struct item_entry {
    char expr[500];
    char column[500];
};
extern item_entry item_list[ITEM_LIST_MAX]; // assignments of the current UPDATE (tot_item)

struct col_entry {
    char name[100];   // target name
    char value[2256]; // the selected expression
    int16_t var_flag; // the target began with an at sign
};
extern col_entry col_list[COL_LIST_MAX]; // assignments of the current select list (cur_col)

struct fld_entry {
    char name[500];
    char type[200];
    int32_t indent; // indentation of the SELECT of the result set with this index
    char text[100];
};
extern fld_entry fld_list[FLD_LIST_MAX]; // result columns of the unit (fld_cnt)

// retfld_list[result set][column]: text 8000. 80 MB, so it lives in a mapping of its own (zero
// pages until written); indexing is the same as for an array: retfld_list[n][c] is a char[8000].
// Note: sizeof(retfld_list) is the size of a pointer.
typedef char retfld_row[RESULT_COL_MAX][RETFLD_LEN];
extern retfld_row *retfld_list;
// Writes retfld_list[set][col] (a text over 7,999 characters or an index out of range stops the
// run with status 1) and records it, so that init() empties exactly the texts written since
// (reset_conversion_state() empties all of them). Write the texts only through this.
void retfld_set(int set, int col, const char *text);

struct retrow_entry {
    char query[8000];    // query text
    int32_t number;      // the 32-bit number: indentation depth of the SELECT
    int16_t status_flag; // status-variable flag (set by the scanner on ROWCOUNT / ERROR)
};
extern retrow_entry retrow_list[RESULT_SET_MAX];

struct declare_entry {
    char name[100];
    char name2[100];
    char base_type[100];
    char size[100];           // size suffix, from "(" on
    char default_clause[100]; // the word DEFAULT and the value
    char default_value[100];
    int32_t kind;    // 0 input parameter (or cursor), 1 local, 2 output, 3 assigned input
    int32_t counter; // declaration counter (cursors)
};
extern declare_entry declare_list[DECLARE_LIST_MAX]; // declare_no entries

struct tmp_entry {
    char name[100];
    char name2[100]; // as long as name: the session filter writes it as the table's name
};
extern tmp_entry tmp_list[TMP_LIST_MAX]; // temporary tables seen (tot_tmp)

struct host_in_where_list {
    int32_t count;
    char name[HOST_IN_WHERE_MAX][100];
};
extern host_in_where_list HostInWhere;

extern char params[PARAMS_MAX][PARAM_LEN]; // arguments of the function call being translated

// The largest lists (col_list, retrow_list, declare_list, params, tab_list, tab_list1 and
// item_list) are cleared by a reset only as far as they were written since the last one: a
// write to an entry marks it first, and the entries past the highest mark are zero still (a
// write of zeros needs no mark). <list>_marked: one past the highest entry marked.
extern int col_list_marked, retrow_list_marked, declare_list_marked, params_marked, tab_list_marked,
    tab_list1_marked, item_list_marked;
inline void list_mark(int &marked, int entry) {
    if (entry >= marked)
        marked = entry + 1;
}

// Single texts.
extern char qstr1[QSTR_LEN], qstr2[QSTR_LEN], select_param[QSTR_LEN], param_str[QSTR_LEN],
    where_str[QSTR_LEN], trig_where[QSTR_LEN], case_param[QSTR_LEN];
extern char tableList[TABLE_LIST_LEN];
extern char case_var[CASE_TEXT_LEN], cur_case_param[CASE_TEXT_LEN];
extern char current_cursor[256];
extern char declare_param[200], defaultValue[200], trig_tab[200];
extern char cur_param_type[100];
extern char TriggerTable[100];
extern char TriggerEvent[1016];
extern int16_t pop_var; // the block kind last popped

// ---------------------------------------------------------------------------------------------
// Resets.
// ---------------------------------------------------------------------------------------------

// Per-unit reset: exactly the per-unit subset of the state.
void init();

// Restores every global above (and yylineno, yydebug, the user datatype list, the
// valid_procname pool) to its program-start value. Does not close files: the run driver
// closes its files before. kestra_main calls it at the start of every run.
void reset_conversion_state();
// The program-start values of the scalars above and of yyin, yyout, yylineno and yydebug, the
// texts and lists left as they are: enough for a scan that only looks for unit heads, since
// what the scanner reads of the lists is bounded by counters this resets. A conversion after
// such a scan still needs reset_conversion_state().
void reset_scan_state();
// For a program's main() before anything in the process has run a conversion or a unit scan:
// the texts and lists above still hold their program-start zeros, so the next
// reset_conversion_state() leaves them as they are instead of clearing them. Clearing would
// bring in some 2 MB of pages that a run mostly never writes (a fault each, milliseconds a
// run). A process that converted or scanned before must not call it.
void conversion_state_untouched();
