// Reserved words of the target: a label, parameter or variable of the source named like one
// gets a fixed suffix wherever the output names it.
#include "reserved.h"

#include <cstdint>
#include <cstring>

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

// A name of up to 16 characters, upper-cased and padded with NULs, as two 8-byte words.
struct packed_name {
    uint64_t lo = 0, hi = 0;
};

size_t slot_of(const packed_name &k, size_t mask) {
    return static_cast<size_t>((k.lo * 0x9E3779B97F4A7C15ULL + k.hi * 0xC2B2AE3D27D4EB4FULL) >>
                               32) &
           mask;
}

// The table's words in an open-addressed hash table of their packed forms, built once: a name
// is packed and looked for in one or two slots instead of compared with the words of its
// letter. A slot whose lo is 0 is empty (no word packs to 0).
struct reserved_index {
    static constexpr size_t SLOTS = 512;
    packed_name slot[SLOTS];
    // Bit n of lengths[l]: some word of first letter 'A' + l has n characters.
    uint16_t lengths[26] = {};
    // Built out of line: the lookup's registers stay free of it.
    __attribute__((noinline)) reserved_index() {
        for (int i = 0; i < target_reserved_count; i++) {
            const char *w = target_reserved_words[i];
            char bytes[16] = {};
            memcpy(bytes, w, strlen(w));
            packed_name k;
            memcpy(&k.lo, bytes, 8);
            memcpy(&k.hi, bytes + 8, 8);
            size_t at = slot_of(k, SLOTS - 1);
            while (slot[at].lo != 0)
                at = (at + 1) & (SLOTS - 1);
            slot[at] = k;
            lengths[w[0] - 'A'] = static_cast<uint16_t>(lengths[w[0] - 'A'] | 1u << strlen(w));
        }
    }
};

} // namespace

bool target_reserved(const std::string &name) {
    // The name as far as its first NUL, letters compared in any case (ASCII only).
    const char *s = name.data();
    const size_t limit = name.size() < RESERVED_LONGEST + 1 ? name.size() : RESERVED_LONGEST + 1;
    char bytes[16] = {};
    size_t n = 0;
    for (; n < limit && s[n] != '\0'; n++) {
        const char c = s[n];
        bytes[n] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (n == 0 || n > RESERVED_LONGEST || bytes[0] < 'A' || bytes[0] > 'Z')
        return false;
    static const reserved_index index;
    if ((index.lengths[bytes[0] - 'A'] >> n & 1u) == 0)
        return false; // no word of its first letter and length
    packed_name k;
    memcpy(&k.lo, bytes, 8);
    memcpy(&k.hi, bytes + 8, 8);
    for (size_t at = slot_of(k, reserved_index::SLOTS - 1);;
         at = (at + 1) & (reserved_index::SLOTS - 1)) {
        const packed_name &e = index.slot[at];
        if (e.lo == k.lo && e.hi == k.hi)
            return true;
        if (e.lo == 0)
            return false;
    }
}

std::string reserved_rename(const std::string &name) {
    return target_reserved(name) ? name + RESERVED_SUFFIX : name;
}
