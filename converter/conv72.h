// Run driver of the converter: one whole conversion run from a command line (options, banner,
// source and output script, parse, report), and the scanner's hook yywrap. The output layer
// is output.h, the assembly of a unit assembly.h, the diagnostics diagnostics.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Runs one conversion as the command line says and returns the exit status (0, 1 or 10; 0
// also after a conversion that failed: conv_error tells, and the kestra program exits 2).
// Every run starts from the program-start state, so one process can run many conversions.
int kestra_main(int argc, char **argv);

// How a run opens its source (the name its command line gives): by default the file of that
// name. A program that holds the source's text already (kestra-batch's workers) opens a stream
// over it instead, and the run goes on as over the file; the opener answers nullptr (and sets
// errno) where fopen would. nullptr restores the default.
using source_opener = FILE *(*)(const char *name, void *context);
void set_source_opener(source_opener opener, void *context);

// ---------------------------------------------------------------------------------------------
// Options: one parser for kestra and for kestra-batch, which takes the converter's switches too.
// ---------------------------------------------------------------------------------------------

// What the switches set: the option globals of the conversion state (convstate.h), the -D
// trace (yydebug), the -F default return value (RetCode) and the -U file name (userfile).
struct converter_options {
    int16_t procedure = 0, function = 0, powerbuilder = 0, arg_option = 0, default_opt = 0,
            noexception = 0, prefix_name = 0, nocomments = 0, use_alias = 0, result_set_fn = 0,
            mult_row_fn = 0;
    int debug = 0;
    std::string return_value;
    std::string user_type_file;
};

// One switch as read: its letter in upper case and its value, the text after the letter (for
// -U the file name, also when it is the next argument).
struct converter_switch {
    char letter = 0;
    std::string value;
};

// Why a switch was refused.
enum class switch_error {
    none,
    unknown,             // not one of A B C D F I N O P R U X (in any case)
    value_too_long,      // the -F value does not fit RetCode
    no_file_name,        // -U, with no further argument
    file_name_is_switch, // -U followed by an argument that begins with '-'
    file_name_too_long,  // the -U file name does not fit userfile (sw.value holds it)
};

// Reads argv[i], an argument that begins with '-', as a switch into `sw`. "-U name" takes
// argv[i + 1] too and leaves i there.
switch_error read_switch(int argc, char **argv, int &i, converter_switch &sw);

// What a switch does to `o`; switches apply in command-line order, a later one overriding.
void apply_switch(const converter_switch &sw, converter_options &o);

// kestra's command line: switches and source names in any order, the last argument the source
// to convert (read as a switch too when it begins with '-'). With one argument only, it is the
// source, whatever it looks like.
struct command_line {
    converter_options options;         // the options before the switches, then after them
    std::vector<const char *> skipped; // source names before the last: not converted
    const char *source = nullptr;      // the last argument (nullptr without any)
};

// Reads the switches of argv into cl.options, in order, and the source names. Stops at the
// first refused switch and returns why, with `refused` set to the argument (unknown) or to the
// value that was refused.
switch_error parse_command_line(int argc, char **argv, command_line &cl, std::string &refused);

// Writes the banner line "Kestra for TSQL Release 4.0.0.0.6  - Beta on <ctime>" to `fp`.
void prtban(FILE *fp);

// End-of-input hook of the scanner: end_of_input = 1, returns 1. C linkage because the
// flex skeleton declares it extern "C" when compiled as C++.
extern "C" int yywrap(void);
