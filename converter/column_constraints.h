// Column constraints of CREATE TABLE written into the DDL: DEFAULT (first, as the target takes
// it: right after the type), PRIMARY KEY, UNIQUE, CHECK and REFERENCES after any column.
#pragma once

// Rule 181: "%s %s %s" (column, type, options); with a DEFAULT among the options, "%s %s %s
// %s" with the DEFAULT clause right after the type.
void ddl_column_def(char *dst, const char *column, const char *type, const char *options);
// Rules 190 to 192, 546, 547: DEFAULT and its value; kept for the column (ddl_column_def) and
// yields no option text. Rules 544, 545: a negative number.
void ddl_column_default(char *dst, const char *value);
void ddl_column_default_negative(char *dst, const char *number);
// Rules 193 and 200: "%s ( %s )"; the condition is read (its "=" a comparison, as in a HAVING
// clause) from the word CHECK to here.
void ddl_check_constraint(char *dst, const char *check_word, const char *condition);
// Rules 565, 570: CONSTRAINT name and its constraint: "CONSTRAINT %s %s"; a named DEFAULT
// (which the target does not name) yields no text, its value still goes to the column.
void ddl_named_constraint(char *dst, const char *name, const char *constraint);
