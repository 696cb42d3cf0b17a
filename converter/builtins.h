// Built-in function translation: process_function maps a source function call (name and
// argument text) onto a target function or expression, with the helpers that split and
// rearrange argument lists, and the diagnostic lines for calls that need manual conversion.
#pragma once

#include "diagnostics.h"

#include <cstddef>
#include <string>
#include <string_view>

// The separator byte that stands for a top-level argument comma while a call is translated.
constexpr char ARG_SEP = '\x05';

// Rewrites a call in place: `name` and `args` are value buffers (YYVALSIZE bytes); `args` is
// the argument list without its outer parentheses. On return `name` holds the target name
// (empty when the call became an expression) and `args` the target argument text with its
// parentheses. Reads query_in_fn and qstr1; sets which_literal and the support-function flags.
void process_function(char *name, char *args);

// process_function for a call whose text goes straight into a value: `dst` (a value buffer,
// neither `name` nor `args`) gets the target name followed by the target argument text, the
// text "%s%s" of what process_function leaves in `name` and `args` makes. `args` may be
// marked in place.
void process_function_value(char *dst, const char *name, char *args);

// True when `name` is in the function table (compared as process_function compares).
bool builtin_known(const char *name);

// Marks the top-level argument commas of `text` (outside quotes and parentheses) with ARG_SEP.
void process_fn_param(char *text);

// Splits `text` at `sep` into params 0, 1, ... (a blank separator: any white space); each piece
// without its leading and trailing white space. Returns the index of the last piece. Pieces are
// cut at 255 bytes and at most PARAMS_MAX are stored (the index returned stays below it).
int split_parameters(const char *text, char sep);

// The date part named by the first argument of `args`, in short form ("year" -> "yy"), into
// `buf` (capacity `size`, cut to fit).
void process_date_type(const char *args, char *buf, size_t size);

// Exchanges the first two arguments of `text` (capacity `size`): the part after the first
// ARG_SEP outside quotes, ", ", the part before. A text without one stays as it is.
void swap_param(char *text, size_t size);

// 0 when a and b are equal ignoring letter case, -1 otherwise.
int strcmp_anycase(const char *a, const char *b);

// Every ARG_SEP of `text` back into a comma.
void remove_chr5(char *text);

// `text` without the at signs that stand outside single-quoted literals.
std::string remove_at_signs(std::string_view text);

// The diagnostic "Manual conversion required" as a comment line in the body (before the
// statement being built) and a log line; with a function name: "... required NAME()".
void manual_conversion_note(const char *function_name);
// A numbered diagnostic of the catalogue, in the same two places.
void diagnostic_note(diag kind, diag_args args = {});
