// Reserved words of the target: a label, parameter or variable of the source named like one
// gets a fixed suffix wherever the output names it.
#include "reserved.h"

#include <cstring>
#include <utility>
#include <vector>

const char *const target_reserved_words[] = {
    "ACCESS",    "ADD",      "ALL",        "ALTER",     "AND",        "ANY",        "AS",
    "ASC",       "AT",       "AUDIT",      "BEGIN",     "BETWEEN",    "BY",         "CASE",
    "CHAR",      "CHECK",    "CLUSTER",    "CLUSTERS",  "COLAUTH",    "COLUMN",     "COLUMNS",
    "COMMENT",   "COMPRESS", "CONNECT",    "CRASH",     "CREATE",     "CURRENT",    "CURSOR",
    "DATE",      "DECIMAL",  "DECLARE",    "DEFAULT",   "DELETE",     "DESC",       "DISTINCT",
    "DROP",      "ELSE",     "END",        "EXCEPTION", "EXCLUSIVE",  "EXISTS",     "FETCH",
    "FILE",      "FLOAT",    "FOR",        "FROM",      "FUNCTION",   "GOTO",       "GRANT",
    "GROUP",     "HAVING",   "IDENTIFIED", "IF",        "IMMEDIATE",  "IN",         "INCREMENT",
    "INDEX",     "INDEXES",  "INITIAL",    "INSERT",    "INTEGER",    "INTERSECT",  "INTO",
    "IS",        "LEVEL",    "LIKE",       "LOCK",      "LONG",       "MAXEXTENTS", "MINUS",
    "MLSLABEL",  "MODE",     "MODIFY",     "NOAUDIT",   "NOCOMPRESS", "NOT",        "NOTFOUND",
    "NOWAIT",    "NULL",     "NUMBER",     "OF",        "OFFLINE",    "ON",         "ONLINE",
    "OPTION",    "OR",       "ORDER",      "OVERLAPS",  "PCTFREE",    "PRIOR",      "PRIVILEGES",
    "PROCEDURE", "PUBLIC",   "RAW",        "RENAME",    "RESOURCE",   "REVOKE",     "ROW",
    "ROWID",     "ROWNUM",   "ROWS",       "SELECT",    "SESSION",    "SET",        "SHARE",
    "SIZE",      "SMALLINT", "SQL",        "START",     "SUBTYPE",    "SUCCESSFUL", "SYNONYM",
    "SYSDATE",   "TABAUTH",  "TABLE",      "THEN",      "TO",         "TRIGGER",    "TYPE",
    "UID",       "UNION",    "UNIQUE",     "UPDATE",    "USER",       "VALIDATE",   "VALUES",
    "VARCHAR",   "VARCHAR2", "VIEW",       "VIEWS",     "WHEN",       "WHENEVER",   "WHERE",
    "WITH"};
const int target_reserved_count =
    static_cast<int>(sizeof target_reserved_words / sizeof target_reserved_words[0]);

const char *const RESERVED_SUFFIX = "_";

namespace {

// The longest reserved word; a longer name is none.
constexpr size_t RESERVED_LONGEST = 10;

// The table's words grouped by first letter, each with its length: built once, so that a name
// is compared with the few words of its letter and length instead of the whole table.
struct reserved_index {
    std::vector<std::pair<const char *, size_t>> by_letter[26];
    reserved_index() {
        for (int i = 0; i < target_reserved_count; i++) {
            const char *w = target_reserved_words[i];
            by_letter[w[0] - 'A'].emplace_back(w, strlen(w));
        }
    }
};

} // namespace

bool target_reserved(const std::string &name) {
    // The name as far as its first NUL, letters compared in any case (ASCII only).
    const size_t n = strnlen(name.c_str(), name.size());
    if (n == 0 || n > RESERVED_LONGEST)
        return false;
    char upper[RESERVED_LONGEST];
    for (size_t i = 0; i < n; i++) {
        const char c = name[i];
        upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (upper[0] < 'A' || upper[0] > 'Z')
        return false;
    static const reserved_index index;
    for (const auto &w : index.by_letter[upper[0] - 'A'])
        if (w.second == n && memcmp(w.first, upper, n) == 0)
            return true;
    return false;
}

std::string reserved_rename(const std::string &name) {
    return target_reserved(name) ? name + RESERVED_SUFFIX : name;
}
