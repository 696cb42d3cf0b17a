// Control-flow statements: the target text of BREAK, WAITFOR, PRINT, labels, GOTO, CONTINUE,
// RETURN, RAISERROR (with its arguments substituted into the message) and EXECUTE, and the
// calls into the block stack after each statement, END and ELSE.
#include "control.h"
#include "dynamic_sql.h"
#include "error_handling.h"

#include "blockstack.h"
#include "conv72.h"
#include "convstate.h"
#include "diagnostics.h"
#include "output.h"
#include "parser.h"
#include "placeholder.h"
#include "prefix_clash.h"
#include "reserved.h"
#include "textwalk.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

namespace {

bool empty(const char *s) {
    return s == nullptr || s[0] == '\0';
}

// `s`, or "" for nullptr: a value read in place.
const char *or_empty(const char *s) {
    return s != nullptr ? s : "";
}

// "START" in any letter case gets the suffix "1"; any other reserved word of the target the
// suffix of renamed names.
std::string label_name(std::string name) {
    if (strcasecmp(name.c_str(), "START") == 0)
        return name + "1";
    return reserved_rename(name);
}

// A numbered diagnostic as its own body line (a comment) and in the log.
void note_line(diag kind, diag_args args = {}) {
    statement(diagnose(kind, yylineno, args));
}

// The next empty placeholder slot of a converted message at or after `from`, outside its
// string literals: "|| ||" between two pieces, or "||" ending the message. npos when none.
size_t next_slot(const std::string &msg, size_t from) {
    sql_position at;
    for (size_t i = 0; i < msg.size(); at.step(msg[i]), i++) {
        if (msg[i] != '|' || i < from || at.quoted() || msg.compare(i, 2, "||") != 0)
            continue;
        if (msg.compare(i, 5, "|| ||") == 0 || i + 2 == msg.size())
            return i;
    }
    return std::string::npos;
}

// A message whose placeholders take PRINT's arguments in order, as the placeholder routine
// fills them when the arguments follow the literal: "'a '|| ||'b'" with x gives
// "'a '|| x ||'b'". A slot that opens the message takes its argument without the "||" before
// it. Arguments left without a slot come back in `extra`.
std::string fill_slots(std::string msg, const std::vector<std::string> &args,
                       std::vector<std::string> &extra) {
    size_t from = 0;
    for (size_t a = 1; a < args.size(); a++) {
        const size_t slot = next_slot(msg, from);
        if (slot == std::string::npos) {
            extra.push_back(args[a]);
            continue;
        }
        const bool closes = msg.compare(slot, 5, "|| ||") == 0;
        const std::string arg = message_argument(args[a]);
        std::string piece = slot == 0 ? arg : "|| " + arg;
        if (closes)
            piece += " ||";
        msg.replace(slot, closes ? 5 : 2, piece);
        from = slot + piece.size();
    }
    return msg;
}

// The empty slots left in a converted message (placeholders without an argument) taken out,
// so that the concatenation is complete: "'a '|| ||'b'" gives "'a '||'b'", "'a '||" gives
// "'a '". `closed` counts them.
std::string close_slots(std::string msg, int &closed) {
    for (size_t slot = next_slot(msg, 0); slot != std::string::npos; slot = next_slot(msg, 0)) {
        closed++;
        if (msg.compare(slot, 5, "|| ||") != 0)
            msg.erase(slot, 2); // the message's end
        else if (slot == 0)
            msg.erase(0, 5);
        else
            msg.replace(slot, 5, "||");
    }
    while (!msg.empty() && msg.back() == ' ')
        msg.pop_back();
    return msg.empty() ? "''" : msg;
}

// A message that is one string literal without a "%" (PRINT 'done'): the placeholder routine
// gives it back as it is, it has no slot to close and no argument follows it, so it is written
// as read.
bool plain_message(const std::string &text) {
    if (text.size() < 2 || text.size() > static_cast<size_t>(YYVALMAX) || text[0] != '\'' ||
        text.find('%') != std::string::npos)
        return false;
    return literal_end(text) + 1 == text.size();
}

// The diagnostics of a converted message, written after its statement.
void note_message(const placeholder_report &report, int closed) {
    for (const std::string &text : report.unknown)
        note_line(diag::placeholder_unrecognised, {text});
    if (closed > 0)
        note_line(diag::placeholder_empty);
}

// The report of the RAISERROR message converted last (rule 119), for its statement.
placeholder_report raiserror_report;

} // namespace

int ctl_lookahead() {
    // Without an open source there is nothing to read (a parser test feeding its own tokens):
    // no look-ahead, as at the end of the input.
    if (yychar < 0 && yyin == nullptr)
        return 0;
    if (yychar < 0) {
        yychar = yylex();
        if (yychar < 0)
            yychar = 0;
        if (yydebug) // the -D trace shows every token read, as the parser's own reads do
            printf("Received token %s\n", yytoken_name(yychar));
    }
    return yychar;
}

void ctl_opt_begin(char *dst, int count) {
    no_of_begin = static_cast<int16_t>(count);
    begins_read(count);
    val_set(dst, "BEGIN");
}

void ctl_statement_end(const char *opt_begin) {
    clash_statement_end();
    which_literal = 0; // a string literal of this statement does not make a later "+" a "||"
    check_for_end(or_empty(opt_begin), ctl_lookahead());
}

void ctl_while_end() {
    which_literal = 0;
    const bool one = while_cnt == 1;
    if (one)
        while_cnt = -1;
    check_for_end("", ctl_lookahead());
    if (one)
        while_cnt = 1;
}

void ctl_end(const char *opt_begin) {
    // Once something was written the unit's body block is on the stack until its END: an END
    // with no block open is one too many.
    if (end_is_surplus())
        surplus_end();
    else
        action_for_end(ctl_lookahead());
    if (empty(opt_begin))
        return;
    for (int i = 1; i <= no_of_begin; i++) {
        print_tabs();
        fputs("BEGIN", yyout);
        no_of_tabs++;
        push(BLK_BEGIN);
    }
    block_opened();
}

// The scanner sets inIF (inWhile) when it reads the word IF (WHILE), so that an "=" of the
// condition is a comparison; the block routines clear it once the condition is converted. An IF
// (WHILE) directly in this one's body may already be the look-ahead, its word read and its
// flag set for its own condition: the flag stays set for it.
void ctl_if(const char *keyword, const char *condition, const char *opt_begin) {
    const bool inner = yychar == IF;
    action_for_if(keyword, condition, opt_begin);
    if (inner)
        inIF = 1;
}

void ctl_while(const char *keyword, const char *condition, const char *opt_begin) {
    const bool inner = yychar == WHILE;
    action_for_while(keyword, condition, opt_begin);
    if (inner)
        inWhile = 1;
}

void ctl_else(const char *opt_begin) {
    action_for_else(or_empty(opt_begin), ctl_lookahead());
}

// BREAK and CONTINUE act on the innermost open loop. With no loop open there is nothing to
// leave and no loop label to jump to: the statement becomes NULL; with a diagnostic.
static bool outside_loop(const char *word) {
    if (innermost_loop_label() != 0)
        return false;
    note_line(diag::outside_loop, {word});
    statement("NULL;");
    return true;
}

// BREAK keeps firstTime, except as the unit's first statement: there it opens the body like
// any first statement, so that EXIT stands after the unit's BEGIN.
void ctl_break() {
    if (outside_loop("BREAK"))
        return;
    statement("EXIT;", begin_printed != 0);
}

// WAITFOR clears firstTime like every statement that writes a line: as a unit's first
// statement it opens the body, so its SLEEP stands after BEGIN and the unit gets its head.
namespace {

// A literal delay 'hh:mm:ss[.mmm]' (or 'hh:mm') in seconds ("2", "3723.5"); "" for any other
// text: a variable, an expression, a literal out of range.
std::string delay_seconds(const std::string &delay) {
    if (delay.size() < 3 || delay.front() != '\'' || delay.back() != '\'')
        return std::string();
    const std::string t = delay.substr(1, delay.size() - 2);
    long parts[3] = {0, 0, 0};
    int count = 0;
    size_t i = 0;
    while (count < 3) {
        const size_t start = i;
        long v = 0;
        while (i < t.size() && i - start < 2 && isdigit(static_cast<unsigned char>(t[i])))
            v = v * 10 + (t[i++] - '0');
        if (i == start)
            return std::string();
        parts[count++] = v;
        if (i == t.size() || t[i] != ':')
            break;
        i++;
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return std::string();
    std::string fraction;
    if (i < t.size() && t[i] == '.' && count == 3) {
        i++;
        while (i < t.size() && fraction.size() < 3 && isdigit(static_cast<unsigned char>(t[i])))
            fraction += t[i++];
        if (fraction.empty())
            return std::string();
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
    }
    if (i != t.size())
        return std::string();
    const long seconds = parts[0] * 3600 + parts[1] * 60 + parts[2];
    return std::to_string(seconds) + (fraction.empty() ? "" : "." + fraction);
}

} // namespace

void ctl_waitfor(const char *delay) {
    const std::string d = str(delay), seconds = delay_seconds(d);
    if (!seconds.empty()) {
        statement("DBMS_LOCK.SLEEP(" + seconds + ");");
        return;
    }
    note_line(diag::waitfor_delay);
    statement("DBMS_LOCK.SLEEP(0 /* " + d + " */);");
}

void ctl_print(const char *list) {
    // The message literal at the head of the list has its placeholders turned into slots;
    // with arguments after it, the slots take them in order and the arguments are not written
    // again. Arguments that find no slot are not written (PUT_LINE takes one argument).
    std::string text = str(list);
    if (plain_message(text)) {
        statement("DBMS_OUTPUT.PUT_LINE(" + text + ") ;");
        return;
    }
    const std::vector<std::string> items = top_level_items(text);
    std::string message;
    placeholder_report report;
    int closed = 0;
    std::vector<std::string> extra;
    if (items.size() > 1 && !items[0].empty() && items[0][0] == '\'')
        message = ProcessPlaceholder(items[0].c_str(), &report);
    if (!message.empty() && next_slot(message, 0) != std::string::npos) {
        text = close_slots(fill_slots(message, items, extra), closed);
    } else if (text.size() >= 2 && text[0] == '\'') {
        // The literal ends at its closing quote, not at a doubled quote inside it.
        const size_t close = literal_end(text);
        if (close != std::string::npos && close + 1 == text.size()) {
            text = close_slots(ProcessPlaceholder(text.c_str(), &report), closed);
        } else if (close != std::string::npos && text[close + 1] == ',') {
            // A message literal without placeholders, converted above, with arguments after
            // it: PUT_LINE takes one argument, so they are left out, each with a diagnostic.
            text = close_slots(message, closed);
            extra.assign(items.begin() + 1, items.end());
        }
    }
    for (const std::string &arg : extra)
        note_line(diag::print_argument, {arg});
    note_message(report, closed);
    statement("DBMS_OUTPUT.PUT_LINE(" + text + ") ;");
}

void ctl_label(const char *label) {
    std::string name = str(label);
    if (!name.empty())
        name.pop_back(); // the colon
    const std::string target = label_name(name);
    if (target != name && strcasecmp(name.c_str(), "START") != 0)
        note_line(diag::reserved_rename, {"Label", name, target});
    statement("<<" + target + ">>");
}

void ctl_goto(const char *target) {
    statement("GOTO " + label_name(str(target)) + ";");
}

void ctl_continue() {
    if (outside_loop("CONTINUE"))
        return;
    statement("GOTO i_loop" + std::to_string(innermost_loop_label()) + ";");
}

void ctl_return(const char *value) {
    const std::string v = str(value);
    if (!v.empty())
        isFunction1 = 1;
    if (v.empty() && function != 0) {
        statement("RETURN " + std::string(RetCode) + ";");
    } else if (procedure != 0 && default_opt == 0) {
        statement("RETURN /*" + v + "*/;");
    } else {
        if (!v.empty())
            isFunction = 1;
        statement("RETURN " + v + ";");
    }
}

void ctl_message(char *dst, const char *literal) {
    raiserror_report = placeholder_report();
    val_set(dst, ProcessPlaceholder(literal, &raiserror_report));
}

void ctl_substitute(char *dst, const char *message, const char *args) {
    std::string msg = str(message);
    // Only the commas between arguments separate them: SUBSTRING(s, 1, 2) is one argument.
    const std::vector<std::string> items = top_level_items(str(args));
    for (size_t i = 0; i < items.size(); i++) {
        const std::string arg = message_argument(items[i]);
        const bool last = i + 1 == items.size();
        // Only a slot outside the message's literals takes an argument: a "|| ||" or "||" of
        // the message's own text stays as it is.
        const size_t m = find_outside_literals(msg, "|| ||");
        if (m != std::string::npos)
            msg = msg.substr(0, m) + " || " + arg + msg.substr(m + 2);
        else if (last && find_outside_literals(msg, "||") != std::string::npos)
            msg += " || " + arg;
    }
    val_set(dst, msg.c_str());
}

void ctl_raiserror(const char *code, const char *message, const char *args) {
    static char msg[YYVALSIZE];
    // RAISERROR (message, severity, state, arguments...): the placeholders, numbered or typed,
    // take the arguments after the severity and the state.
    std::string rest;
    if (code == nullptr && args != nullptr) {
        const std::vector<std::string> items = top_level_items(args);
        for (size_t i = 2; i < items.size(); i++)
            rest += (i > 2 ? "," : "") + items[i];
        args = items.size() > 2 ? rest.c_str() : nullptr;
    }
    // Slots that no argument fills are taken out (an argument after a slot that ends the
    // message stands after an empty slot too).
    int slots = 0;
    const std::string converted = str(message);
    for (size_t s = next_slot(converted, 0); s != std::string::npos;
         s = next_slot(converted, s + 2))
        slots++;
    const int given = args != nullptr ? static_cast<int>(top_level_items(args).size()) : 0;
    if (args != nullptr)
        ctl_substitute(msg, message, args);
    else
        val_set(msg, converted.c_str());
    int closed = 0;
    if (msg[0] != '\0')
        val_set(msg, close_slots(msg, closed).c_str());
    note_message(raiserror_report, slots > given ? slots - given : 0);
    raiserror_report = placeholder_report();
    std::string text = "raise_application_error(-20999, ";
    if (code != nullptr) {
        text += str(code) + " || '-'";
        if (msg[0] != '\0')
            text += std::string(" || ") + msg;
    } else {
        text += msg[0] != '\0' ? std::string(msg) : std::string("'ERROR'");
    }
    text += ");";
    statement(text);
}

void ctl_execute_word() {
    inExecute = 1;
}

void ctl_retval(char *dst, const char *variable) {
    val_printf(dst, "%s := ", or_empty(variable));
}

void ctl_sp_name(char *dst, const char *const *parts, int count) {
    // parts: name; owner, name; database, owner, name; server, database, owner, name.
    if (count == 4) { // a procedure of another server: called over a database link
        stm_remote_name(dst, parts, count);
        return;
    }
    const char *owner = count >= 2 ? parts[count - 2] : "";
    const char *name = parts[count - 1];
    if (count == 1 || empty(owner) || (count >= 3 && strcmp(owner, "dbo") == 0))
        val_set(dst, or_empty(name));
    else
        val_printf(dst, "%s.%s", owner, or_empty(name));
}

void ctl_execute_param(char *dst, const char *expr) {
    // A named parameter (@p = value) loses what stands before the first dot of its name.
    const char *e = or_empty(expr);
    const char *eq = strchr(e, '=');
    if (eq != nullptr) {
        const char *dot = strchr(e, '.');
        if (dot != nullptr && dot < eq)
            e = dot + 1;
    }
    val_set(dst, e);
}

void ctl_execute(const char *retval, const char *name, const char *params) {
    if (stm_sp_executesql(name, params))
        return;
    firstTime = 0;
    print_tabs();
    put_text("BEGIN", yyout);
    print_tabs();
    const std::string p = str(params);
    if (strcasecmp(or_empty(name), "sp_recompile") == 0 && !p.empty()) {
        // A name given as a string literal goes in without its own quotes, so that the
        // call stays well-formed: UPPER('orders'), not UPPER(''orders'').
        std::string object = p;
        if (object.size() >= 2 && object.front() == '\'' && object.back() == '\'')
            object = object.substr(1, object.size() - 2);
        fputs("DBMS_DDL.ALTER_COMPILE(", yyout);
        fprintf(yyout, "'PROCEDURE', NULL, UPPER('%s'))", object.c_str());
        fputs(";", yyout);
    } else if (p.empty()) {
        put_text(or_empty(retval), yyout);
        put_text(or_empty(name), yyout);
        put_char(';', yyout);
    } else {
        put_text(or_empty(retval), yyout);
        put_text(or_empty(name), yyout);
        put_char('(', yyout);
        // Each argument after the first on its own line: a break after the commas that
        // separate arguments only, not after one inside a string literal ('a,b' keeps its
        // value) or inside parentheses (a function call's own arguments). The text up to
        // each break is written at once.
        sql_position at;
        size_t written = 0;
        for (size_t i = 0; i < p.size(); i++) {
            at.step(p[i]);
            if (at.top() && p[i] == ',') {
                put_bytes(p.data() + written, i + 1 - written, yyout);
                written = i + 1;
                print_tabs();
            }
        }
        put_bytes(p.data() + written, p.size() - written, yyout);
        put_text(");", yyout);
    }
    ctl_call_end();
}

void ctl_call_end() {
    if (noexception == 1) {
        print_tabs();
        put_text("EXCEPTION", yyout);
        no_of_tabs++;
        print_tabs();
        put_text("WHEN OTHERS THEN", yyout);
        no_of_tabs++;
        print_tabs();
        put_text("Tarn_error := SQLCODE;\n", yyout);
        print_tabs();
        put_text("Tarn_errmsg := SQLERRM;\n", yyout);
        if (err_in_try()) { // the called procedure's error goes on to the CATCH
            print_tabs();
            put_text("RAISE;", yyout);
        }
        no_of_tabs -= 2;
    }
    print_tabs();
    put_text("END;", yyout);
    if (ctl_lookahead() != EXECUTE)
        inExecute = 0;
}
