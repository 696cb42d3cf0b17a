// Reserved words of the target: a label, parameter or variable of the source named like one
// gets a fixed suffix wherever the output names it.
#include "reserved.h"

#include <strings.h>

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

bool target_reserved(const std::string &name) {
    for (int i = 0; i < target_reserved_count; i++)
        if (strcasecmp(name.c_str(), target_reserved_words[i]) == 0)
            return true;
    return false;
}

std::string reserved_rename(const std::string &name) {
    return target_reserved(name) ? name + RESERVED_SUFFIX : name;
}
