// Assembly of a unit's output: at the unit's end, its head, package specification,
// parameter list, declarations and body (markers replaced by status blocks, select lists, INTO
// lists and argument initialisation) go from the work files onto the output script, followed by
// the support functions the unit calls.
#include "assembly.h"

#include "convstate.h"
#include "output.h"
#include "row_limits.h"
#include "unitname.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

void head(const char *kind) {
    fprintf(tmpFile, "\nCREATE OR REPLACE %s %s", kind, unit_head_name().c_str());
}

// The support functions of step 13, each piece an exact literal.
const char *const basechar_text[] = {
    "\nCREATE OR REPLACE FUNCTION BASECHAR(",
    "\nP1 NUMBER,",
    "\nBASE NUMBER)",
    "\nRETURN VARCHAR2",
    "\nAS",
    "\nDIGITSTRING VARCHAR2(16) := '0123456789ABCDEF';",
    "\nINTVALUE INTEGER;",
    "\nREMAINDER INTEGER;",
    "\nRETURNVALUE VARCHAR2(100);",
    "\nBEGIN",
    "\n\tINTVALUE := FLOOR(P1/BASE);",
    "\n\tREMAINDER := MOD(P1,BASE);",
    "\n\tRETURNVALUE := SUBSTR(DIGITSTRING,REMAINDER+1,1);",
    "\n\tWHILE INTVALUE > 0 LOOP",
    "\n\t\tREMAINDER := MOD(INTVALUE,BASE);",
    "\n\t\tINTVALUE := FLOOR(INTVALUE/BASE);",
    "\n\t\tRETURNVALUE := SUBSTR(DIGITSTRING,REMAINDER+1,1) || RETURNVALUE;",
    "\n\tEND LOOP;",
    "\n\tRETURN RETURNVALUE;",
    "\nEND BASECHAR;",
    nullptr};
const char *const bitnand_text[] = {"\nCREATE OR REPLACE FUNCTION BITNAND(",
                                    "\np1 NUMBER,",
                                    "\np2 NUMBER)",
                                    "\nRETURN NUMBER",
                                    "\nAS",
                                    "\nbits1 VARCHAR2(100);",
                                    "\nbits2 VARCHAR2(100);",
                                    "\nbitsout VARCHAR2(100);",
                                    "\nnbits NUMBER;",
                                    "\nloopc NUMBER;",
                                    "\ncbit CHAR(1);",
                                    "\nBEGIN",
                                    "\n\tbits1 := BASECHAR(p1, 2);",
                                    "\n\tbits2 := BASECHAR(p2, 2);",
                                    "\n\tnbits := GREATEST(LENGTH(bits1), LENGTH(bits2));",
                                    "\n\tbitsout := '';",
                                    "\n\tbits1 := LPAD(bits1, nbits, '0');",
                                    "\n\tbits2 := LPAD(bits2, nbits, '0');",
                                    "\n\tFOR loopc IN 1..nbits LOOP",
                                    "\n\t\tIF SUBSTR(bits2, loopc, 1) = '1' THEN",
                                    "\n\t\t\tcbit := '0';",
                                    "\n\t\tELSE",
                                    "\n\t\t\tcbit := '1';",
                                    "\n\t\tEND IF;",
                                    "\n\t\tIF SUBSTR(bits1, loopc, 1) = '1' AND cbit = '1' THEN",
                                    "\n\t\t\tbitsout := cbit || bitsout;",
                                    "\n\t\tELSE",
                                    "\n\t\t\tbitsout := '0' || bitsout;",
                                    "\n\t\tEND IF;",
                                    "\n\tEND LOOP;",
                                    "\n\tRETURN(CHARBASE(bitsout, 2));",
                                    "\nEND BITNAND;",
                                    nullptr};
const char *const charbase_text[] = {"\nCREATE OR REPLACE FUNCTION CHARBASE(",
                                     "\np1 VARCHAR2,",
                                     "\nbase NUMBER)",
                                     "\nRETURN NUMBER",
                                     "\nAS",
                                     "\ndigitstring VARCHAR2(16) := '0123456789ABCDEF';",
                                     "\nreturnvalue NUMBER := 0;",
                                     "\ncnum NUMBER;",
                                     "\nloopc NUMBER;",
                                     "\nBEGIN",
                                     "\n\tFOR loopc IN 1..LENGTH(p1) LOOP",
                                     "\n\t\tcnum := INSTR(digitstring, SUBSTR(p1, loopc, 1));",
                                     "\n\t\treturnvalue := (returnvalue * base) + (cnum - 1);",
                                     "\n\tEND LOOP;",
                                     "\n\tRETURN returnvalue;",
                                     "\nEND CHARBASE;",
                                     nullptr};
const char *const patindex_text[] = {
    "\nCREATE OR REPLACE FUNCTION PATINDEX(",
    "\nS1 VARCHAR2,",
    "\nS2 VARCHAR2)",
    "\nRETURN INTEGER",
    "\nAS",
    "\nPPOS INTEGER;",
    "\nOPOS INTEGER := 0;",
    "\nTYPE STABTYP IS TABLE OF VARCHAR2(100) INDEX BY BINARY_INTEGER;",
    "\nSTAB STABTYP;",
    "\nLOOPC INTEGER;",
    "\nSTARTPOS INTEGER;",
    "\nCURPOS INTEGER;",
    "\nSSTRING VARCHAR2(100);",
    "\nBEGIN",
    "\n\tPPOS := INSTR(S1,'%');",
    "\n\tWHILE PPOS != 0 LOOP",
    "\n\t\tSSTRING := SUBSTR(S1,OPOS+1,PPOS-OPOS-1);",
    "\n\t\tIF SSTRING IS NOT NULL THEN",
    "\n\t\t\tSTAB(STAB.COUNT+1) := SSTRING;",
    "\n\t\tEND IF;",
    "\n\t\tOPOS := PPOS;",
    "\n\t\tPPOS := INSTR(S1,'%',OPOS+1);",
    "\n\tEND LOOP;",
    "\n\tSSTRING := SUBSTR(S1,OPOS+1);",
    "\n\tIF SSTRING IS NOT NULL THEN",
    "\n\t\tSTAB(STAB.COUNT+1) := SSTRING;",
    "\n\tEND IF;",
    "\n\tSTARTPOS := INSTR(S2,STAB(1));",
    "\n\tIF STARTPOS > 0 THEN",
    "\n\t\tCURPOS := STARTPOS + 1;",
    "\n\t\tFOR LOOPC IN 2..STAB.COUNT LOOP",
    "\n\t\t\tCURPOS := INSTR(S2,STAB(LOOPC),CURPOS);",
    "\n\t\t\tIF CURPOS = 0 THEN",
    "\n\t\t\t\tSTARTPOS := 0;",
    "\n\t\t\t\tEXIT;",
    "\n\t\t\tEND IF;",
    "\n\t\t\tCURPOS := CURPOS + 1;",
    "\n\t\tEND LOOP;",
    "\n\tEND IF;",
    "\n\tRETURN STARTPOS;",
    "\nEND PATINDEX;",
    nullptr};

void support_function(const char *const *pieces) {
    for (; *pieces != nullptr; pieces++)
        fputs(*pieces, tmpFile);
    fputs("\n/", tmpFile);
    fputs("\nshow errors;\n", tmpFile);
}

int clamp_count(int32_t n, int limit) {
    return n < 0 ? 0 : (n > limit ? limit : n);
}

// Writes the tabs of indentation depth d.
void tabs_out(int d) {
    write_tabs(d, tmpFile);
}

// The status block of SELECT n (marker digits n, terminator 2).
void status_block(int n) {
    if (retrow_list[n].status_flag != 1)
        return;
    const int d = retrow_list[n].number;
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("BEGIN", tmpFile);
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\tTarn_error   := 0;", tmpFile);
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\tSELECT 1 INTO Tarn_rowcnt FROM DUAL", tmpFile);
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\tWHERE EXISTS (", tmpFile);
    // The SELECT numbers of this status block, separated by "@", are in fld_list[n].text.
    std::string list(fld_list[n].text, strnlen(fld_list[n].text, sizeof fld_list[n].text));
    bool first = true;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t at = list.find('@', pos);
        if (at == std::string::npos)
            at = list.size();
        std::string item = list.substr(pos, at - pos);
        pos = at + 1;
        if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos ||
            item.size() > 5)
            continue;
        int m = atoi(item.c_str());
        if (m >= RESULT_SET_MAX)
            continue;
        if (!first)
            print_statement(1, d + 1, "   UNION", tmpFile);
        first = false;
        print_statement(1, d + 1, retrow_list[m].query, tmpFile);
    }
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("\t);", tmpFile);
    fputs("\n", tmpFile);
    if (noexception == 1) {
        tabs_out(d);
        fputs("\tEXCEPTION", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 1);
        fputs("\tWHEN OTHERS THEN", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 2);
        fputs("\tTarn_rowcnt := 0;", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 2);
        fputs("\tTarn_selcnt := 0;", tmpFile);
        fputs("\n", tmpFile);
        tabs_out(d + 2);
        fputs("\tTarn_error := SQLCODE;", tmpFile);
    }
    fputs("\n", tmpFile);
    tabs_out(d);
    fputs("END;", tmpFile);
}

// The select list of SELECT n (marker digits n, terminator 1). In a query wrapped for a row
// limit (`wrapped`), a column whose name repeats an earlier one gets an alias, so that the
// wrapped query's columns are distinct (the padding NULLs, the same expression twice).
void select_list(int n, bool wrapped) {
    const int cols = clamp_count(fld_cnt, RESULT_COL_MAX);
    const int d = fld_list[n].indent;
    bool all_empty = true;
    bool any_star = false;
    for (int c = 0; c < cols; c++) {
        const char *t = retfld_list[n][c];
        if (t[0] != '\0')
            all_empty = false;
        if (strchr(t, '*') != nullptr)
            any_star = true;
    }
    if (star_flag != 0 && all_empty) {
        fputs("*", tmpFile);
        return;
    }
    // With a "*" among them only the filled columns are written, else every column (NULL for
    // an empty one).
    std::vector<std::string> items;
    for (int c = 0; c < cols; c++) {
        const char *t = retfld_list[n][c];
        if (t[0] != '\0')
            items.emplace_back(t);
        else if (!any_star)
            items.emplace_back("NULL");
    }
    std::string piece;
    for (size_t k = 0; k < items.size(); k++) {
        const std::string text = wrapped ? items[k] + row_limit_column_alias(items, k) : items[k];
        if (k == 0) {
            fputs(text.c_str(), tmpFile);
        } else {
            piece = ", " + text;
            print_statement(1, d, piece.c_str(), tmpFile);
        }
    }
}

// The INTO list (marker without digits); d is the indentation of the SELECT of the most
// recent numbered marker.
void into_list(int d, bool trigger) {
    if (star_flag == 1) {
        fputs("o_record", tmpFile);
        return;
    }
    const int cols = clamp_count(fld_cnt, FLD_LIST_MAX);
    const bool prefixed = prefix_name != 0 && !trigger;
    const std::string unit = unit_ref_name();
    std::string piece;
    for (int c = 0; c < cols; c++) {
        const char *name = fld_list[c].name;
        if (c == 0) {
            if (prefixed)
                fprintf(tmpFile, "%s.%s", unit.c_str(), name);
            else
                fputs(name, tmpFile);
        } else {
            piece = ", ";
            if (prefixed) {
                piece += unit;
                piece += ".";
            }
            piece += name;
            print_statement(1, d, piece.c_str(), tmpFile);
        }
    }
}

// The size of a local variable of type `base` declared without one, where the target requires
// a size: the largest the type takes.
const char *type_maximum(const char *base) {
    if (strcasecmp(base, "VARCHAR2") == 0 || strcasecmp(base, "RAW") == 0)
        return "(32767)";
    if (strcasecmp(base, "NVARCHAR2") == 0)
        return "(16383)";
    return "";
}

// Byte 5: initialisation of the input arguments that the body assigns.
void argument_initialisation(bool trigger) {
    const bool prefixed = prefix_name == 1 && !trigger;
    const std::string unit_text = unit_ref_name();
    const char *unit = unit_text.c_str();
    const int n = clamp_count(declare_no, DECLARE_LIST_MAX);
    for (int i = 0; i < n; i++) {
        const declare_entry &e = declare_list[i];
        if (e.kind != 3)
            continue;
        if (arg_option == 0 || arg_option == 2) {
            if (prefixed)
                fprintf(tmpFile, "\n\t%s.%s := %s.in_%s;", unit, e.name, unit, e.name);
            else
                fprintf(tmpFile, "\n\t%s := in_%s;", e.name, e.name);
        } else if (arg_option == 1 && e.default_clause[0] != '\0') {
            if (prefixed) {
                fprintf(tmpFile, "\n\tIF %s.%s IS NULL THEN", unit, e.name);
                fprintf(tmpFile, "\n\t\t%s.%s := %s;", unit, e.name, e.default_value);
                fputs("\n\tEND;", tmpFile);
            } else {
                fprintf(tmpFile, "\n\tIF %s IS NULL THEN", e.name);
                fprintf(tmpFile, "\n\t%s := %s;", e.name, e.default_value);
                fputs("\n\tEND;", tmpFile);
            }
        }
    }
}

// Step 11: the body with its markers replaced. Only the bytes that write_body_marker recorded
// start a marker; every other byte, a byte 1, 2 or 5 of a source literal included, goes out
// unchanged. Returns the body as read.
std::string_view copy_body(bool trigger) {
    const std::string_view body = read_body_file();
    const char *const start = body.data();
    const char *p = start;
    const char *const end = p + body.size();
    int last_n = 0; // the SELECT of the most recent numbered marker
    for (size_t at : body_marker_offsets()) {
        if (at >= body.size() || start + at < p)
            continue; // not in the body (or inside a marker already read)
        const char *q = start + at;
        // Plain bytes go out as runs, up to the marker.
        if (q > p)
            fwrite(p, 1, static_cast<size_t>(q - p), tmpFile);
        p = q;
        if (*q == 5) {
            argument_initialisation(trigger);
            p = q + 1;
            continue;
        }
        if (*q != 1)
            continue; // not a marker byte: written with the plain run that follows
        // A marker: bytes up to the next byte 1 or 2.
        long n = 0;
        int digits = 0;
        bool wrapped = false; // "w": the select list of a query wrapped for a row limit
        const char *m = q + 1;
        for (; m < end && *m != 1 && *m != 2; m++) {
            if (*m == 'w')
                wrapped = true;
            if (*m >= '0' && *m <= '9' && n < 100000) {
                n = n * 10 + (*m - '0');
                digits++;
            }
        }
        if (m == end)
            break; // a marker cut off by the end of the body is no marker: written as read
        const char term = *m;
        p = m + 1;
        if (digits == 0) {
            into_list(fld_list[last_n].indent, trigger);
            continue;
        }
        if (n >= RESULT_SET_MAX)
            continue; // no such SELECT: the marker writes nothing
        last_n = static_cast<int>(n);
        if (term == 1)
            select_list(last_n, wrapped);
        else
            status_block(last_n);
    }
    if (p < end)
        fwrite(p, 1, static_cast<size_t>(end - p), tmpFile);
    return body;
}

} // namespace

void close_tmp_files() {
    // 1.
    close_unit_log();
    const bool trigger = iftrigger != 0;
    // 2. Heads.
    if (!trigger && begin_printed != 0) {
        if (procedure != 0) {
            if (result_set_fn == 0)
                head(isFunction == 1 ? "FUNCTION" : "PROCEDURE");
        } else if (function != 0 && result_set_fn == 0) {
            head("FUNCTION");
        } else if (powerbuilder != 0 && result_set_fn == 0) {
            // With result sets (-B -R) step 5 writes the head after the package.
            head("PROCEDURE");
        }
    }
    if (trigger && begin_printed != 0) {
        fprintf(tmpFile, "\nCREATE OR REPLACE TRIGGER %s\n", unit_head_name().c_str());
        fprintf(tmpFile,
                instead_trig != 0 ? "INSTEAD OF %s\n"
                : aft_trig != 0   ? "AFTER %s\n"
                                  : "BEFORE %s\n",
                TriggerEvent);
        fprintf(tmpFile, "ON %s\n", TriggerTable);
        fputs("FOR EACH ROW", tmpFile);
        ifeachrow = 0;
    }
    // 3. Package specification.
    bool package_written = false;
    if (result_set_fn != 0) {
        const std::string pkg = "\nCREATE OR REPLACE PACKAGE " + unit_package_name() + " AS";
        package_written = copy_work_file(fp72, pkg.c_str());
    }
    // 4. Parameter list.
    if ((powerbuilder != 0 || procedure != 0 || function != 0) && result_set_fn == 0)
        copy_work_file(fp1);
    // 5. Result-set form.
    if (result_set_fn != 0 && begin_printed != 0) {
        if (!trigger) {
            if (package_written)
                fputs("END;\n/ \n", tmpFile);
            head(isFunction == 1 || function != 0 ? "FUNCTION" : "PROCEDURE");
        }
        copy_work_file(fp1);
    }
    // 6. Return type. Only for a unit with a head: the empty set of work files that the run
    // assembles after a last unit closed by GO must not leave a stray "RETURN INTEGER".
    if (begin_printed != 0 && ((function != 0 && !trigger) || (function == 0 && isFunction == 1)))
        fputs("\nRETURN INTEGER", tmpFile);
    // 7.
    if (!trigger && begin_printed != 0)
        fputs("\nAS", tmpFile);
    // 8. Local copies of assigned input arguments.
    if (arg_option == 0) {
        const int n = clamp_count(declare_no, DECLARE_LIST_MAX);
        for (int i = 0; i < n; i++) {
            const declare_entry &e = declare_list[i];
            if (e.kind == 3)
                fprintf(tmpFile, "\n%s \t%s%s;", e.name, e.base_type,
                        e.size[0] != '\0' ? e.size : type_maximum(e.base_type));
        }
    }
    // 9. Declarations.
    iftrigger = 0;
    copy_work_file(fp2);
    if (version_flag != 0)
        fputs("\nTarn_version \tDATE;", tmpFile);
    // 10.
    if (begin_printed != 0) {
        for (int i = 2; i <= no_of_begin; i++)
            fputs("\nBEGIN", tmpFile);
    }
    // 11. Body.
    const std::string_view body_bytes = copy_body(trigger);
    // 12. A unit that the parse left unfinished (a syntax error) has a body without its
    // closing lines: its last line is ended before "show errors;".
    if (begin_printed != 0) {
        if (!body_bytes.empty() && body_bytes.back() != '\n')
            fputc('\n', tmpFile);
        fputs("show errors;\n", tmpFile);
    }
    // 13. Support functions.
    if (ibasechar != 0 || ibitnand != 0)
        support_function(basechar_text);
    if (ibitnand != 0)
        support_function(bitnand_text);
    if (icharbase != 0 || ibitnand != 0)
        support_function(charbase_text);
    if (ipatindex != 0)
        support_function(patindex_text);
    // 14. The work files live in memory: closing removes them.
    close_work_files();
}
