// Option -N writes variables without the unit's name, so a variable named like a column
// would read as that column ("WHERE customer_id = customer_id" is true for every row). A
// variable whose bare name is a column name the unit has used keeps its prefix, with a
// diagnostic; a bare variable that a later column of the same statement turns out to share
// its name with gets a diagnostic as well.
#pragma once

#include <string>

// A column reference read (qualified or not): `column` is its column name.
void clash_column(const std::string &column);
// Whether the variable `bare` (a reference being written under -N) keeps the unit prefix.
bool clash_keeps_prefix(const std::string &bare);
// A statement ended: its diagnostics go to the body and the log; its lists are cleared.
void clash_statement_end();
// A new unit begins.
void clash_reset();
