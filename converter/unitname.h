// The unit name as the output writes it: the owner only on the CREATE line, the bare name
// everywhere else (END, qualified variables, the package), and a name that is not a plain
// identifier of the target as a double-quoted identifier.
#pragma once

#include <string>

// Records the name of the unit being converted (without quotes; owner nullptr or empty when
// the source names none). proc_name keeps the source form for the log and the DDL file name.
void unit_name_set(const std::string &owner, const std::string &name);

// True when `name` can stand unquoted: a letter, then letters, digits, "_", "$" or "#".
bool plain_identifier(const std::string &name);

// `name` itself when plain, else in double quotes.
std::string target_identifier(const std::string &name);

// The name on the CREATE line: owner and name, each as a target identifier.
std::string unit_head_name();
// The name everywhere else: the bare name as a target identifier. The text stays valid until
// the unit's name changes.
const std::string &unit_ref_name();
// The result-set package: the bare name cut to 27 characters followed by "Pkg", quoted as a
// whole when the name is not plain.
std::string unit_package_name();

// The procedure name cut to at most 27 characters, in a 30-byte buffer. The buffer belongs to
// a per-run pool: it stays valid until the end of the run (reset_conversion_state() or
// release_procname_pool() frees it), so callers never free it.
char *valid_procname(const char *name);
void release_procname_pool();
