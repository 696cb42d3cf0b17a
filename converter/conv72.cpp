// Run driver: options, banner, usage texts, the run in its order (source, output script,
// parse, assembly, report) and yywrap.
#include "conv72.h"

#include "assembly.h"
#include "convstate.h"
#include "keyword.h"
#include "output.h"
#include "parser.h"
#include "scanner.h"
#include "unitname.h"
#include "usertype.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>
#include <sys/stat.h>
#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

namespace {

// The source and the output script go through large stdio buffers: a few system calls per
// megabyte instead of one per 4 or 8 KB. A run holds at most one of each open (both are closed
// with the run's files), so each uses one buffer for the whole process.
char input_buffer[1 << 16];
char output_buffer[1 << 18];

void large_buffer(FILE *fp, char *buffer, size_t size) {
    setvbuf(fp, buffer, _IOFBF, size);
#if defined(__GLIBC__)
    __fsetlocking(fp, FSETLOCKING_BYCALLER); // single-threaded: no lock on every write
#endif
}
source_opener opener = nullptr;
void *opener_context = nullptr;

FILE *open_source(const char *name) {
    return opener != nullptr ? opener(name, opener_context) : fopen(name, "r");
}

bool conversion_started = false; // the run got as far as its log: a stop then logs a failure
bool output_created = false;     // the run created (or truncated) its output script

// The banner's constants.
const char vsnban[] = "Kestra for TSQL Release %d.%d.%d.%d.%d %s";
const uint32_t release_number = 0x04000006;
const char rel_status[6][23] = {
    " - Production",         " - Beta", " - Alpha", " - Development", " - Limited Production",
    " - Developer's Release"};

const char *const usage_lines[] = {
    "-F<Default Return Value> for Function, or, -P for Procedure, or, -B for PowerBuilder\n",
    "-R for Returning Resultset, or, -I for Returning Arguments\n",
};
// The lines that the usage and the invalid-switch texts share, from "-X" on.
const char *const common_lines[] = {
    "-X for No Execption\n",
    "-D for Debug\n",
    "-N for No Procedure Name Prefix For Variables\n",
    "-C for Skip Comments\n",
    "-A for Use Of Alias Name\n",
    "-O for Conversion of IN Arguments to IN OUT Arguments\n",
    "   When 0 (Defaulted), No Conversion will be Done\n",
    "   When 1, Value Assignment of IN Arguments will Convert the IN Argument to IN OUT\n",
    ("   When 2, Value Assignment of IN Argument will introduce an extra IN OUT Argument with "
     "prefix in_\n"),
    "-U <DataTypeFile> (For ",
    "User Defined Datatype)\n",
};

void print_usage(const char *prog, FILE *fp) {
    fprintf(fp,
            "USAGE: %s [-F<Default Return Value> || -P || -B] [-R || -I] [-X -D -N -C -A "
            "{-O<0 || 1 || 2>} {-U <DataTypefile>}] <input_file_name>\n",
            prog);
    for (const char *l : usage_lines)
        fputs(l, fp);
    for (const char *l : common_lines)
        fputs(l, fp);
}

// The invalid-switch text, then a line naming the argument that was refused.
[[noreturn]] void invalid_switch(const char *why) {
    fputs("Invalid switch\n", stderr);
    fputs("You can specify ", stderr);
    fputs("one of the following ", stderr);
    fputs("values only: \n", stderr);
    fputs("-F<Default Return Value> for Function, or, -P for Procedure, or, -B for PowerBuilder\n",
          stderr);
    fputs("-R for Resultset, or -I for Arguments\n", stderr);
    for (const char *l : common_lines)
        fputs(l, stderr);
    fprintf(stderr, "kestra: %s\n", why);
    kestra_exit(1);
}

// "--help" (the usage on standard output) and "--version" (the banner alone) end the run
// with status 0 wherever they stand among the arguments.
void help_or_version(int argc, char **argv, const char *prog) {
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0) {
            print_usage(prog, stdout);
            fputs("Writes <input_file_name>.pls beside the source; KESTRA.log and the DDL "
                  "scripts in the current directory.\n"
                  "Exit status: 0 converted, 2 failed to convert, 1 refused (usage, files, "
                  "limits), 10 DDL script not created.\n",
                  stdout);
            kestra_exit(0);
        }
        if (strcmp(argv[i], "--version") == 0)
            kestra_exit(0);
    }
}

// Refusal of a value that does not fit its width.
[[noreturn]] void too_long(const char *what, const char *value, size_t limit) {
    fprintf(stderr, "kestra: %s is longer than %zu characters: %s\n", what, limit, value);
    kestra_exit(1);
}

// The message and the exit of a refused switch (`refused`: the argument, or the value that
// does not fit).
[[noreturn]] void refuse_switch(switch_error error, const std::string &refused) {
    switch (error) {
    case switch_error::value_too_long:
        too_long("the default return value of -F", refused.c_str(), sizeof RetCode - 1);
    case switch_error::no_file_name:
        fprintf(stderr, "kestra: -U needs a user datatype file name\n");
        kestra_exit(1);
    case switch_error::file_name_is_switch:
        invalid_switch(("-U must be followed by a file name, not " + refused).c_str());
    case switch_error::file_name_too_long:
        too_long("the user datatype file name", refused.c_str(), sizeof userfile - 1);
    case switch_error::unknown:
    case switch_error::none:
        break;
    }
    invalid_switch(("unknown switch " + refused).c_str());
}

// The options as the conversion state holds them, and back.
converter_options options_of_state() {
    converter_options o;
    o.procedure = procedure;
    o.function = function;
    o.powerbuilder = powerbuilder;
    o.arg_option = arg_option;
    o.default_opt = default_opt;
    o.noexception = noexception;
    o.prefix_name = prefix_name;
    o.nocomments = nocomments;
    o.use_alias = use_alias;
    o.result_set_fn = result_set_fn;
    o.mult_row_fn = mult_row_fn;
    o.debug = yydebug;
    o.return_value = RetCode;
    o.user_type_file = userfile;
    return o;
}

void set_options_state(const converter_options &o) {
    procedure = o.procedure;
    function = o.function;
    powerbuilder = o.powerbuilder;
    arg_option = o.arg_option;
    default_opt = o.default_opt;
    noexception = o.noexception;
    prefix_name = o.prefix_name;
    nocomments = o.nocomments;
    use_alias = o.use_alias;
    result_set_fn = o.result_set_fn;
    mult_row_fn = o.mult_row_fn;
    yydebug = o.debug;
    text_copy(RetCode, sizeof RetCode, o.return_value.c_str());
    text_copy(userfile, sizeof userfile, o.user_type_file.c_str());
}

// Appends the run's last log line: success, or failure naming the unit being converted.
// Returns false when the log cannot be opened.
bool log_run_result(bool success) {
    fpLog = fopen("KESTRA.log", "a");
    if (fpLog == nullptr)
        return false;
    if (success)
        fprintf(fpLog, "[KESTRA-MSG(OKEY)]:[%s(%s)] Conversion Successful\n", iFname, "SUCCESS");
    else
        fprintf(fpLog, "[KESTRA-MSG(FAIL)]:[%s(%s)] Conversion Failed\n", iFname, proc_name);
    close_file(fpLog);
    return true;
}

void final_report() {
    // Surplus ENDs of any unit make the code negative: minus their number.
    const int code = surplus_ends > 0 ? -surplus_ends : stack_ptr;
    if (conv_error == 0)
        printf("Successfully converted. RETCODE = %d\n", code);
    else
        printf("Failed to convert. RETCODE = %d\n", code);
    if (!log_run_result(conv_error == 0))
        perror("KESTRA.log");
}

int run(int argc, char **argv) {
    reset_conversion_state();
    // 1. Banner.
    prtban(stdout);
    // 2.
    yydebug = 0;
    text_copy(RetCode, sizeof RetCode, "0");
    memset(userfile, 0, sizeof userfile);
    // 3.
    const char *prog = argc > 0 && argv[0] != nullptr ? argv[0] : "kestra";
    if (argc < 2) {
        print_usage(prog, stderr);
        kestra_exit(1);
    }
    help_or_version(argc, argv, prog);
    // 4. Options, from the program-start values.
    command_line cl;
    cl.options = options_of_state();
    std::string refused;
    const switch_error error = parse_command_line(argc, argv, cl, refused);
    if (error != switch_error::none)
        refuse_switch(error, refused);
    set_options_state(cl.options);
    for (const char *name : cl.skipped)
        fprintf(stderr,
                "kestra: %s not converted: kestra converts one source file, its last argument; "
                "kestra-batch converts several\n",
                name);
    // 6 (checked before loading). The source name and the output name must fit 127 bytes.
    const char *source = cl.source;
    if (strlen(source) + strlen(".pls") >= sizeof oFname)
        too_long("the input file name", source, sizeof oFname - 1 - strlen(".pls"));
    // 5.
    if (userfile[0] != '\0')
        LoadUserType(userfile);
    // 6.
    text_copy(iFname, sizeof iFname, source);
    text_copy(oFname, sizeof oFname, iFname);
    text_append(oFname, sizeof oFname, ".pls");
    // 7.
    yyin = open_source(iFname);
    if (yyin == nullptr) {
        const int why = errno;
        fprintf(stderr, "Cannot open input file : %s\n", iFname);
        fprintf(stderr, "kestra: %s: %s\n", iFname, strerror(why));
        kestra_exit(1);
    }
    large_buffer(yyin, input_buffer, sizeof input_buffer);
    // A directory or a device is no source: refused before the output script is created.
    struct stat st;
    if (fstat(fileno(yyin), &st) == 0 &&
        (S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))) {
        fprintf(stderr, "kestra: cannot read %s: %s\n", iFname,
                S_ISDIR(st.st_mode) ? strerror(EISDIR) : "Is a device, not a source file");
        kestra_exit(1);
    }
    // 8.
    tmpFile = fopen(oFname, "w");
    output_created = tmpFile != nullptr;
    if (tmpFile == nullptr) {
        const int why = errno;
        fprintf(stderr, "Cannot open output file : %s\n", oFname);
        fprintf(stderr, "kestra: %s: %s\n", oFname, strerror(why));
        kestra_exit(1);
    }
    large_buffer(tmpFile, output_buffer, sizeof output_buffer);
    // 9. Keyword table; the scanner starts afresh on the new source, in its outer state.
    init_lex();
    scanner_reset(yyin);
    // 10.
    open_tmp_files();
    conversion_started = true;
    // 11.
    yyparse();
    // 12.
    FreeList();
    // 13.
    close_tmp_files();
    // 14. (The work files live in memory: closing them removed them.)
    close_file(yyin);
    close_written_file(tmpFile, oFname);
    close_written_file(ddl_fd, ddl_fname);
    // 15. A source without any unit says so, besides the parser's report.
    if (!scanner_found_unit())
        fprintf(stderr, "kestra: no procedure or trigger found in %s\n", iFname);
    final_report();
    return 0;
}

} // namespace

void set_source_opener(source_opener o, void *context) {
    opener = o;
    opener_context = context;
}

switch_error read_switch(int argc, char **argv, int &i, converter_switch &sw) {
    const char *arg = argv[i];
    sw.letter = static_cast<char>(toupper(static_cast<unsigned char>(arg[1])));
    sw.value = arg[1] != '\0' ? arg + 2 : "";
    if (sw.letter == '\0' || strchr("ABCDFINOPRUX", sw.letter) == nullptr)
        return switch_error::unknown;
    if (sw.letter == 'F' && sw.value.size() >= static_cast<size_t>(RETCODE_LEN))
        return switch_error::value_too_long;
    if (sw.letter != 'U')
        return switch_error::none;
    if (sw.value.empty()) {
        if (i + 1 >= argc)
            return switch_error::no_file_name;
        sw.value = argv[++i];
        if (sw.value[0] == '-')
            return switch_error::file_name_is_switch;
    }
    if (sw.value.size() >= static_cast<size_t>(FNAME_LEN))
        return switch_error::file_name_too_long;
    return switch_error::none;
}

void apply_switch(const converter_switch &sw, converter_options &o) {
    switch (sw.letter) {
    case 'F':
        o.function = 1;
        o.procedure = 0;
        o.powerbuilder = 0;
        if (!sw.value.empty())
            o.return_value = sw.value;
        break;
    case 'P':
        o.procedure = 1;
        o.function = 0;
        o.powerbuilder = 0;
        o.default_opt = 0;
        break;
    case 'B':
        o.powerbuilder = 1;
        o.procedure = 0;
        o.function = 0;
        o.mult_row_fn = 0;
        o.result_set_fn = 0;
        o.default_opt = 0;
        break;
    case 'R':
        o.result_set_fn = 1;
        o.mult_row_fn = 0;
        break;
    case 'I':
        o.result_set_fn = 0;
        o.mult_row_fn = 0;
        break;
    case 'X':
        o.noexception = 0;
        break;
    case 'D':
        o.debug = 1;
        break;
    case 'N':
        o.prefix_name = 0;
        break;
    case 'C':
        o.nocomments = 1;
        break;
    case 'A':
        o.use_alias = 1;
        break;
    case 'O':
        if (sw.value == "1")
            o.arg_option = 1;
        else if (sw.value == "2")
            o.arg_option = 2;
        break;
    case 'U':
        o.user_type_file = sw.value;
        break;
    default:
        break;
    }
}

switch_error parse_command_line(int argc, char **argv, command_line &cl, std::string &refused) {
    cl.source = argc >= 2 ? argv[argc - 1] : nullptr;
    if (argc < 3) // the one argument is the source, whatever it looks like
        return switch_error::none;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (arg[0] != '-') {
            if (i < argc - 1)
                cl.skipped.push_back(arg);
            continue;
        }
        converter_switch sw;
        const switch_error error = read_switch(argc, argv, i, sw);
        if (error != switch_error::none) {
            refused = error == switch_error::unknown ? std::string(arg) : sw.value;
            return error;
        }
        apply_switch(sw, cl.options);
    }
    return switch_error::none;
}

int kestra_main(int argc, char **argv) {
    conversion_started = false;
    output_created = false;
    struct command_line {
        int argc;
        char **argv;
    } args{argc, argv};
    // run() returns 0; a kestra_exit inside it gives its status.
    const int status = kestra_guard(
        [](void *a) {
            command_line *c = static_cast<command_line *>(a);
            run(c->argc, c->argv);
        },
        &args);
    const bool ddl_made = ddl_fd != nullptr;
    release_run_files();
    FreeList();
    // A run stopped with status 1 or 10 (an exceeded limit, an unreadable source, a DDL script
    // that cannot be created) leaves no partial output script or DDL script behind; a unit
    // that fails with a syntax error completes the run and keeps its output.
    if (status != 0) {
        if (output_created)
            remove(oFname);
        if (ddl_made)
            remove(ddl_fname);
    }
    output_created = false;
    // A run stopped during the conversion (an exceeded limit, an input or output failure)
    // ends its log like every failed run; its message is already on standard error.
    if (status != 0 && conversion_started)
        log_run_result(false);
    conversion_started = false;
    release_procname_pool();
    fflush(stdout);
    fflush(stderr);
    return status;
}

void prtban(FILE *fp) {
    const uint32_t r = release_number;
    fprintf(fp, vsnban, static_cast<int>((r >> 24) & 0xff), static_cast<int>((r >> 20) & 0xf),
            static_cast<int>((r >> 12) & 0xff), static_cast<int>((r >> 8) & 0xf),
            static_cast<int>(r & 0xff), rel_status[1]);
    time_t now = time(nullptr);
    char date[64];
    struct tm tmv;
    if (localtime_r(&now, &tmv) == nullptr ||
        strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y\n", &tmv) == 0)
        text_copy(date, sizeof date, "Thu Jan  1 00:00:00 1970\n");
    fprintf(fp, " on %s", date);
}

extern "C" int yywrap(void) {
    end_of_input = 1;
    return 1;
}
