// The SELECT statement (rule 324) as the target writes it: values returned to the caller
// through a cursor or into output variables, assignments to variables, rows inserted into a
// temporary table, each with its status block; the form for PowerBuilder callers (-P); the
// result columns of the unit (fld_list, retfld_list).
//
// `dst` is always a value buffer of YYVALSIZE bytes (parser.h); the routines never write more.
#pragma once

// Rule 324: the query specification of a statement; translates it unless it is a cursor's
// query (declare_cur) and yields its text.
void qry_query_spec(char *dst, const char *distinct, const char *selection, const char *into,
                    const char *table_exp, const char *compute);

// ---------------------------------------------------------------------------------------------
// The SELECT translation proper. The five texts: the ALL/DISTINCT word, the select list, the
// temporary table after INTO ("INTO name", or ""), the table expression and the COMPUTE
// clause; an absent part is "".
// ---------------------------------------------------------------------------------------------
void action_for_query_spec(const char *distinct, const char *selection, const char *into,
                           const char *table_exp, const char *compute);
void action_for_query_pb(const char *distinct, const char *selection, const char *into,
                         const char *table_exp, const char *compute);
// Splits a select list into result columns of result set fldlst_cnt (fld_list, retfld_list).
void process_selection(const char *selection);
