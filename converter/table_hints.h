// Table hints (FROM t (INDEX x), t WITH (NOLOCK), t (NOLOCK)): the target chooses its own
// access paths and locks, so a hint is dropped with a diagnostic.
#pragma once

// Rules 548, 549: the hint text `hints`; writes the diagnostic and yields an empty text.
void qry_table_hint(char *dst, const char *hints);
