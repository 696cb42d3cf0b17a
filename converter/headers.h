// Procedure and trigger headers: the routines behind the actions of the unit names, the
// parameter list, AS, local declarations, data types, the variable reference (rule 508) and
// the end of a procedure (rule 14) or trigger (rule 15).
#pragma once

// `dst` is always a value buffer of YYVALSIZE bytes (parser.h); the routines never write more.

// Rule 13: a STRING used as a name becomes a quoted identifier.
void hdr_quoted_name(char *dst, const char *str);
// Rule 11: a column alias in double quotes (unless it already begins or ends with one).
void hdr_alias(char *dst, const char *alias);
// Rules 16 and 17: the unit name (owner may be nullptr); sets proc_name, resets HostInWhere.
void hdr_proc_name(char *dst, const char *owner, const char *name);

// Rule 20: no parameter list. Rules 24, 25: the end of the parameter list.
void hdr_no_parameters();
void hdr_end_of_parameters();
// Rules 31 to 34: one default value (`expr` is the expression of rule 34, nullptr for NULL in
// rule 33); rule 30 joins them.
void hdr_default_output(char *dst);
void hdr_default_recompile(char *dst);
void hdr_default_value(char *dst, const char *expr);
void hdr_default_join(char *dst, const char *list, const char *value);
// Rule 28: one parameter; `type` is the data type value, `defaults` the default clause.
void hdr_parameter_def(char *dst, const char *type, const char *defaults);

// One parameter onto the parameter list (fp1): "(" before the unit's first one, "," before
// the others; `text` begins with its newline.
void hdr_parameter_out(const char *text);

// Rule 37: the first AS of a unit writes the status variables to the declarations.
void hdr_as();

// Rule 57: a local variable ("%s \t%s"), recorded and declared.
void hdr_declare_var(char *dst, const char *type);

// The data types of the source that a declaration, a parameter or a column names (rules 491
// to 506). SRC_NAMED is a type written as a plain name (DATE, MONEY, bit, ...).
enum src_type {
    SRC_CHARACTER,
    SRC_VARCHAR,
    SRC_SYSNAME,
    SRC_VARBINARY,
    SRC_NUMERIC,
    SRC_INTEGER,
    SRC_SMALLINT,
    SRC_DATE,
    SRC_TIMESTAMP,
    SRC_SMALLDATETIME,
    SRC_NAMED,
    SRC_USER_TYPE
};

// Rules 491 to 506: the target type of `type`. `a` and `b` are the size texts (INTNUM values:
// length, or precision and scale), nullptr where the source gives none, or `a` is the NAME /
// USER_TYPE text. In the parameter list a sized type is written without its size, which goes
// to cur_param_type.
void hdr_data_type(char *dst, src_type type, const char *a, const char *b);

// Rule 508: a variable reference (the PARAMETER text with its at sign).
void hdr_parameter_ref(char *dst, const char *token);

// Rule 14: after the body; `opt_begin` is the text of the BEGIN run after AS ("" or "BEGIN").
void hdr_end_procedure(const char *opt_begin);
// Rule 15: after a trigger's body, with its table and operation list.
void hdr_end_trigger(const char *opt_begin, const char *table, const char *operations);
// Rule 216: "%s OR %s".
void hdr_operation_join(char *dst, const char *list, const char *op);
// Rule 221: UPDATE in a list of operations (its column list may follow) opens no UPDATE
// statement: clears inUpdate.
void hdr_update_privilege();
// Rule 218: INSERT in a list of operations opens no INSERT statement: clears insert_flag.
void hdr_insert_privilege();

// National types (NVARCHAR, NCHAR, NTEXT; also a user type based on one): the target type
// `target` (NVARCHAR2, NCHAR, NCLOB) with the size `size` (nullptr: none), like the sized types
// of rules 491 to 506 (in a parameter list the base type, with the sized form in cur_param_type).
void hdr_national_type(char *dst, const char *target, const char *size);
// A trigger head with AFTER (0: converted like FOR) or INSTEAD OF (1: the head says INSTEAD OF).
void hdr_trigger_timing(int instead);
// A DDL trigger (ON DATABASE, ON ALL SERVER) named `name` at source line `line` is skipped: the
// diagnostic goes to the output script and the log, under the trigger's name.
void hdr_ddl_trigger_skipped(const char *name, int line);
