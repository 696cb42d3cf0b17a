// Helpers of the grammar and parser tests: a token-list lexer for yyparse (so the grammar is
// tested apart from the scanner) and runs of yyparse with the trace and yyerror's report
// captured.
#pragma once

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "convstate.h"
#include "parser.h"

namespace grammar_test {

struct token {
    int number;
    std::string text;
};

// Token number of a grammar token name ("SELECT", "NULLX"), -1 when there is none.
inline int token_number(const std::string &name) {
    static std::map<std::string, int> numbers;
    if (numbers.empty()) {
        for (int t = 1; t <= 411; t++) {
            const char *n = yytoken_name(t);
            if (strcmp(n, "-unknown-") != 0)
                numbers[n] = t;
        }
    }
    auto it = numbers.find(name);
    return it == numbers.end() ? -1 : it->second;
}

// Reads a program written as words separated by blanks:
//   SELECT, NULLX, BEGIN_CLAUSE ...  the grammar token of that name (text: the name)
//   TOKEN:text                       that token with that text (FUNC:count, USER_TYPE:mytype)
//   @name                            PARAMETER          'text' (no blanks)   STRING
//   123                              INTNUM             1.5                  APPROXNUM
//   lower-case word                  NAME               word:                LABEL
//   < > <= >= <> !=                  COMPARISON         *= =*                JOIN
//   one of = + - * / % & | ^ ~ ( ) , . ;                the character token
inline std::vector<token> tokens_of(const std::string &program) {
    std::vector<token> out;
    size_t i = 0;
    while (i < program.size()) {
        while (i < program.size() && isspace(static_cast<unsigned char>(program[i])))
            i++;
        size_t j = i;
        while (j < program.size() && !isspace(static_cast<unsigned char>(program[j])))
            j++;
        if (j == i)
            break;
        std::string w = program.substr(i, j - i);
        i = j;
        size_t colon = w.find(':');
        if (colon != std::string::npos && colon > 0 && colon + 1 < w.size() &&
            token_number(w.substr(0, colon)) > 0) {
            out.push_back({token_number(w.substr(0, colon)), w.substr(colon + 1)});
        } else if (token_number(w) > 0 && isupper(static_cast<unsigned char>(w[0]))) {
            out.push_back({token_number(w), w});
        } else if (w[0] == '@') {
            out.push_back({PARAMETER, w});
        } else if (w[0] == '\'') {
            out.push_back({STRING, w});
        } else if (isdigit(static_cast<unsigned char>(w[0]))) {
            out.push_back({w.find('.') != std::string::npos ? APPROXNUM : INTNUM, w});
        } else if (w == "<" || w == ">" || w == "<=" || w == ">=" || w == "<>" || w == "!=") {
            out.push_back({COMPARISON, w});
        } else if (w == "*=" || w == "=*") {
            out.push_back({JOIN, w});
        } else if (w.size() == 1 && strchr("=+-*/%&|^~(),.;", w[0]) != nullptr) {
            out.push_back({static_cast<unsigned char>(w[0]), w});
        } else if (w.back() == ':') {
            out.push_back({LABEL, w});
        } else {
            out.push_back({NAME, w});
        }
    }
    return out;
}

// The token list yyparse reads through token_lex.
inline std::vector<token> &pending() {
    static std::vector<token> list;
    return list;
}
inline size_t &next_index() {
    static size_t next = 0;
    return next;
}

inline int token_lex() {
    std::vector<token> &list = pending();
    size_t &next = next_index();
    if (next >= list.size())
        return 0;
    const token &t = list[next++];
    set_yylval(t.text.data(), t.text.size());
    return t.number;
}

struct parse_result {
    int rc = -1;
    std::string trace;        // standard output: the -D trace
    std::string err;          // standard error: yyerror's report
    std::vector<int> reduced; // rule numbers in the order of reduction (from the trace)
    size_t tokens_read = 0;

    // Position of the first reduction by `rule` (npos when none).
    size_t first(int rule) const {
        for (size_t k = 0; k < reduced.size(); k++)
            if (reduced[k] == rule)
                return k;
        return std::string::npos;
    }
    bool has(int rule) const { return first(rule) != std::string::npos; }
};

// Contents of a stdio stream written through file descriptor `fd` into `tmp`.
inline std::string read_back(FILE *tmp) {
    std::string s;
    fflush(tmp);
    rewind(tmp);
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, tmp)) > 0)
        s.append(buf, n);
    return s;
}

// Parses `list` with yydebug as given, with the standard streams captured. The work files are
// set aside: end_of_input is set (no close/open of work files between units), fpLog is null,
// and the actions write the body, parameter, declaration and package texts into scratch files
// that are dropped after the parse. yyin is null during the parse, so that an action that
// wants a look-ahead reads none from the scanner.
inline parse_result parse_tokens(const std::vector<token> &list, int debug = 1) {
    parse_result r;
    pending() = list;
    next_index() = 0;
    FILE *saved_yyout = yyout, *saved_log = fpLog, *saved_fp1 = fp1, *saved_fp2 = fp2,
         *saved_fp72 = fp72, *saved_yyin = yyin;
    int16_t saved_end = end_of_input;
    yyout = tmpfile();
    fp1 = tmpfile();
    fp2 = tmpfile();
    fp72 = tmpfile();
    yyin = nullptr;
    fpLog = nullptr;
    end_of_input = 1;

    fflush(nullptr);
    FILE *out = tmpfile(), *err = tmpfile();
    int saved_1 = dup(1), saved_2 = dup(2);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    yydebug = debug;
    yyparse_set_lexer(token_lex);
    r.rc = yyparse();
    yyparse_set_lexer(nullptr);
    yydebug = 0;
    fflush(nullptr);
    dup2(saved_1, 1);
    dup2(saved_2, 2);
    close(saved_1);
    close(saved_2);
    r.trace = read_back(out);
    r.err = read_back(err);
    fclose(out);
    fclose(err);

    for (FILE *scratch : {yyout, fp1, fp2, fp72})
        if (scratch != nullptr)
            fclose(scratch);
    yyout = saved_yyout;
    fp1 = saved_fp1;
    fp2 = saved_fp2;
    fp72 = saved_fp72;
    yyin = saved_yyin;
    fpLog = saved_log;
    end_of_input = saved_end;
    r.tokens_read = next_index();
    size_t at = 0;
    const std::string key = "Reduce by (";
    while ((at = r.trace.find(key, at)) != std::string::npos) {
        at += key.size();
        r.reduced.push_back(atoi(r.trace.c_str() + at));
    }
    return r;
}

inline parse_result parse(const std::string &program, int debug = 1) {
    return parse_tokens(tokens_of(program), debug);
}

// A procedure around a body.
inline std::string proc(const std::string &body) {
    return "CREATE_PROC p AS " + body;
}

} // namespace grammar_test
