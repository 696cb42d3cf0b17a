/* Grammar of the converter: the token numbers 257 to 411, the precedence
   levels and the 532 rules in their numbered order, with no mid-rule actions, so bison's rule
   n is the system's rule n (bison's rule 0 is $accept). Each alternative carries its number.
   Values: $$ and $n are char[10000] texts (parser.h); write them only with val_set, val_cat,
   val_printf, val_catf and val_text. The skeleton parser.m4 emits the tables and these actions;
   the driver is parser.cpp. */

%skeleton "./parser.m4"
%define lr.type lalr
%define lr.default-reduction most

%code top {
#include <cstdio>
#include <cstring>

#include "assembly.h"
#include "convstate.h"
#include "output.h"
#include "parser.h"
#include "control.h"
#include "headers.h"
#include "queries.h"
#include "select_statements.h"
#include "data_changes.h"
#include "table_names.h"
#include "expressions.h"
#include "cursors.h"
#include "bitwise.h"
#include "literals.h"
#include "column_constraints.h"
#include "table_hints.h"
#include "dynamic_sql.h"
#include "joins.h"
#include "error_handling.h"
#include "initial_values.h"
#include "row_limits.h"
#include "table_variables.h"

void start_again(); // the scanner: back to the outer state

// Rules 1 and 2: a unit (procedure or trigger with its optional GO) is complete.
static void end_of_unit()
{
    // A unit not closed by GO ends where the next head begins: that head is the look-ahead,
    // already read in the unit state (the scanner must stay there) and already marked as a
    // trigger or not (which init must not undo).
    const bool next_head = yychar == CREATE_PROC || yychar == CREATE_TRIGGER;
    if (!next_head)
        start_again();
    if (end_of_input)
        return;
    close_tmp_files();
    open_tmp_files();
    init();
    if (yychar == CREATE_TRIGGER)
        iftrigger = 1;
}

// Rule 54 (end of a DECLARE statement): the declaration state the scanner reads.
// The look-ahead (always held here) is the statement after the declaration.
static void end_of_declare()
{
    declarecnt--;
    if (declarecnt <= 0)
        ifdeclare = 0;
    if (strcmp(yylval, "DECLARE") != 0)
        declareFlag = 0;
}

// Rule 278 (cursor declaration): the same state for a DECLARE ... CURSOR.
static void end_of_cursor_declare()
{
    if (declarecnt <= 0)
        ifdeclare = 0;
    declarecnt--;
}

// Rules 4 and 5: the batch end.
static void end_of_batch()
{
    if (yyout != nullptr)
        fprintf(yyout, "\n/\n\n");
}
}

/* Token table in declaration order. The single characters of the precedence
   levels take their character codes; ')' ',' '.' ';' are used by the rules undeclared. */
%token LOWPREC 257  STRING 258  INTNUM 259  APPROXNUM 260  NAME 261  COMPUTE 262
%token FUNC 263  PARAMETER 264  NULLX 265  CHARACTER 266  VARCHAR 267  NUMERIC 268
%token INTEGER 269  USER_TYPE 270  SMALLDATETIME 271  COMPARISON 272  OR 273  AND 274
%token NOT 275  RETURN_CLAUSE 276  UMINUS 277  UPDATING 278  HOLDLOCK 279  DBCC 280
%token CHECKTABLE 281  CHECKDB 282  CHECKALLOC 283  TABLEALLOC 284  INDEXALLOC 285  CHECKCATALOG 286
%token DBREPAIR 287  REINDEX 288  FIX_TEXT 289  SKIP_NCINDEX 290  FIX 291  NOFIX 292
%token FULL 293  OPTIMIZED 294  FAST 295  DROPDB 296  STATISTICS 297  VALUES 298
%token SELECT 299  TRUNCATE 300  INSERT 301  INTO 302  ALL 303  ANY 304
%token AS 305  ASC 306  BEGIN_CLAUSE 307  BETWEEN 308  BY 309  SPLIT_IF 310
%token CHECK 311  CLOSE 312  COMMIT 313  CONTINUE 314  CREATE 315  CREATE_PROC 316
%token CREATE_TRIGGER 317  CURSOR 318  DATE 319  DECIMAL 320  DECLARE 321  DEFAULT 322
%token DELETE 323  DESC 324  DISTINCT 325  DELAYX 326  DROP 327  ELSE 328
%token END_CLAUSE 329  ESCAPE 330  EXECUTE 331  EXISTS 332  FOR 333  FOREIGN 334
%token FROM 335  GOTO 336  GO 337  GRANT 338  GROUP 339  HAVING 340
%token IF 341  IN 342  INDICATOR 343  IS 344  JOIN 345  KEY 346
%token LIKE 347  OF 348  ON 349  OPEN 350  OPTION 351  ORDER 352
%token OUTPUT_VAR 353  PRECISION 354  PRINT 355  PRIMARY 356  PRIVILEGES 357  PUBLIC 358
%token PLUS 359  REAL 360  RECOMPILE 361  REFERENCES 362  ROLLBACK 363  SCHEMA 364
%token SET 365  BREAK 366  SMALLINT 367  SOME 368  SAVE 369  SYSNAME 370
%token TABLE 371  TO 372  UNION 373  TIMESTAMP 374  UNIQUE 375  UPDATE 376
%token USER 377  VIEW 378  VARBINARY 379  WHERE 380  CURRENT 381  WITH 382
%token WHILE 383  WAITFOR 384  RAISERROR 385  LABEL 386  TRANSACTION 387  BEGIN_TRANSACTION 388
%token FETCH 389  NEXT 390  INDEX 391  CLUSTERED 392  NONCLUSTERED 393  FILLFACTOR 394
%token IGNORE_DUP_KEY 395  IGNORE_DUP_ROW 396  ALLOW_DUP_ROW 397  SORTED_DATA 398  WHEN 399  CASE 400
%token THEN 401  IDENTITY 402  SCROLL 403  FIRST 404  LAST 405  READ 406
%token ONLY 407  DEALLOCATE 408  ROWS 409  SQLSTATUS 410  FETCH_STATUS 411

/* Tokens of the extensions (issue 22A: 430 to 459). NSTRING is a national literal N'...';
   HINT_PAREN the "(" that opens a table hint, WITH_HINT the WITH before one. */
%token NVARCHAR 430  NCHAR 431  NTEXT 432  NSTRING 434  AFTER 435  INSTEAD 436
%token TRIGGER 437  HINT_PAREN 438  WITH_HINT 439  CONSTRAINT 440
/* Tokens of the extensions (issue 22B: 460 to 489). ANSI_JOIN is a join keyword with an ON
   condition ("JOIN", "INNER JOIN", "LEFT OUTER JOIN", ...), CROSS_JOIN one without. */
%token ANSI_JOIN 460  CROSS_JOIN 461
/* Tokens of the extensions (issue 22C: 462 to 474). BEGIN_TRY, END_TRY, BEGIN_CATCH and
   END_CATCH are the two-word marks of a TRY ... CATCH block; THROW is a word where a statement
   may begin and a name elsewhere. */
%token BEGIN_TRY 462  END_TRY 463  BEGIN_CATCH 464  END_CATCH 465  THROW 466
/* Tokens of the extensions (issue 22D: 475 to 489). TABLE_VAR is the variable of a
   DECLARE @t TABLE (...), named as its table. */
%token TOP 475  PERCENT 476  TABLE_VAR 477

/* Precedence, lowest first, all left-associative. LOWPREC is used by no rule;
   UMINUS is carried by the unary rules 419 and 420. */
%left LOWPREC
%left COMPARISON
%left '='
%left '+' '-'
%left '*' '/'
%left '%' '&' '|' '^' '~'
%left OR
%left AND
%left NOT
%left RETURN_CLAUSE
%left '('
%left UMINUS

%start begin_conv
/* Conflicts, pinned by the build (parser_bison.cmake; bison's %expect-rr is for GLR only):
   expect: 54 shift/reduce, 14 reduce/reduce
   New conflicts of the extensions, each resolved by bison's shift:
   - issue 22A, '(' after NVARCHAR and after NCHAR in a DECLARE (rules 534/535, 536/537 meet a
     statement that begins with '('): shifted, the size belongs to the type, as for VARCHAR.
   - issue 22A, NSTRING after COMPARISON and after '=' in an IF or WHILE condition (rule 539 in
     rule 416/418 against rule 87): shifted, as for the other literals.
   - issue 22A, PRIMARY and UNIQUE after NOT NULL in a column definition (rules 189 and 188
     meet rule 187 followed by rules 543 and 544): shifted, so NOT NULL PRIMARY KEY and NOT
     NULL UNIQUE keep rules 189 and 188.
   Rule 574 (WHEN search_condition THEN, issue 22B) meets rules 436, 437 and 440: after
   WHEN atom or WHEN column_ref, COMPARISON and '=' shift (2 + 2 shift/reduce), so the
   comparison forms 436 and 437 keep their reading; before THEN a literal and '-' INTNUM reduce
   to case_literal (rules 441, 442 over 451, 474) and a column_ref to scalar_exp (rule 422
   over 444: 3 reduce/reduce); xpr_case_when_searched gives that bare column the reading of
   rule 440.
   Issue 22C, '(' after a THROW without arguments (rule 579 against rule 580, whose number
   may be parenthesised): shifted, so THROW directly followed by a statement that begins with
   '(' reads the parenthesis as its argument; a bare THROW stands at the end of a CATCH body. */
%%

begin_conv
    : begin_procedure { end_of_unit(); }                 /* 1 */
    | begin_conv begin_procedure { end_of_unit(); }      /* 2 */
    ;

begin_procedure
    : procedure_stmt opt_go                              /* 3 */
    ;

opt_go
    : %empty { end_of_batch(); val_set($$, ""); }        /* 4 */
    | GO { end_of_batch(); }                             /* 5 */
    ;

opt_holdlock
    : %empty { val_set($$, ""); }                        /* 6 */
    | HOLDLOCK                                           /* 7 */
    ;

opt_as_stmt
    : %empty { val_set($$, ""); }                        /* 8 */
    | as_stmt                                            /* 9 */
    ;

opt_name_string
    : %empty { val_set($$, ""); }                        /* 10 */
    | opt_as_stmt name_string { hdr_alias($$, $2); }     /* 11 */
    ;

name_string
    : NAME                                               /* 12 */
    | STRING { hdr_quoted_name($$, $1); }                /* 13 */
    ;

procedure_stmt
    : CREATE_PROC proc_name opt_passed_parameters as_stmt opt_begin proc_body { hdr_end_procedure($5); } /* 14 */
    | CREATE_TRIGGER proc_name ON table FOR operation_commalist as_stmt opt_begin proc_body { hdr_end_trigger($8, $4, $6); } /* 15 */
    ;

proc_name
    : name_string opt_proc_number { hdr_proc_name($$, nullptr, $1); } /* 16 */
    | name_string '.' name_string opt_proc_number { hdr_proc_name($$, $1, $3); } /* 17 */
    ;

opt_proc_number
    : %empty { val_set($$, ""); }                        /* 18 */
    | ';' INTNUM                                         /* 19 */
    ;

opt_passed_parameters
    : %empty { hdr_no_parameters(); val_set($$, ""); }   /* 20 */
    | opt_sparen parameter_list opt_eparen               /* 21 */
    ;

opt_sparen
    : %empty { val_set($$, ""); }                        /* 22 */
    | '('                                                /* 23 */
    ;

opt_eparen
    : %empty { hdr_end_of_parameters(); val_set($$, ""); } /* 24 */
    | ')' { hdr_end_of_parameters(); }                   /* 25 */
    ;

parameter_list
    : parameter_def                                      /* 26 */
    | parameter_list ',' parameter_def                   /* 27 */
    ;

parameter_def
    : parameter data_type opt_default_value { hdr_parameter_def($$, $2, $3); } /* 28 */
    ;

opt_default_value
    : %empty { val_set($$, ""); }                        /* 29 */
    | opt_default_value default_value { hdr_default_join($$, $1, $2); } /* 30 */
    ;

default_value
    : OUTPUT_VAR { hdr_default_output($$); }             /* 31 */
    | WITH RECOMPILE { hdr_default_recompile($$); }      /* 32 */
    | '=' NULLX { hdr_default_value($$, nullptr); }      /* 33 */
    | '=' scalar_exp { hdr_default_value($$, $2); }      /* 34 */
    ;

proc_body
    : proc_contents                                      /* 35 */
    | proc_body proc_contents                            /* 36 */
    ;

as_stmt
    : AS { hdr_as(); }                                   /* 37 */
    ;

proc_contents
    : sql opt_begin { ctl_statement_end($2); }           /* 38 */
    | opt_declare_var opt_begin { ctl_statement_end($2); } /* 39 */
    | end_construct opt_begin { ctl_end($2); }           /* 40 */
    | return_construct opt_begin { ctl_statement_end($2); } /* 41 */
    | print_construct opt_begin { ctl_statement_end($2); } /* 42 */
    | execute_construct opt_begin { ctl_statement_end($2); } /* 43 */
    | raiserror_construct opt_begin { ctl_statement_end($2); } /* 44 */
    | goto_construct opt_begin { ctl_statement_end($2); } /* 45 */
    | label_construct opt_begin { ctl_statement_end($2); } /* 46 */
    | continue_construct opt_begin { ctl_statement_end($2); } /* 47 */
    | waitfor_construct opt_begin { ctl_statement_end($2); } /* 48 */
    | while_construct { ctl_while_end(); }               /* 49 */
    | if_construct                                       /* 50 */
    | else_construct                                     /* 51 */
    | break_construct opt_begin { ctl_statement_end($2); } /* 52 */
    ;

break_construct
    : BREAK { ctl_break(); }                             /* 53 */
    ;

opt_declare_var
    : DECLARE declare_var_list { end_of_declare(); }     /* 54 */
    ;

declare_var_list
    : declare_var_ref                                    /* 55 */
    | declare_var_list ',' declare_var_ref               /* 56 */
    ;

declare_var_ref
    : parameter data_type { hdr_declare_var($$, $2); }   /* 57 */
    ;

if_construct
    : IF if_condition opt_begin { ctl_if($1, $2, $3); } /* 58 */
    ;

if_condition
    : if_condition OR if_condition { val_text($$, $1, " OR ", $3); } /* 59 */
    | if_condition AND if_condition { val_text($$, $1, " AND ", $3); } /* 60 */
    | NOT if_condition { val_text($$, "NOT ", $2); } /* 61 */
    | '(' if_condition ')' { val_text($$, "(", $2, ")"); } /* 62 */
    | if_predicate                                       /* 63 */
    | like_predicate                                     /* 64 */
    ;

if_predicate
    : comparison_if_predicate                            /* 65 */
    | test_if_null                                       /* 66 */
    | in_if_predicate                                    /* 67 */
    | between_predicate                                  /* 68 */
    | if_existence_test { xpr_mark_existence_test(); } /* 69 */
    | if_updating                                        /* 70 */
    | if_existence_test IS NULLX { xpr_existence_is_null($$, $1, false); } /* 71 */
    | if_existence_test IS NOT NULLX { xpr_existence_is_null($$, $1, true); } /* 72 */
    | if_existence_test comparison_clause subquery { xpr_exists_compare_subquery($$, $1, $2); } /* 73 */
    | if_existence_test comparison_clause scalar_exp { xpr_exists_compare($$, $1, $2, $3, true); } /* 74 */
    | scalar_exp comparison_clause if_existence_test { xpr_exists_compare($$, $3, $2, $1, false); } /* 75 */
    | if_existence_test comparison_clause NULLX { xpr_exists_compare($$, $1, $2, nullptr, true); } /* 76 */
    | NULLX comparison_clause if_existence_test { xpr_exists_compare($$, $3, $2, nullptr, false); } /* 77 */
    | scalar_exp IN if_existence_test { xpr_in_existence_test($$, $1, $3, false); } /* 78 */
    | scalar_exp NOT IN if_existence_test { xpr_in_existence_test($$, $1, $4, true); } /* 79 */
    ;

signed_intnum
    : INTNUM                                             /* 80 */
    | '-' INTNUM { val_printf($$, "-%s", $2); }          /* 81 */
    ;

if_updating
    : UPDATING '(' column_ref_commalist ')' { xpr_if_updating($$, $3); } /* 82 */
    ;

comparison_if_predicate
    : SQLSTATUS comparison_clause INTNUM { cur_sqlstatus_test($$, $2, $3); } /* 83 */
    | '(' SQLSTATUS ')' comparison_clause INTNUM { cur_sqlstatus_test($$, $4, $5); } /* 84 */
    | FETCH_STATUS comparison_clause signed_intnum { cur_fetch_status_test($$, $2, $3); } /* 85 */
    | '(' FETCH_STATUS ')' comparison_clause signed_intnum { cur_fetch_status_test($$, $4, $5); } /* 86 */
    | scalar_exp comparison_clause scalar_exp { xpr_comparison($$, $1, $2, $3); } /* 87 */
    | scalar_exp                                         /* 88 */
    ;

test_if_null
    : scalar_exp IS NOT NULLX { val_text($$, $1, " IS NOT NULL"); } /* 89 */
    | scalar_exp IS NULLX { val_text($$, $1, " IS NULL"); } /* 90 */
    | scalar_exp comparison_clause NULLX { xpr_null_comparison($$, $1, $2); } /* 91 */
    ;

in_if_predicate
    : scalar_exp NOT IN '(' if_scalar_exp_commalist ')' { val_text($$, $1, " NOT IN (", $5, ")"); } /* 92 */
    | scalar_exp IN '(' if_scalar_exp_commalist ')' { val_text($$, $1, " IN (", $4, ")"); } /* 93 */
    ;

if_scalar_exp_commalist
    : if_txt                                             /* 94 */
    | if_scalar_exp_commalist ',' if_txt { val_text($$, $1, ", ", $3); } /* 95 */
    ;

if_txt
    : NULLX { val_set($$, "NULL"); }                     /* 96 */
    | scalar_exp                                         /* 97 */
    ;

if_existence_test
    : subquery { xpr_mark_existence_test(); }          /* 98 */
    | existence_test { xpr_mark_existence_test(); }    /* 99 */
    ;

waitfor_construct
    : WAITFOR DELAYX scalar_exp { ctl_waitfor($3); }     /* 100 */
    ;

while_construct
    : WHILE if_condition opt_begin { ctl_while($1, $2, $3); } /* 101 */
    ;

opt_begin
    : %empty { val_set($$, ""); }                        /* 102 */
    | BEGIN_CLAUSE { ctl_opt_begin($$, 1); }             /* 103 */
    | BEGIN_CLAUSE BEGIN_CLAUSE { ctl_opt_begin($$, 2); } /* 104 */
    | BEGIN_CLAUSE BEGIN_CLAUSE BEGIN_CLAUSE { ctl_opt_begin($$, 3); } /* 105 */
    | BEGIN_CLAUSE BEGIN_CLAUSE BEGIN_CLAUSE BEGIN_CLAUSE { ctl_opt_begin($$, 4); } /* 106 */
    | BEGIN_CLAUSE BEGIN_CLAUSE BEGIN_CLAUSE BEGIN_CLAUSE BEGIN_CLAUSE { ctl_opt_begin($$, 5); } /* 107 */
    ;

comparison_clause
    : COMPARISON                                         /* 108 */
    | '=' { val_set($$, "="); }                          /* 109 */
    ;

else_construct
    : ELSE opt_begin { ctl_else($2); }                   /* 110 */
    ;

end_construct
    : END_CLAUSE                                         /* 111 */
    ;

error_code
    : parameter                                          /* 112 */
    | signed_intnum                                      /* 113 */
    ;

raiserror_construct
    : RAISERROR error_code opt_message { ctl_raiserror($2, $3, nullptr); } /* 114 */
    | RAISERROR error_code opt_message ',' scalar_exp_commalist { ctl_raiserror($2, $3, $5); } /* 115 */
    | RAISERROR '(' opt_message ',' scalar_exp_commalist ')' { ctl_raiserror(nullptr, $3, $5); } /* 116 */
    | RAISERROR opt_message ',' scalar_exp_commalist { ctl_raiserror(nullptr, $2, $4); } /* 117 */
    ;

opt_message
    : %empty { val_set($$, ""); }                        /* 118 */
    | strings { ctl_message($$, $1); }                   /* 119 */
    | parameter                                          /* 120 */
    ;

return_construct
    : RETURN_CLAUSE opt_ret_val { ctl_return($2); }      /* 121 */
    ;

opt_ret_val
    : %empty { val_set($$, ""); }                        /* 122 */
    | scalar_exp                                         /* 123 */
    ;

print_construct
    : PRINT scalar_exp_list { ctl_print($2); }           /* 124 */
    ;

scalar_exp_list
    : scalar_exp                                         /* 125 */
    | scalar_exp ',' scalar_exp_list { val_printf($$, "%s,%s", $1, $3); } /* 126 */
    ;

label_construct
    : LABEL { ctl_label($1); }                           /* 127 */
    ;

goto_construct
    : GOTO NAME { ctl_goto($2); }                        /* 128 */
    ;

continue_construct
    : CONTINUE { ctl_continue(); }                       /* 129 */
    ;

sp_name
    : NAME opt_proc_number { const char *p[] = {$1}; ctl_sp_name($$, p, 1); } /* 130 */
    | NAME '.' NAME opt_proc_number { const char *p[] = {$1, $3}; ctl_sp_name($$, p, 2); } /* 131 */
    | NAME '.' '.' NAME opt_proc_number { const char *p[] = {$1, "", $4}; ctl_sp_name($$, p, 3); } /* 132 */
    | NAME '.' NAME '.' NAME opt_proc_number { const char *p[] = {$1, $3, $5}; ctl_sp_name($$, p, 3); } /* 133 */
    | NAME '.' '.' '.' NAME opt_proc_number { const char *p[] = {$1, "", "", $5}; ctl_sp_name($$, p, 4); } /* 134 */
    | NAME '.' NAME '.' NAME '.' NAME opt_proc_number { const char *p[] = {$1, $3, $5, $7}; ctl_sp_name($$, p, 4); } /* 135 */
    ;

execute_construct
    : execute_word opt_retval sp_name opt_execute_param_commalist { ctl_execute($2, $3, $4); } /* 136 */
    ;

execute_word
    : EXECUTE { ctl_execute_word(); }                    /* 137 */
    ;

opt_retval
    : %empty { val_set($$, ""); }                        /* 138 */
    | parameter '=' { ctl_retval($$, $1); }              /* 139 */
    ;

opt_execute_param_commalist
    : %empty { val_set($$, ""); }                        /* 140 */
    | execute_param_commalist                            /* 141 */
    ;

execute_param_commalist
    : execute_param                                      /* 142 */
    | execute_param_commalist ',' execute_param { val_text($$, $1, ", ", $3); } /* 143 */
    ;

execute_param
    : scalar_exp opt_out { ctl_execute_param($$, $1); }  /* 144 */
    | NULLX { val_set($$, "NULL"); }                     /* 145 */
    ;

opt_out
    : %empty { val_set($$, ""); }                        /* 146 */
    | OUTPUT_VAR                                         /* 147 */
    ;

truncate_exp
    : TRUNCATE table { dml_truncate($2); }               /* 148 */
    | TRUNCATE TABLE table { dml_truncate($3); }         /* 149 */
    ;

sql
    : schema_element_list                                /* 150 */
    ;

schema_element_list
    : schema_element                                     /* 151 */
    ;

schema_element
    : base_table_def                                     /* 152 */
    | view_def                                           /* 153 */
    | privilege_def                                      /* 154 */
    ;

base_table_def
    : CREATE TABLE table '(' base_table_element_commalist ')' { ddl_create_table($1, $2, $3, $5); } /* 155 */
    | DROP TABLE table { ddl_drop_table($$, $3); } /* 156 */
    | CREATE optUnique optCluster INDEX NAME ON table '(' column_commalist ')' optWith optSegment { val_printf($$, "CREATE INDEX %s", $5); ddl_ignored($$); } /* 157 */
    ;

optUnique
    : %empty { val_set($$, ""); }                        /* 158 */
    | UNIQUE                                             /* 159 */
    ;

optCluster
    : %empty { val_set($$, ""); }                        /* 160 */
    | CLUSTERED                                          /* 161 */
    | NONCLUSTERED                                       /* 162 */
    ;

optSegment
    : %empty { val_set($$, ""); }                        /* 163 */
    | ON NAME                                            /* 164 */
    ;

optWith
    : %empty { val_set($$, ""); }                        /* 165 */
    | WITH optOptionList optDupRow                       /* 166 */
    ;

optOptionList
    : %empty { val_set($$, ""); }                        /* 167 */
    | optionList                                         /* 168 */
    ;

optionList
    : option                                             /* 169 */
    | optionList ',' option                              /* 170 */
    ;

option
    : FILLFACTOR '=' INTNUM                              /* 171 */
    | IGNORE_DUP_KEY                                     /* 172 */
    | SORTED_DATA                                        /* 173 */
    ;

optDupRow
    : %empty { val_set($$, ""); }                        /* 174 */
    | IGNORE_DUP_ROW                                     /* 175 */
    | ALLOW_DUP_ROW                                      /* 176 */
    ;

base_table_element_commalist
    : base_table_element { val_printf($$, "\t%s", $1); } /* 177 */
    | base_table_element_commalist ',' base_table_element { val_printf($$, "%s, \n\t%s ", $1, $3); } /* 178 */
    ;

base_table_element
    : column_def                                         /* 179 */
    | table_constraint_def                               /* 180 */
    ;

column_def
    : column data_type opt_identity column_def_opt_list { ddl_column_def($$, $1, $2, $4); } /* 181 */
    ;

opt_identity
    : %empty { val_set($$, ""); }                        /* 182 */
    | identity_clause                                    /* 183 */
    ;

column_def_opt_list
    : %empty { val_set($$, ""); }                        /* 184 */
    | column_def_opt_list column_def_opt { val_printf($$, "%s %s", $1, $2); } /* 185 */
    ;

column_def_opt
    : NULLX                                              /* 186 */
    | NOT NULLX { val_printf($$, "NOT %s", $2); }       /* 187 */
    | NOT NULLX UNIQUE { val_printf($$, "NOT %s %s", $2, $3); } /* 188 */
    | NOT NULLX PRIMARY KEY { val_printf($$, "NOT %s %s %s", $2, $3, $4); } /* 189 */
    | DEFAULT literal { ddl_column_default($$, $2); } /* 190 */
    | DEFAULT NULLX { ddl_column_default($$, $2); } /* 191 */
    | DEFAULT USER { ddl_column_default($$, $2); } /* 192 */
    | CHECK '(' search_condition ')' { ddl_check_constraint($$, $1, $3); } /* 193 */
    | REFERENCES table { val_printf($$, "%s %s", $1, $2); } /* 194 */
    | REFERENCES table '(' column_commalist ')' { val_printf($$, "%s %s ( %s )", $1, $2, $4); } /* 195 */
    ;

table_constraint_def
    : UNIQUE '(' column_commalist ')' { val_printf($$, "%s ( %s )", $1, $3); } /* 196 */
    | PRIMARY KEY '(' column_commalist ')' { val_printf($$, "%s %s ( %s )", $1, $2, $4); } /* 197 */
    | FOREIGN KEY '(' column_commalist ')' REFERENCES table { val_printf($$, "%s %s ( %s ) %s %s ", $1, $2, $4, $6, $7); } /* 198 */
    | FOREIGN KEY '(' column_commalist ')' REFERENCES table '(' column_commalist ')' { val_printf($$, "%s %s ( %s ) %s %s ( %s )", $1, $2, $4, $6, $7, $9); } /* 199 */
    | CHECK '(' search_condition ')' { ddl_check_constraint($$, $1, $3); } /* 200 */
    ;

column_commalist
    : column                                             /* 201 */
    | column_commalist ',' column { dml_list_join($$, $1, $3); } /* 202 */
    ;

view_def
    : CREATE VIEW table opt_column_commalist AS query_spec opt_with_check_option { val_printf($$, "CREATE VIEW %s", $3); ddl_ignored($$); } /* 203 */
    | DROP VIEW table { ddl_drop_view($$, $3); }          /* 204 */
    ;

opt_with_check_option
    : %empty { val_set($$, ""); }                        /* 205 */
    | WITH CHECK OPTION                                  /* 206 */
    ;

opt_column_commalist
    : %empty { val_set($$, ""); }                        /* 207 */
    | '(' column_commalist ')' { val_printf($$, "(%s)", $2); } /* 208 */
    ;

privilege_def
    : GRANT privileges ON table TO grantee_commalist opt_with_grant_option { ddl_ignored("GRANT"); } /* 209 */
    ;

opt_with_grant_option
    : %empty { val_set($$, ""); }                        /* 210 */
    | WITH GRANT OPTION                                  /* 211 */
    ;

privileges
    : ALL PRIVILEGES                                     /* 212 */
    | ALL                                                /* 213 */
    | operation_commalist                                /* 214 */
    ;

operation_commalist
    : operation                                          /* 215 */
    | operation_commalist ',' operation { hdr_operation_join($$, $1, $3); } /* 216 */
    ;

operation
    : SELECT                                             /* 217 */
    | INSERT { hdr_insert_privilege(); }                 /* 218 */
    | DELETE                                             /* 219 */
    | EXECUTE                                            /* 220 */
    | UPDATE opt_column_commalist { hdr_update_privilege(); } /* 221 */
    | REFERENCES opt_column_commalist                    /* 222 */
    ;

grantee_commalist
    : grantee                                            /* 223 */
    | grantee_commalist ',' grantee                      /* 224 */
    ;

grantee
    : PUBLIC                                             /* 225 */
    | user                                               /* 226 */
    ;

opt_order_by_clause
    : %empty { val_set($$, ""); }                        /* 227 */
    | ORDER BY ordering_spec_commalist { qry_order_by($$, $3); } /* 228 */
    ;

ordering_spec_commalist
    : ordering_spec                                      /* 229 */
    | ordering_spec_commalist ',' ordering_spec { val_printf($$, "%s, %s", $1, $3); } /* 230 */
    ;

ordering_spec
    : scalar_exp opt_asc_desc { val_printf($$, "%s %s", $1, $2); } /* 231 */
    ;

opt_asc_desc
    : %empty { val_set($$, ""); }                        /* 232 */
    | ASC                                                /* 233 */
    | DESC                                               /* 234 */
    ;

sql
    : manipulative_statement { qry_statement_end(); }    /* 235 */
    ;

manipulative_statement
    : commit_statement                                   /* 236 */
    | begin_tran_statement                               /* 237 */
    | delete_statement_searched                          /* 238 */
    | insert_statement                                   /* 239 */
    | rollback_statement                                 /* 240 */
    | save_statement                                     /* 241 */
    | update_statement_searched                          /* 242 */
    | select_statement                                   /* 243 */
    | fetch_statement                                    /* 244 */
    | close_statement                                    /* 245 */
    | open_statement                                     /* 246 */
    | declare_cursor_statement                           /* 247 */
    | deallocate_cursor_statement                        /* 248 */
    | dbcc_statement                                     /* 249 */
    | truncate_exp                                       /* 250 */
    ;

commit_statement
    : COMMIT { trn_commit(); }                           /* 251 */
    | COMMIT TRANSACTION { trn_commit(); }               /* 252 */
    | COMMIT TRANSACTION NAME { trn_commit(); }          /* 253 */
    ;

save_statement
    : SAVE TRANSACTION NAME { trn_savepoint($3); }       /* 254 */
    ;

begin_tran_statement
    : BEGIN_TRANSACTION { trn_begin(); }                 /* 255 */
    | BEGIN_TRANSACTION NAME { trn_savepoint($2); }      /* 256 */
    ;

delete_statement_searched
    : DELETE opt_from table opt_update_where_clause { dml_delete($2, $3, $4); } /* 257 */
    ;

opt_from
    : %empty { val_set($$, ""); }                        /* 258 */
    | FROM { dml_delete_from(); }                        /* 259 */
    ;

fetch_statement
    : FETCH opt_next opt_from fetch_cursor INTO target_commalist { cur_fetch($1, $4, $5, $6); } /* 260 */
    ;

target_commalist
    : target                                             /* 261 */
    | target_commalist ',' target { val_printf($$, "%s, %s", $1, $3); } /* 262 */
    ;

target
    : fetch_parameter_ref                                /* 263 */
    ;

fetch_parameter_ref
    : fetch_parameter                                    /* 264 */
    | fetch_parameter fetch_parameter                    /* 265 */
    ;

fetch_parameter
    : parameter                                          /* 266 */
    ;

fetch_cursor
    : NAME                                               /* 267 */
    ;

close_statement
    : CLOSE fetch_cursor { cur_open_close($1, $2); }     /* 268 */
    ;

deallocate_cursor_statement
    : DEALLOCATE opt_cursor fetch_cursor { cur_deallocate(); } /* 269 */
    ;

opt_next
    : %empty { val_set($$, ""); }                        /* 270 */
    | NEXT                                               /* 271 */
    | FIRST { val_set($$, ""); cur_fetch_first(); }    /* 272 */
    | LAST { val_set($$, "/* FETCH LAST is not supported in Corvane. */"); } /* 273 */
    ;

opt_cursor
    : %empty { val_set($$, ""); }                        /* 274 */
    | CURSOR { cur_cursor_word($$, false); }             /* 275 */
    | SCROLL CURSOR { cur_cursor_word($$, true); }       /* 276 */
    ;

open_statement
    : OPEN fetch_cursor { cur_open_close($1, $2); }      /* 277 */
    ;

declare_cursor_statement
    : DECLARE fetch_cursor opt_cursor FOR values_or_query_spec opt_upd_or_readonly { end_of_cursor_declare(); cur_declare($2, $3, $5, $6); } /* 278 */
    ;

opt_upd_or_readonly
    : %empty { val_set($$, ""); }                        /* 279 */
    | FOR READ ONLY { val_printf($$, "/* %s %s %s */", $1, $2, $3); } /* 280 */
    | FOR UPDATE opt_updatable_column_list { cur_for_update($$, $3); } /* 281 */
    ;

opt_updatable_column_list
    : %empty { val_set($$, ""); }                        /* 282 */
    | OF column_commalist { val_printf($$, "%s (%s)", "OF", $2); } /* 283 */
    ;

insert_statement
    : INSERT opt_into table opt_column_commalist values_or_query_spec { dml_insert($3, $4, $5); } /* 284 */
    ;

opt_into
    : %empty { val_set($$, ""); }                        /* 285 */
    | INTO                                               /* 286 */
    ;

values_or_query_spec
    : VALUES '(' insert_atom_commalist ')' { dml_values($$, $3); } /* 287 */
    | query_exp { dml_query_values($$, $1); }            /* 288 */
    ;

subquery_table_exp
    : from_clause opt_where_clause opt_group_by_clause opt_having_clause opt_order_by_clause { qry_subquery_table_exp($$, $1, $2, $3, $4, $5); } /* 289 */
    ;

insert_atom_commalist
    : insert_atom                                        /* 290 */
    | insert_atom_commalist ',' insert_atom { dml_list_join($$, $1, $3); } /* 291 */
    ;

insert_atom
    : scalar_exp                                         /* 292 */
    | NULLX { val_set($$, "NULL"); }                     /* 293 */
    ;

rollback_statement
    : ROLLBACK { trn_rollback(nullptr); }                /* 294 */
    | ROLLBACK TRANSACTION { trn_rollback(nullptr); }    /* 295 */
    | ROLLBACK TRANSACTION NAME { trn_rollback($3); }    /* 296 */
    ;

select_statement
    : query_exp { qry_select_statement(); }              /* 297 */
    ;

opt_all_distinct
    : %empty { val_set($$, ""); }                        /* 298 */
    | ALL { val_set($$, "ALL "); }                       /* 299 */
    | DISTINCT { val_set($$, "DISTINCT "); }             /* 300 */
    ;

update_statement_searched
    : UPDATE table SET assignment_commalist opt_update_where_clause { dml_update($2, $4, $5); } /* 301 */
    | UPDATE STATISTICS table { ddl_update_statistics($3, ""); } /* 302 */
    | UPDATE STATISTICS table NAME { ddl_update_statistics($3, $4); } /* 303 */
    ;

assignment_commalist
    : assignment                                         /* 304 */
    | assignment_commalist ',' assignment { val_printf($$, "%s,\n%s", $1, $3); } /* 305 */
    ;

assignment
    : update_columns scalar_exp { dml_assignment($$, $1, $2); } /* 306 */
    | update_columns NULLX { dml_assignment($$, $1, nullptr); } /* 307 */
    | update_columns subquery { dml_assignment($$, $1, $2); } /* 308 */
    ;

update_columns
    : column '='                                         /* 309 */
    | column '.' column '=' { val_printf($$, "%s.%s", $1, $3); } /* 310 */
    | column '.' column '.' column '=' { val_printf($$, "%s.%s", $1, $3); } /* 311 */
    | column COMPARISON                                  /* 312 */
    | column '.' column COMPARISON { val_printf($$, "%s.%s", $1, $3); } /* 313 */
    | column '.' column '.' column COMPARISON { val_printf($$, "%s.%s", $1, $3); } /* 314 */
    ;

opt_update_where_clause
    : %empty { val_set($$, ""); }                        /* 315 */
    | from_clause where_clause { dml_update_where($$, $1, $2); } /* 316 */
    ;

opt_where_clause
    : %empty { val_set($$, ""); }                        /* 317 */
    | where_clause                                       /* 318 */
    ;

query_exp
    : query_term                                         /* 319 */
    | query_exp UNION query_term { qry_query_union($$, $1, $3, 0); } /* 320 */
    | query_exp UNION ALL query_term { qry_query_union($$, $1, $4, 1); } /* 321 */
    ;

query_term
    : query_spec                                         /* 322 */
    | '(' query_exp ')' { qry_query_paren($$, $2); }     /* 323 */
    ;

query_spec
    : select_word opt_all_distinct selection opt_into_tmptable table_exp opt_compute { qry_query_spec($$, $2, $3, $4, $5, $6); } /* 324 */
    ;

select_word
    : SELECT { qry_select_word(); }                      /* 325 */
    ;

selection
    : scalar_exp_commalist { qry_selection_end(); }      /* 326 */
    ;

opt_compute
    : %empty { val_set($$, ""); }                        /* 327 */
    | COMPUTE compute_list opt_by { qry_compute($$, $2, $3); } /* 328 */
    ;

compute_list
    : function_ref                                       /* 329 */
    | function_ref ',' compute_list { val_printf($$, "%s, %s", $1, $3); } /* 330 */
    ;

opt_by
    : %empty { val_set($$, ""); }                        /* 331 */
    | BY column_ref_commalist { val_printf($$, "BY %s", $2); } /* 332 */
    ;

opt_into_tmptable
    : %empty { val_set($$, ""); }                        /* 333 */
    | INTO NAME { val_printf($$, "INTO %s", $2); }       /* 334 */
    ;

table_exp
    : from_clause opt_where_clause opt_group_by_clause opt_having_clause opt_order_by_clause { qry_table_exp($$, $1, $2, $3, $4, $5); } /* 335 */
    ;

from_clause
    : %empty { qry_no_from_clause($$); }                /* 336 */
    | FROM table_ref_commalist { qry_from_clause($$, $2); } /* 337 */
    ;

table_ref_commalist
    : table_ref                                          /* 338 */
    | table_ref_commalist ',' table_ref { val_printf($$, "%s,%s", $1, $3); } /* 339 */
    ;

table_ref
    : table                                              /* 340 */
    ;

where_clause
    : WHERE search_condition { qry_where_clause($$, $2); } /* 341 */
    | WHERE CURRENT OF NAME { qry_where_current_of($$, $4); } /* 342 */
    ;

opt_group_by_clause
    : %empty { val_set($$, ""); }                        /* 343 */
    | GROUP BY column_ref_commalist { qry_group_by($$, $3); } /* 344 */
    ;

column_ref_commalist
    : column_or_func_ref                                 /* 345 */
    | column_ref_commalist ',' column_or_func_ref { val_printf($$, "%s, %s", $1, $3); } /* 346 */
    ;

column_or_func_ref
    : column_ref                                         /* 347 */
    | function_ref                                       /* 348 */
    ;

opt_having_clause
    : %empty { val_set($$, ""); }                        /* 349 */
    | HAVING search_condition { qry_having($$, $2); }    /* 350 */
    ;

search_condition
    : search_condition OR search_condition { xpr_search_join($$, $1, "OR", $3); } /* 351 */
    | search_condition AND search_condition { xpr_search_join($$, $1, "AND", $3); } /* 352 */
    | NOT search_condition { xpr_search_not($$, $2); }   /* 353 */
    | '(' search_condition ')' { xpr_search_paren($$, $2); } /* 354 */
    | predicate                                          /* 355 */
    ;

predicate
    : comparison_predicate                               /* 356 */
    | between_predicate                                  /* 357 */
    | like_predicate                                     /* 358 */
    | test_for_null                                      /* 359 */
    | in_predicate                                       /* 360 */
    | scalar_exp                                         /* 361 */
    | all_or_any_predicate                               /* 362 */
    | existence_test                                     /* 363 */
    | subquery comparison_clause { xpr_subquery_compared($$, $1, $2); } /* 364 */
    ;

comparison_predicate
    : scalar_exp comparison_clause scalar_exp { lit_compare($$, $1, $2, $3); } /* 365 */
    | scalar_exp comparison_clause case_statement { val_printf($$, "%s %s %s", $1, $2, $3); } /* 366 */
    | scalar_exp comparison_clause NULLX { xpr_null_comparison($$, $1, $2); } /* 367 */
    | subquery comparison_clause scalar_exp { val_printf($$, "%s %s %s", $1, $2, $3); } /* 368 */
    | subquery comparison_clause subquery { xpr_subquery_compare_subquery($$, $1, $2); } /* 369 */
    | scalar_exp comparison_clause subquery { val_printf($$, "%s %s %s", $1, $2, $3); } /* 370 */
    | scalar_exp JOIN scalar_exp { xpr_outer_join($$, $1, $2, $3); } /* 371 */
    ;

between_predicate
    : scalar_exp NOT BETWEEN scalar_exp AND scalar_exp { val_printf($$, "%s NOT BETWEEN %s AND %s", $1, $4, $6); } /* 372 */
    | scalar_exp BETWEEN scalar_exp AND scalar_exp { val_printf($$, "%s BETWEEN %s AND %s", $1, $3, $5); } /* 373 */
    ;

like_predicate
    : scalar_exp NOT LIKE scalar_exp opt_escape { val_printf($$, "%s NOT LIKE %s%s", $1, $4, $5); } /* 374 */
    | scalar_exp LIKE scalar_exp opt_escape { val_printf($$, "%s LIKE %s%s", $1, $3, $4); } /* 375 */
    ;

opt_escape
    : %empty { val_set($$, ""); }                        /* 376 */
    | ESCAPE atom { val_printf($$, " ESCAPE %s", $2); } /* 377 */
    ;

test_for_null
    : scalar_exp IS NOT NULLX { val_text($$, $1, " IS NOT NULL"); } /* 378 */
    | scalar_exp IS NULLX { val_text($$, $1, " IS NULL"); } /* 379 */
    ;

in_predicate
    : scalar_exp NOT IN subquery { xpr_in_subquery($$, $1, $4, true); } /* 380 */
    | scalar_exp IN subquery { xpr_in_subquery($$, $1, $3, false); } /* 381 */
    | scalar_exp NOT IN '(' scalar_exp_commalist ')' { val_text($$, $1, " NOT IN (", $5, ")"); } /* 382 */
    | scalar_exp IN '(' scalar_exp_commalist ')' { val_text($$, $1, " IN (", $4, ")"); } /* 383 */
    ;

all_or_any_predicate
    : scalar_exp comparison_clause any_all_some subquery { val_printf($$, "%s %s %s %s", $1, $2, $3, $4); } /* 384 */
    ;

any_all_some
    : ANY                                                /* 385 */
    | ALL                                                /* 386 */
    | SOME                                               /* 387 */
    ;

existence_test
    : EXISTS subquery { val_text($$, "EXISTS ", $2); } /* 388 */
    ;

subquery
    : subquery_select opt_all_distinct selection subquery_table_exp opt_union_subquery ')' { qry_subquery($$, $2, $3, $4, $5); } /* 389 */
    ;

opt_union_subquery
    : %empty { val_set($$, ""); }                        /* 390 */
    | UNION SELECT opt_all_distinct selection subquery_table_exp { qry_union_subquery($$, "", $3, $4, $5); } /* 391 */
    | opt_union_subquery UNION SELECT opt_all_distinct selection subquery_table_exp { qry_union_subquery($$, $1, $4, $5, $6); } /* 392 */
    ;

subquery_select
    : '(' SELECT { qry_subquery_select(); }              /* 393 */
    ;

scalar_exp
    : scalar_exp '+' scalar_exp { xpr_binary($$, $1, "+", $3); } /* 394 */
    | scalar_exp '-' scalar_exp { xpr_binary($$, $1, "-", $3); } /* 395 */
    | scalar_exp '*' scalar_exp { xpr_binary($$, $1, "*", $3); } /* 396 */
    | scalar_exp '/' scalar_exp { xpr_binary($$, $1, "/", $3); } /* 397 */
    | scalar_exp '+' subquery { xpr_subquery_operand($$, $1, "+", false); } /* 398 */
    | subquery '+' scalar_exp { xpr_subquery_operand($$, $3, "+", true); } /* 399 */
    | scalar_exp '-' subquery { xpr_subquery_operand($$, $1, "-", false); } /* 400 */
    | subquery '-' scalar_exp { xpr_subquery_operand($$, $3, "-", true); } /* 401 */
    | scalar_exp '*' subquery { xpr_subquery_operand($$, $1, "*", false); } /* 402 */
    | subquery '*' scalar_exp { xpr_subquery_operand($$, $3, "*", true); } /* 403 */
    | scalar_exp '/' subquery { xpr_subquery_operand($$, $1, "/", false); } /* 404 */
    | subquery '/' scalar_exp { xpr_subquery_operand($$, $3, "/", true); } /* 405 */
    | scalar_exp '%' scalar_exp { xpr_binary($$, $1, "%", $3); } /* 406 */
    | scalar_exp '&' scalar_exp { xpr_binary($$, $1, "&", $3); } /* 407 */
    | scalar_exp '|' scalar_exp { xpr_bit_or($$, $1, $3); } /* 408 */
    | scalar_exp '^' scalar_exp { xpr_bit_xor($$, $1, $3); } /* 409 */
    | scalar_exp '~' scalar_exp { xpr_binary($$, $1, "~", $3); } /* 410 */
    | scalar_exp '=' NULLX { compare_or_assign($$, $1, "=", "NULL", CMP_NULL, false); } /* 411 */
    | scalar_exp COMPARISON NULLX { compare_or_assign($$, $1, $2, "NULL", CMP_NULL, true); } /* 412 */
    | scalar_exp '=' subquery { compare_or_assign($$, $1, "=", $3, CMP_SUBQUERY, false); } /* 413 */
    | scalar_exp COMPARISON subquery { compare_or_assign($$, $1, $2, $3, CMP_SUBQUERY, true); } /* 414 */
    | scalar_exp '=' case_statement { compare_or_assign($$, $1, "=", $3, CMP_CASE, false); } /* 415 */
    | scalar_exp COMPARISON scalar_exp { compare_or_assign($$, $1, $2, $3, CMP_EXPR, true); } /* 416 */
    | scalar_exp '=' SQLSTATUS { compare_or_assign($$, $1, "=", "", CMP_SQLSTATUS, false); } /* 417 */
    | scalar_exp '=' scalar_exp { compare_or_assign($$, $1, "=", $3, CMP_EXPR, false); } /* 418 */
    | '+' scalar_exp %prec UMINUS { val_printf($$, "+%s", $2); } /* 419 */
    | '-' scalar_exp %prec UMINUS { val_text($$, "-", $2); } /* 420 */
    | atom                                               /* 421 */
    | column_ref                                         /* 422 */
    | function_ref                                       /* 423 */
    | '(' scalar_exp ')' { val_text($$, "(", $2, ")"); } /* 424 */
    ;

ttx
    : scalar_exp opt_name_string { qry_select_item($$, $1, $2); } /* 425 */
    | case_statement opt_name_string { qry_select_item($$, $1, $2); } /* 426 */
    | subquery opt_name_string { qry_subquery_item($$, $1, $2); } /* 427 */
    | NULLX opt_name_string { qry_select_item($$, "NULL", $2); } /* 428 */
    | '*' { qry_star_item($$, "*"); }                    /* 429 */
    | NAME '.' '*' { val_printf($$, "%s.*", $1); qry_star_item($$, $$); } /* 430 */
    ;

scalar_exp_commalist
    : ttx                                                /* 431 */
    | scalar_exp_commalist ',' ttx { val_text($$, $1, ", ", $3); } /* 432 */
    ;

identity_clause
    : IDENTITY '(' literal ',' literal ')'               /* 433 */
    ;

case_statement
    : '(' case_statement ')' { val_printf($$, "(%s)", $2); } /* 434 */
    | CASE case_exp END_CLAUSE { xpr_case($$, $2); } /* 435 */
    ;

case_when_exp
    : WHEN column_ref comparison_clause case_literal THEN selection { xpr_case_when($$, $2, $3, $4, $6); } /* 436 */
    | WHEN atom comparison_clause case_literal THEN selection { xpr_case_when($$, $2, $3, $4, $6); } /* 437 */
    | column_ref WHEN case_literal THEN selection { xpr_case_when($$, $1, nullptr, $3, $5); } /* 438 */
    | atom WHEN case_literal THEN selection { xpr_case_when($$, $1, nullptr, $3, $5); } /* 439 */
    | WHEN case_literal THEN selection { xpr_case_when($$, nullptr, nullptr, $2, $4); } /* 440 */
    ;

case_literal
    : literal                                            /* 441 */
    | '-' INTNUM { val_printf($$, "-%s", $2); } /* 442 */
    | NULLX { val_set($$, "NULL"); } /* 443 */
    | column_ref                                         /* 444 */
    ;

case_multi_when_exp
    : case_when_exp { xpr_case_first($$, $1); } /* 445 */
    | case_multi_when_exp case_when_exp { xpr_case_next($$, $1, $2); } /* 446 */
    ;

case_exp
    : case_multi_when_exp opt_case_else { xpr_case_exp($$, $1, $2); } /* 447 */
    ;

opt_case_else
    : %empty { val_set($$, EMPTY_CASE_ELSE); } /* 448 */
    | ELSE selection { val_set($$, $2); } /* 449 */
    ;

atom
    : parameter_ref                                      /* 450 */
    | literal                                            /* 451 */
    | USER                                               /* 452 */
    ;

parameter_ref
    : parameter                                          /* 453 */
    ;

fn_scalar_exp_commalist
    : ttx { qry_fn_first_argument($1); }                 /* 454 */
    | fn_scalar_exp_commalist ',' ttx { qry_fn_next_argument($$, $1, $3); } /* 455 */
    ;

function_ref
    : func_name '(' '*' ')' { xpr_function_star($$, $1); } /* 456 */
    | func_name '(' DISTINCT column_ref ')' { val_printf($$, "%s(DISTINCT %s)", $1, $4); } /* 457 */
    | func_name '(' DISTINCT '(' column_ref ')' ')' { val_printf($$, "%s(DISTINCT %s)", $1, $5); } /* 458 */
    | func_name '(' ALL scalar_exp ')' { val_printf($$, "%s(ALL %s)", $1, $4); } /* 459 */
    | func_name '(' ALL '(' scalar_exp ')' ')' { val_printf($$, "%s(ALL %s)", $1, $5); } /* 460 */
    | func_name subquery { qry_fn_subquery(); xpr_function_of_subquery($$, $1, $2); } /* 461 */
    | func_name '(' subquery ')' { qry_fn_subquery(); xpr_function_of_subquery($$, $1, $3); } /* 462 */
    | NAME '(' fn_scalar_exp_commalist ')' { xpr_function_call_args($$, $1, $3); } /* 463 */
    | func_name '(' fn_scalar_exp_commalist ')' { xpr_function_call_args($$, $1, $3); } /* 464 */
    | func_name '(' data_type ',' ttx opt_style ')' { qry_fn_argument(); xpr_convert($$, $1, $3, $5, $6); } /* 465 */
    | NAME '(' ')' { xpr_function_call($$, $1, ""); } /* 466 */
    | func_name '(' ')' { xpr_function_call($$, $1, ""); } /* 467 */
    | func_name                                          /* 468 */
    ;

opt_style
    : %empty { val_set($$, ""); }                        /* 469 */
    | ',' scalar_exp { val_set($$, $2); } /* 470 */
    ;

func_name
    : FUNC                                               /* 471 */
    | CHARACTER { val_set($$, "CHAR"); }                 /* 472 */
    ;

literal
    : strings { xpr_string_literal($$, $1); } /* 473 */
    | INTNUM { lit_integer($$); }                        /* 474 */
    | APPROXNUM { lit_approximate(); }                   /* 475 */
    ;

strings
    : STRING                                             /* 476 */
    | strings PLUS STRING { xpr_strings_join($$, $1, $3); } /* 477 */
    ;

table
    : name_string opt_holdlock { qry_table($$, "", $1, ""); } /* 478 */
    | name_string name_string opt_holdlock { qry_table($$, "", $1, $2); } /* 479 */
    | name_string '.' '.' name_string opt_holdlock { qry_table($$, "", $4, ""); } /* 480 */
    | name_string '.' '.' name_string name_string opt_holdlock { qry_table($$, "", $4, $5); } /* 481 */
    | name_string '.' name_string opt_holdlock { qry_table($$, $1, $3, ""); } /* 482 */
    | name_string '.' name_string name_string opt_holdlock { qry_table($$, $1, $3, $4); } /* 483 */
    | name_string '.' name_string '.' name_string opt_holdlock { qry_table($$, $3, $5, ""); } /* 484 */
    | name_string '.' name_string '.' name_string name_string opt_holdlock { qry_table($$, $3, $5, $6); } /* 485 */
    ;

column_ref
    : NAME { qry_column_ref($$, nullptr, $1); }         /* 486 */
    | NAME '.' NAME { qry_column_ref($$, $1, $3); }      /* 487 */
    | NAME '.' NAME '.' NAME { qry_column_ref($$, $3, $5); } /* 488 */
    | NAME '.' NAME '.' NAME '.' NAME { qry_column_ref($$, $5, $7); } /* 489 */
    | NAME '.' '.' NAME '.' NAME { qry_column_ref($$, $4, $6); } /* 490 */
    ;

data_type
    : CHARACTER { hdr_data_type($$, SRC_CHARACTER, nullptr, nullptr); } /* 491 */
    | CHARACTER '(' INTNUM ')' { hdr_data_type($$, SRC_CHARACTER, $3, nullptr); } /* 492 */
    | VARCHAR '(' INTNUM ')' { hdr_data_type($$, SRC_VARCHAR, $3, nullptr); } /* 493 */
    | VARCHAR { hdr_data_type($$, SRC_VARCHAR, nullptr, nullptr); } /* 494 */
    | SYSNAME { hdr_data_type($$, SRC_SYSNAME, nullptr, nullptr); } /* 495 */
    | VARBINARY '(' INTNUM ')' { hdr_data_type($$, SRC_VARBINARY, $3, nullptr); } /* 496 */
    | NUMERIC { hdr_data_type($$, SRC_NUMERIC, nullptr, nullptr); } /* 497 */
    | NUMERIC '(' INTNUM ')' { hdr_data_type($$, SRC_NUMERIC, $3, nullptr); } /* 498 */
    | NUMERIC '(' INTNUM ',' INTNUM ')' { hdr_data_type($$, SRC_NUMERIC, $3, $5); } /* 499 */
    | INTEGER { hdr_data_type($$, SRC_INTEGER, nullptr, nullptr); } /* 500 */
    | SMALLINT { hdr_data_type($$, SRC_SMALLINT, nullptr, nullptr); } /* 501 */
    | DATE { hdr_data_type($$, SRC_DATE, nullptr, nullptr); } /* 502 */
    | TIMESTAMP { hdr_data_type($$, SRC_TIMESTAMP, nullptr, nullptr); } /* 503 */
    | SMALLDATETIME { hdr_data_type($$, SRC_SMALLDATETIME, nullptr, nullptr); } /* 504 */
    | NAME { hdr_data_type($$, SRC_NAMED, $1, nullptr); }      /* 505 */
    | USER_TYPE { hdr_data_type($$, SRC_USER_TYPE, $1, nullptr); } /* 506 */
    ;

column
    : NAME { qry_column_name($$, $1); }                  /* 507 */
    ;

parameter
    : PARAMETER { hdr_parameter_ref($$, $1); }           /* 508 */
    ;

user
    : NAME                                               /* 509 */
    ;

dbcc_statement
    : DBCC CHECKTABLE '(' tabName optNcindex ')' { val_printf($$, "/*DBCC CHECKTABLE(%s%s)*/", $4, $5); ddl_dbcc($$); } /* 510 */
    | DBCC CHECKDB optParam { val_printf($$, "/*DBCC CHECKDB %s*/", $3); ddl_dbcc($$); } /* 511 */
    | DBCC CHECKALLOC optParam { val_printf($$, "/*DBCC CHECKALLOC %s*/", $3); ddl_dbcc($$); } /* 512 */
    | DBCC TABLEALLOC '(' tabName optAdverb ')' { val_printf($$, "/*DBCC TABLEALLOC(%s %s)*/", $4, $5); ddl_dbcc($$); } /* 513 */
    | DBCC INDEXALLOC '(' tabName ',' INTNUM optAdverb ')' { val_printf($$, "/*DBCC INDEXALLOC(%s, %s%s)*/", $4, $6, $7); ddl_dbcc($$); } /* 514 */
    | DBCC CHECKCATALOG optParam { val_printf($$, "/*DBCC CHECKCATALOG %s*/", $3); ddl_dbcc($$); } /* 515 */
    | DBCC DBREPAIR '(' NAME ',' DROPDB ')' { val_printf($$, "/*DBCC DBREPAIR(%s, %s)*/", $4, $6); ddl_dbcc($$); } /* 516 */
    | DBCC REINDEX '(' tabName ')' { val_printf($$, "/*DBCC REINDEX(%s)*/", $4); ddl_dbcc($$); } /* 517 */
    | DBCC FIX_TEXT '(' tabName ')' { val_printf($$, "/*DBCC FIX_TEXT(%s)*/", $4); ddl_dbcc($$); } /* 518 */
    ;

tabName
    : table                                              /* 519 */
    | INTNUM                                             /* 520 */
    ;

optNcindex
    : %empty { val_set($$, ""); }                        /* 521 */
    | ',' SKIP_NCINDEX { val_set($$, ", SKIP_NCINDEX"); } /* 522 */
    ;

optParam
    : %empty { val_set($$, ""); }                        /* 523 */
    | '(' NAME optNcindex ')' { val_printf($$, "(%s %s)", $2, $3); } /* 524 */
    ;

optAdverb
    : %empty { val_set($$, ""); }                        /* 525 */
    | ',' FULL optFix { val_printf($$, ", FULL %s", $3); } /* 526 */
    | ',' OPTIMIZED optFix { val_printf($$, ", OPTIMIZED %s", $3); } /* 527 */
    | ',' FAST optFix { val_printf($$, ", FAST %s", $3); } /* 528 */
    | ',' NULLX optFix { val_printf($$, ", NULL %s", $3); } /* 529 */
    ;

optFix
    : %empty { val_set($$, ""); }                        /* 530 */
    | ',' FIX { val_set($$, ", FIX"); }                /* 531 */
    | ',' NOFIX { val_set($$, ", NOFIX"); }            /* 532 */
    ;

/* ---------------------------------------------------------------------------------------------
   Extensions of the source language, after rule 532: one subsection per issue, in the order
   21, 22A, 22B, 22C, 22D, 23, 24. Rule numbers are bison's (table rule n+1), in file order.
   ------------------------------------------------------------------------------------------- */

/* Issue 21: unary bitwise NOT. */

scalar_exp
    : '~' scalar_exp %prec UMINUS { xpr_bit_not($$, $2); } /* 533 */
    ;

/* Issue 22A: national types and literals, trigger heads, column constraints, table hints,
   ROLLBACK TRIGGER, dynamic SQL and remote procedure names. */

data_type
    : NVARCHAR '(' INTNUM ')' { hdr_national_type($$, "NVARCHAR2", $3); } /* 534 */
    | NVARCHAR { hdr_national_type($$, "NVARCHAR2", nullptr); } /* 535 */
    | NCHAR '(' INTNUM ')' { hdr_national_type($$, "NCHAR", $3); } /* 536 */
    | NCHAR { hdr_national_type($$, "NCHAR", nullptr); } /* 537 */
    | NTEXT { hdr_national_type($$, "NCLOB", nullptr); } /* 538 */
    ;

literal
    : NSTRING { lit_national($$, $1); }                  /* 539 */
    ;

procedure_stmt
    : CREATE_TRIGGER proc_name ON table trigger_timing operation_commalist as_stmt opt_begin proc_body { hdr_end_trigger($8, $4, $6); } /* 540 */
    ;

trigger_timing
    : AFTER { hdr_trigger_timing(0); }                   /* 541 */
    | INSTEAD OF { hdr_trigger_timing(1); }              /* 542 */
    ;

column_def_opt
    : PRIMARY KEY { val_printf($$, "%s %s", $1, $2); }   /* 543 */
    | UNIQUE                                             /* 544 */
    | DEFAULT '-' INTNUM { ddl_column_default_negative($$, $3); } /* 545 */
    | DEFAULT '-' APPROXNUM { ddl_column_default_negative($$, $3); } /* 546 */
    | DEFAULT '(' scalar_exp ')' { ddl_column_default($$, $3); } /* 547 */
    | DEFAULT function_ref { ddl_column_default($$, $2); } /* 548 */
    ;

opt_holdlock
    : HINT_PAREN table_hint_list ')' { qry_table_hint($$, $2); } /* 549 */
    | WITH_HINT '(' table_hint_list ')' { qry_table_hint($$, $3); } /* 550 */
    ;

table_hint_list
    : table_hint                                         /* 551 */
    | table_hint_list table_hint { val_printf($$, "%s %s", $1, $2); } /* 552 */
    | table_hint_list ',' table_hint { val_printf($$, "%s, %s", $1, $3); } /* 553 */
    ;

table_hint
    : NAME                                               /* 554 */
    | INTNUM                                             /* 555 */
    | INDEX                                              /* 556 */
    | HOLDLOCK                                           /* 557 */
    | '=' { val_set($$, "="); }                          /* 558 */
    | '(' table_hint_list ')' { val_printf($$, "(%s)", $2); } /* 559 */
    ;

rollback_statement
    : ROLLBACK TRIGGER { trn_rollback(nullptr); }        /* 560 */
    ;

execute_construct
    : execute_word '(' scalar_exp ')' { stm_execute_immediate($3); } /* 561 */
    ;

sp_name
    : NAME '.' NAME '.' '.' NAME opt_proc_number { const char *p[] = {$1, $3, "", $6}; stm_remote_name($$, p, 4); } /* 562 */
    ;

column_def_opt
    : CLUSTERED { val_set($$, ""); }                     /* 563 */
    | NONCLUSTERED { val_set($$, ""); }                  /* 564 */
    | CONSTRAINT NAME column_def_opt { ddl_named_constraint($$, $2, $3); } /* 565 */
    ;

table_constraint_def
    : PRIMARY KEY CLUSTERED '(' column_commalist ')' { val_printf($$, "%s %s ( %s )", $1, $2, $5); } /* 566 */
    | PRIMARY KEY NONCLUSTERED '(' column_commalist ')' { val_printf($$, "%s %s ( %s )", $1, $2, $5); } /* 567 */
    | UNIQUE CLUSTERED '(' column_commalist ')' { val_printf($$, "%s ( %s )", $1, $4); } /* 568 */
    | UNIQUE NONCLUSTERED '(' column_commalist ')' { val_printf($$, "%s ( %s )", $1, $4); } /* 569 */
    ;

base_table_element
    : CONSTRAINT NAME table_constraint_def { ddl_named_constraint($$, $2, $3); } /* 570 */
    ;

/* Issue 22B: ANSI joins, derived tables, searched CASE. */

table_ref
    : table_ref ANSI_JOIN table ON search_condition { qry_join($$, $1, $2, $3, $5); } /* 571 */
    | table_ref CROSS_JOIN table { qry_join($$, $1, $2, $3, nullptr); } /* 572 */
    | subquery opt_as_stmt name_string { qry_derived_table($$, $1, $3); } /* 573 */
    ;

case_when_exp
    : WHEN search_condition THEN selection { xpr_case_when_searched($$, $2, $4); } /* 574 */
    ;

/* Issue 22C: TRY ... CATCH blocks, THROW, DECLARE with an initial value. */

proc_contents
    : BEGIN_TRY opt_begin { err_try_begin($2); }         /* 575 */
    | END_TRY BEGIN_CATCH opt_begin { err_catch_begin($3); } /* 576 */
    | END_CATCH opt_begin { err_catch_end($2); }         /* 577 */
    | throw_construct opt_begin { ctl_statement_end($2); } /* 578 */
    ;

throw_construct
    : THROW { err_rethrow(); }                           /* 579 */
    | THROW scalar_exp ',' scalar_exp ',' scalar_exp { err_throw($2, $4, $6); } /* 580 */
    ;

declare_var_list
    : declare_var_ref '=' scalar_exp { decl_initial_value($1, $3); } /* 581 */
    | declare_var_list ',' declare_var_ref '=' scalar_exp { decl_initial_value($3, $5); } /* 582 */
    ;

/* Issue 22D: SELECT TOP and table variables. */

opt_all_distinct
    : top_clause { qry_top_word($$, "", $1); }           /* 583 */
    | ALL top_clause { qry_top_word($$, "ALL ", $2); }   /* 584 */
    | DISTINCT top_clause { qry_top_word($$, "DISTINCT ", $2); } /* 585 */
    ;

top_clause
    : TOP INTNUM { qry_top_count($$, $2, 0); }           /* 586 */
    | TOP '(' scalar_exp ')' { qry_top_count($$, $3, 0); } /* 587 */
    | TOP INTNUM PERCENT { qry_top_count($$, $2, 1); }   /* 588 */
    | TOP '(' scalar_exp ')' PERCENT { qry_top_count($$, $3, 1); } /* 589 */
    ;

declare_var_ref
    : TABLE_VAR TABLE '(' base_table_element_commalist ')' { tvar_declare($$, $1, $4); } /* 590 */
    | TABLE_VAR AS TABLE '(' base_table_element_commalist ')' { tvar_declare($$, $1, $5); } /* 591 */
    ;
%%
