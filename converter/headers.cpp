// Procedure and trigger headers: names, parameters with modes and defaults, the status
// variables written at AS, local declarations, data types, variable references, and the
// parameter list, result-set types and closing text written when a unit's body is complete.
#include "headers.h"

#include "blockstack.h"
#include "convstate.h"
#include "diagnostics.h"
#include "output.h"
#include "parser.h"
#include "prefix_clash.h"
#include "reserved.h"
#include "rowcount.h"
#include "statement_text.h"
#include "unitname.h"
#include "usertype.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <string_view>
#include <utility>

namespace {

// One pair of enclosing double quotes removed.
// The last variable reference renamed because its name is a reserved word of the target.
std::string renamed_from, renamed_to;

// A declaration of the variable just referenced: when its name was renamed, a numbered
// diagnostic in the declarations and the log names the rename.
void note_reserved_rename(const char *what) {
    if (renamed_to.empty() || renamed_to != declare_param)
        return;
    fprintf(fp2, "\n%s",
            diagnose(diag::reserved_rename, yylineno, {what, renamed_from, renamed_to}).c_str());
}

std::string unquote(const char *s) {
    std::string t = str(s);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"')
        t = t.substr(1, t.size() - 2);
    return t;
}

// "<base>(<a>)", or "<base>(<a>, <b>)" when b is given, into `out` (64 bytes), as snprintf writes
// it with "%d": the sizes of a data type, without a formatted print.
void sized_type(char *out, const char *base, int a, const int *b = nullptr) {
    char *p = out;
    const size_t n = strlen(base);
    memcpy(p, base, n);
    p += n;
    *p++ = '(';
    p = std::to_chars(p, out + 40, a).ptr;
    if (b != nullptr) {
        *p++ = ',';
        *p++ = ' ';
        p = std::to_chars(p, out + 60, *b).ptr;
    }
    *p++ = ')';
    *p = '\0';
}

// A size text read as an integer for "%d" (clamped to the int range).
int size_of(const char *s) {
    long v = s == nullptr ? 0 : strtol(s, nullptr, 10);
    if (v > 2147483647L)
        v = 2147483647L;
    if (v < -2147483647L)
        v = -2147483647L;
    return static_cast<int>(v);
}

// Appends an entry to declare_list. A name that does not fit the entry stops the run: cut,
// the parameter list and the declarations would use a name that the body does not.
declare_entry &new_declaration(const char *name, const char *base, const char *size, int kind) {
    check_capacity(declare_no, DECLARE_LIST_MAX, "the declaration list (declare_list)");
    if (strlen(name) >= sizeof declare_list[0].name) {
        fprintf(stderr,
                "kestra: the parameter or variable name is longer than %zu characters: %s\n",
                sizeof declare_list[0].name - 1, name);
        kestra_exit(1);
    }
    list_mark(declare_list_marked, declare_no);
    declare_entry &e = declare_list[declare_no++];
    memset(&e, 0, sizeof e);
    text_copy(e.name, sizeof e.name, name);
    text_copy(e.name2, sizeof e.name2, name);
    state_copy(e.base_type, sizeof e.base_type, base, "a data type");
    state_copy(e.size, sizeof e.size, size, "the size list of a data type");
    e.kind = kind;
    return e;
}

// Writes one parameter of the list to fp1: "(" before the first, "," before the others.
void parameter_out(const std::string &text) {
    fputc(parameterPassed != 0 ? ',' : '(', fp1);
    parameterPassed = 1;
    fputs(text.c_str(), fp1);
}

std::string fmt(const char *f, const char *a, const char *b = "", const char *c = "") {
    std::string out;
    for (const char *p = f; *p != '\0';) {
        if (p[0] == '%' && p[1] == 's') {
            out += a;
            a = b;
            b = c;
            p += 2;
            continue;
        }
        // The text up to the next "%s" (or the end) at once.
        const char *q = p + 1;
        while (*q != '\0' && !(q[0] == '%' && q[1] == 's'))
            q++;
        out.append(p, static_cast<size_t>(q - p));
        p = q;
    }
    return out;
}

// Step 2 of the procedure end: later columns named like an earlier one get "_REP_<n>".
void rename_repeated_columns() {
    const int n = fld_cnt < 0 ? 0 : (fld_cnt > FLD_LIST_MAX ? FLD_LIST_MAX : fld_cnt);
    for (int i = 0; i < n; i++) {
        int count = 1;
        for (int j = i + 1; j < n; j++) {
            if (fld_list[i].name[0] != '\0' && strcmp(fld_list[i].name, fld_list[j].name) == 0) {
                std::string name =
                    std::string(fld_list[i].name) + "_REP_" + std::to_string(count++);
                state_copy(fld_list[j].name, sizeof fld_list[j].name, name.c_str(),
                           "a result column name");
            }
        }
    }
}

// Step 3: the declared parameters.
void declared_parameters() {
    const int n =
        declare_no < 0 ? 0 : (declare_no > DECLARE_LIST_MAX ? DECLARE_LIST_MAX : declare_no);
    for (int i = 0; i < n; i++) {
        const declare_entry &e = declare_list[i];
        switch (e.kind) {
        case 0:
            if (e.base_type[0] != '\0')
                parameter_out(fmt("\n%s \t%s %s", e.name, e.base_type, e.default_clause));
            break;
        case 2:
            parameter_out(fmt("\n%s \tIN OUT %s", e.name, e.base_type));
            break;
        case 3:
            if (arg_option == 0 || arg_option == 2)
                parameter_out(fmt("\nin_%s \tIN %s %s", e.name, e.base_type, e.default_clause));
            if (arg_option == 1 || arg_option == 2)
                parameter_out(fmt("\n%s \tIN OUT %s", e.name, e.base_type));
            break;
        default:
            break;
        }
    }
}

int column_count() {
    return fld_cnt < 0 ? 0 : (fld_cnt > FLD_LIST_MAX ? FLD_LIST_MAX : fld_cnt);
}

// Step 4: the result-set cursor parameter and its types in the package.
void result_set_cursor() {
    std::string p = "\nRC" + std::to_string(cur_ref) + " \tIN OUT " + unit_package_name() + ".RCT" +
                    std::to_string(cur_ref);
    parameter_out(p);
    if (star_flag == 1) {
        fprintf(fp72, "\nTYPE RCT%d IS REF CURSOR RETURN %s%%ROWTYPE;\n", cur_ref, star_tab);
        return;
    }
    fprintf(fp72, "\nTYPE RT%d IS RECORD (", cur_ref);
    const int n = column_count();
    for (int i = 0; i < n; i++) {
        const char *type =
            (fld_list[i].type[0] == '\0' || from_dual == 1) ? "VARCHAR2(255)" : fld_list[i].type;
        put_text(i == 0 ? "\n\t" : ",\n\t", fp72);
        put_text(fld_list[i].name, fp72);
        put_text("\t\t ", fp72);
        put_text(type, fp72);
    }
    fputs("\n\t);", fp72);
    fprintf(fp72, "\nTYPE RCT%d IS REF CURSOR RETURN RT%d;\n", cur_ref, cur_ref);
}

bool is_declared(const char *name) {
    const int n =
        declare_no < 0 ? 0 : (declare_no > DECLARE_LIST_MAX ? DECLARE_LIST_MAX : declare_no);
    for (int i = 0; i < n; i++)
        if (strcmp(declare_list[i].name, name) == 0)
            return true;
    return false;
}

// Step 5: result columns become output parameters.
void result_columns_as_output() {
    const int n = column_count();
    if (star_flag == 1) {
        parameter_out(fmt("\no_record OUT %s%%ROWTYPE", star_tab));
        if (n > 0)
            text_copy(fld_list[0].name, sizeof fld_list[0].name, "o_record");
        return;
    }
    for (int i = 0; i < n; i++) {
        fld_entry &f = fld_list[i];
        if (is_declared(f.name)) {
            std::string name = "o_oval" + std::to_string(var_no++);
            text_copy(f.name, sizeof f.name, name.c_str());
        }
        if (f.type[0] == '\0' || from_dual == 1)
            parameter_out(fmt("\n%s OUT VARCHAR2", f.name));
        else
            parameter_out(fmt("\n%s OUT %s", f.name, f.type));
    }
}

// The BEGIN run after AS opened the body: its further BEGINs stay open on the block stack.
void push_further_begins() {
    for (int i = 2; i <= no_of_begin; i++)
        push(BLK_BEGIN);
}

} // namespace

void hdr_quoted_name(char *dst, const char *s) {
    std::string t = str(s);
    if (!t.empty() && t[0] == '\'') {
        t[0] = '"';
        t[t.size() - 1] = '"';
        val_set(dst, t.c_str());
    } else {
        val_printf(dst, "\"%s\"", t.c_str());
    }
}

void hdr_alias(char *dst, const char *alias) {
    std::string t = str(alias);
    if (!t.empty() && (t.front() == '"' || t.back() == '"'))
        val_set(dst, t.c_str());
    else
        val_printf(dst, "\"%s\"", t.c_str());
}

void hdr_proc_name(char *dst, const char *owner, const char *name) {
    std::string n = unquote(name);
    unit_name_set(owner != nullptr ? unquote(owner) : std::string(), n);
    if (owner != nullptr)
        n = unquote(owner) + "." + n;
    if (n.size() >= sizeof proc_name) {
        fprintf(stderr, "kestra: the unit name is longer than %zu characters: %s\n",
                sizeof proc_name - 1, n.c_str());
        // The run's failure line in the log names the unit by the characters that fit.
        text_copy(proc_name, sizeof proc_name, n.c_str());
        kestra_exit(1);
    }
    text_copy(proc_name, sizeof proc_name, n.c_str());
    val_set(dst, n.c_str());
    HostInWhere.count = 0;
}

void hdr_parameter_out(const char *text) {
    parameter_out(str(text));
}

void hdr_no_parameters() {
    emptyFlag = 1;
}

void hdr_end_of_parameters() {
    paramFlag = 0;
}

void hdr_default_output(char *dst) {
    outParam = 1;
    defaultValue[0] = '\0';
    val_set(dst, "");
}

void hdr_default_recompile(char *dst) {
    defaultValue[0] = '\0';
    val_set(dst, "");
}

void hdr_default_value(char *dst, const char *expr) {
    const char *v = expr == nullptr ? "NULL" : expr;
    state_copy(defaultValue, sizeof defaultValue, v, "the default value of a parameter");
    val_printf(dst, "DEFAULT %s", v);
}

void hdr_default_join(char *dst, const char *list, const char *value) {
    val_printf(dst, "%s %s", list, value);
}

void hdr_parameter_def(char *dst, const char *type, const char *defaults) {
    note_reserved_rename("Parameter");
    std::string t = str(type);
    size_t paren = t.find('(');
    std::string base = paren == std::string::npos ? t : t.substr(0, paren);
    std::string size = paren == std::string::npos ? std::string() : t.substr(paren);
    // The parameter list drops the size; the type read last keeps it for a local copy.
    const std::string sized = cur_param_type;
    if (size.empty() && sized.size() > base.size() && sized.compare(0, base.size(), base) == 0 &&
        sized[base.size()] == '(')
        size = sized.substr(base.size());
    if (outParam == 0) {
        declare_entry &e = new_declaration(declare_param, base.c_str(), size.c_str(), 0);
        state_copy(e.default_clause, sizeof e.default_clause, defaults,
                   "the default value of a parameter");
        state_copy(e.default_value, sizeof e.default_value, defaultValue,
                   "the default value of a parameter");
        stmt_text::val_join(dst,
                            {"\n", declare_param, " \t", base, " ", stmt_text::view(defaults)});
    } else {
        stmt_text::val_join(dst, {"\n", declare_param, " \tIN OUT ", base});
        outParam = 0;
        new_declaration(declare_param, base.c_str(), size.c_str(), 2);
    }
}

void hdr_as() {
    if (new_flag == 0)
        return;
    new_flag = 0;
    paramFlag = 0;
    unit_as_read();
    rowcount_reset();
    clash_reset();
    if (iftrigger != 0)
        fputs("\nDECLARE", fp2);
    fputs("\nTarn_selcnt\tINTEGER;", fp2);
    fputs("\nTarn_error \tINTEGER;", fp2);
    fputs(iftrigger != 0 ? "\nTarn_rowcnt\tINTEGER := 1;" : "\nTarn_rowcnt\tINTEGER;", fp2);
    fputs("\nTarn_errmsg\tVARCHAR2(255);", fp2);
    fputs("\nTarn_sqlstatus\tINTEGER;", fp2);
}

void hdr_declare_var(char *dst, const char *type) {
    note_reserved_rename("Variable");
    const size_t n = stmt_text::val_join(dst, {declare_param, " \t", stmt_text::view(type)});
    new_declaration(declare_param, type, "", 1);
    put_char('\n', fp2);
    put_bytes(dst, n, fp2);
    put_char(';', fp2);
}

// A user type based on a national type ("nvarchar(40)", "nchar(2)", "ntext", in any letter
// case, as the user datatype file gives it) takes the national type's target type.
static bool national_user_type(char *dst, const char *base) {
    static const struct {
        const char *source, *target;
    } types[] = {{"NVARCHAR", "NVARCHAR2"}, {"NCHAR", "NCHAR"}, {"NTEXT", "NCLOB"}};
    for (const auto &t : types) {
        const size_t n = strlen(t.source);
        if (strncasecmp(base, t.source, n) != 0)
            continue;
        const char *rest = base + n;
        while (*rest == ' ' || *rest == '\t')
            rest++;
        if (*rest == '\0') {
            hdr_national_type(dst, t.target, nullptr);
            return true;
        }
        char *end = nullptr;
        if (*rest != '(' || strcmp(t.source, "NTEXT") == 0)
            continue;
        const long size = strtol(rest + 1, &end, 10);
        if (end == rest + 1 || *end != ')' || end[1] != '\0' || size <= 0)
            continue;
        char digits[24];
        snprintf(digits, sizeof digits, "%ld", size);
        hdr_national_type(dst, t.target, digits);
        return true;
    }
    return false;
}

void hdr_data_type(char *dst, src_type type, const char *a, const char *b) {
    const bool in_params = paramFlag != 0;
    char sized[64];
    const char *base = nullptr;  // a type with a size: its base
    const char *plain = nullptr; // a type without a size
    switch (type) {
    case SRC_CHARACTER:
        if (a == nullptr) {
            plain = "CHAR";
            break;
        }
        base = "CHAR";
        sized_type(sized, "CHAR", size_of(a));
        break;
    case SRC_VARCHAR:
        if (a == nullptr) {
            plain = "VARCHAR2";
            break;
        }
        base = "VARCHAR2";
        sized_type(sized, "VARCHAR2", size_of(a));
        break;
    case SRC_SYSNAME:
        base = "CHAR";
        snprintf(sized, sizeof sized, "CHAR(30)");
        break;
    case SRC_VARBINARY:
        base = "RAW";
        sized_type(sized, "RAW", size_of(a));
        break;
    case SRC_NUMERIC:
        if (a == nullptr) {
            plain = "NUMBER";
            break;
        }
        base = "NUMBER";
        if (b == nullptr)
            sized_type(sized, "NUMBER", size_of(a));
        else {
            const int scale = size_of(b);
            sized_type(sized, "NUMBER", size_of(a), &scale);
        }
        break;
    case SRC_TIMESTAMP:
        plain = "NUMBER";
        break;
    case SRC_INTEGER:
    case SRC_SMALLINT:
        plain = "INTEGER";
        break;
    case SRC_DATE:
    case SRC_SMALLDATETIME:
        plain = "DATE";
        break;
    case SRC_NAMED: {
        const char *name = a == nullptr ? "" : a;
        if (strcasecmp(name, "DATE") == 0)
            plain = "DATE";
        else if (strcasecmp(name, "TIMESTAMP") == 0 || strcasecmp(name, "MONEY") == 0)
            plain = "NUMBER";
        else {
            val_set(dst, name);
            return;
        }
        break;
    }
    case SRC_USER_TYPE: {
        char found[USER_TYPE_NAME_LEN + 16];
        SearchList(a == nullptr ? "" : a, found, sizeof found);
        if (national_user_type(dst, found))
            return;
        if (strcasecmp(found, "USER_TYPE_DATE") == 0)
            plain = "DATE";
        else if (strcasecmp(found, "USER_TYPE_TIMESTAMP") == 0 ||
                 strcasecmp(found, "USER_TYPE_MONEY") == 0)
            plain = "NUMBER";
        else {
            state_copy(cur_param_type, sizeof cur_param_type, found, "a data type");
            val_set(dst, found);
            return;
        }
        break;
    }
    }
    if (plain != nullptr) {
        state_copy(cur_param_type, sizeof cur_param_type, plain, "a data type");
        val_set(dst, plain);
    } else {
        if (in_params) {
            state_copy(cur_param_type, sizeof cur_param_type, sized, "a data type");
            val_set(dst, base);
        } else {
            val_set(dst, sized);
        }
    }
}

void hdr_parameter_ref(char *dst, const char *token) {
    if (token == nullptr)
        token = "";
    // Status texts of the scanner ("@Tarn_...", "@NULL /* ... */") are no variables.
    // The second characters are tested before a call: "@p0", "@Total" mostly stop there.
    if (token[0] == '@' &&
        ((token[1] == 'T' && token[2] == 'a' && strncmp(token + 1, "Tarn_", 5) == 0) ||
         (token[1] == 'p' && token[2] == 'k' && strncmp(token + 1, "pkg_Identity", 12) == 0) ||
         (token[1] == 'N' && token[2] == 'U' && strncmp(token + 1, "NULL ", 5) == 0))) {
        val_set(dst, inSelect != 0 ? token : token + 1);
        return;
    }
    // Only the reference just read counts for its declaration (note_reserved_rename).
    renamed_from.assign(token[0] != '\0' ? token + 1 : "");
    const bool reserved = target_reserved(renamed_from);
    if (reserved) {
        renamed_to = renamed_from;
        renamed_to += RESERVED_SUFFIX;
    } else {
        renamed_to.clear();
    }
    const std::string &bare = reserved ? renamed_to : renamed_from;
    if (bare.size() >= sizeof declare_param) // stops the run
        state_copy(declare_param, sizeof declare_param, bare.c_str(),
                   "a parameter or variable name");
    else
        memcpy(declare_param, bare.c_str(), bare.size() + 1);
    // dst = "@" in a select list, the unit's name and a dot where the variable keeps its prefix,
    // the name. No part lies in dst (the name was copied), so it is written in place.
    const std::string *unit = nullptr;
    if (iftrigger == 0 && (prefix_name != 0 || clash_keeps_prefix(bare)))
        unit = &unit_ref_name();
    const std::string_view at = inSelect != 0 ? "@" : "";
    size_t len = at.size();
    dst[0] = '@';
    // Appends a part, cut at the capacity of a value (val_cut set), as val_join writes it.
    auto put = [dst, &len](const char *text, size_t n) {
        if (n > static_cast<size_t>(YYVALMAX) - len) {
            n = static_cast<size_t>(YYVALMAX) - len;
            val_cut = true;
        }
        memcpy(dst + len, text, n);
        len += n;
    };
    if (unit != nullptr) {
        put(unit->data(), unit->size());
        put(".", 1);
    }
    put(bare.data(), bare.size());
    dst[len] = '\0';
    if (inWhere != 0 && select_stmt != 0) {
        // The qualified name as dst holds it: a name cut there is longer than a list entry, so
        // its state_copy stops the run all the same, with the same first characters shown.
        const char *qualified = dst + at.size();
        bool found = false;
        for (int i = 0; i < HostInWhere.count && i < HOST_IN_WHERE_MAX; i++)
            if (strcmp(HostInWhere.name[i], qualified) == 0)
                found = true;
        if (!found) {
            check_capacity(HostInWhere.count, HOST_IN_WHERE_MAX,
                           "the host-variable list (HostInWhere)");
            state_copy(HostInWhere.name[HostInWhere.count], sizeof HostInWhere.name[0], qualified,
                       "a qualified variable name");
            HostInWhere.count++;
        }
    }
}

void hdr_end_procedure(const char *opt_begin) {
    const bool began = opt_begin != nullptr && opt_begin[0] != '\0';
    rowcount_unit_end();
    // A trigger head read as the look-ahead (the next unit, without GO) marked the scanner's
    // state as a trigger: this unit is a procedure all the same.
    iftrigger = 0;
    // 1.
    if (!began)
        no_of_begin = 0;
    // 2.
    rename_repeated_columns();
    // 3.
    declared_parameters();
    // 4, 5.
    if (cur_ref != 0 && (mult_row_fn != 0 || result_set_fn != 0))
        result_set_cursor();
    else if (mult_row_fn == 0 && result_set_fn == 0)
        result_columns_as_output();
    // 6.
    cur_ref = 0;
    if (parameterPassed != 0)
        fputs(")", fp1);
    // 7.
    if (began) {
        push_further_begins();
        return;
    }
    // A unit without BEGIN whose body block an END of its own already closed.
    if (stack_ptr <= 0 && begin_printed != 0) {
        surplus_end();
        return;
    }
    if (function != 0 && isFunction1 == 0)
        fprintf(yyout, "\n\tRETURN %s;", RetCode);
    fprintf(yyout, "\nEND %s;", unit_ref_name().c_str());
    pop_var = pop();
}

void hdr_end_trigger(const char *opt_begin, const char *table, const char *operations) {
    iftrigger = 1;
    rowcount_unit_end();
    if (opt_begin != nullptr && opt_begin[0] != '\0') {
        push_further_begins();
    } else if (stack_ptr <= 0 && begin_printed != 0) {
        surplus_end();
        no_of_begin = 0;
    } else {
        fprintf(yyout, "\nEND %s;", unit_ref_name().c_str());
        pop_var = pop();
        no_of_begin = 0;
    }
    state_copy(TriggerTable, sizeof TriggerTable, str(table).c_str(), "the trigger's table name");
    state_copy(TriggerEvent, sizeof TriggerEvent, str(operations).c_str(),
               "the trigger's event list");
}

void hdr_national_type(char *dst, const char *target, const char *size) {
    if (size == nullptr) {
        text_copy(cur_param_type, sizeof cur_param_type, target);
        val_set(dst, target);
        return;
    }
    char sized[64];
    snprintf(sized, sizeof sized, "%s(%d)", target, size_of(size));
    if (paramFlag != 0) {
        text_copy(cur_param_type, sizeof cur_param_type, sized);
        val_set(dst, target);
    } else {
        val_set(dst, sized);
    }
}

void hdr_trigger_timing(int instead) {
    instead_trig = static_cast<int16_t>(instead);
}

void hdr_ddl_trigger_skipped(const char *name, int line) {
    // The trigger's name, cut to 160 bytes, is both the argument and the unit of the log line.
    const std::string cut = std::string(name).substr(0, 160);
    const std::string comment = diagnose(diag::ddl_trigger_skipped, line, {cut}, cut.c_str());
    if (tmpFile != nullptr)
        fprintf(tmpFile, "\n%s\n", comment.c_str());
}

void hdr_insert_privilege() {
    insert_flag = 0;
}

void hdr_update_privilege() {
    inUpdate = 0;
}

void hdr_operation_join(char *dst, const char *list, const char *op) {
    val_printf(dst, "%s OR %s", list, op);
}
