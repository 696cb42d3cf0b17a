// Error handling of the source's newer servers: TRY ... CATCH blocks become a block with an
// exception handler, THROW raises an application error (a bare THROW re-raises), and the
// error functions of a CATCH body read the exception being handled.
#pragma once

#include "grammar.tab.h" // the token numbers of the keywords

// BEGIN TRY and the BEGINs after it (`opt_begin`): opens the block whose handler is the CATCH.
void err_try_begin(const char *opt_begin);
// END TRY BEGIN CATCH and the BEGINs after it: the block's "EXCEPTION WHEN OTHERS THEN".
void err_catch_begin(const char *opt_begin);
// END CATCH: closes the block; then as after any statement (the BEGINs `opt_begin` after it).
void err_catch_end(const char *opt_begin);
// THROW number, message, state.
void err_throw(const char *number, const char *message, const char *state);
// THROW without arguments: re-raises the exception of the enclosing CATCH.
void err_rethrow();
// Whether the word THROW, followed by the character `after` (after its blanks), begins a THROW
// statement where the grammar takes one: inside a CATCH body, or before its number (a digit,
// a sign or a variable). Elsewhere it is a name (an alias "t throw" ends a statement there).
bool err_throw_follows(int after);
// ERROR_NUMBER(), ERROR_MESSAGE(), ERROR_LINE(), ERROR_SEVERITY(), ERROR_STATE(),
// ERROR_PROCEDURE(): their target text into `dst`; false (nothing written) for another name.
bool err_function(char *dst, const char *name, const char *args);
// True while a statement stands inside a TRY body: an error that its own handler records in
// the status variables must go on to the CATCH, so that handler re-raises it.
bool err_in_try();
// Whether the statement being read is a query, an INSERT, an UPDATE or a DELETE (its words
// as the scanner reads them): there the target's SQLCODE and SQLERRM cannot be read, so the
// error functions read locals that a line before the statement sets.
extern bool sql_statement;
// A keyword `token` read by the scanner: the words that begin a query or a data change, and
// those that begin the other statements, tell where the error functions stand. (Inline: the
// scanner calls it for every keyword.)
inline void err_statement_word(int token) {
    switch (token) {
    case SELECT:
    case INSERT:
    case UPDATE:
    case DELETE:
        sql_statement = true;
        break;
    case IF:
    case WHILE:
    case ELSE:
    case PRINT:
    case RAISERROR:
    case RETURN_CLAUSE:
    case EXECUTE:
    case DECLARE:
    case BEGIN_CLAUSE:
    case END_CLAUSE:
        sql_statement = false;
        break;
    default:
        break;
    }
}
// The TRY state of a new unit: no block open.
void err_reset();
