// DECLARE @x int = value: the variable is declared like any other, and the value is assigned
// where the DECLARE stands, so that it is computed there each time the statement runs (in a
// loop, after the statements before it), as the source does.
#pragma once

// The declaration `declared` (rule 57's text: the name, a blank, a tab and the type) takes
// `value`: the assignment as a body line.
void decl_initial_value(const char *declared, const char *value);
