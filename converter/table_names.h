// Tables and column references (rules 478-490), the names under which a statement reaches
// temporary tables and trigger pseudo tables, and the naming of the unit's DDL file.
//
// `dst` is always a value buffer of YYVALSIZE bytes (parser.h); the routines never write more.
#pragma once

#include <string>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Tables (rules 478-485) and column references (rules 486-490).
// ---------------------------------------------------------------------------------------------
void qry_table(char *dst, const char *owner, const char *table, const char *alias);
// A column named in a column list, a column definition or an UPDATE assignment (rule 507).
void qry_column_name(char *dst, const char *name);
void qry_column_ref(char *dst, const char *qualifier, const char *column);

// ---------------------------------------------------------------------------------------------
// Temporary tables: every session's rows share one permanent table, told apart by its SESSID
// column.
// ---------------------------------------------------------------------------------------------
// Whether `name` is one of the statement's temporary tables (tmp_list).
bool is_temp_table(const std::string &name);
// The temporary-table filter: for the first (or every) tmp_list entry named in `text`, the
// condition gets "<entry>.SESSID = USERENV('SESSIONID')" (with the table's alias where it has
// one, and with "(+)" where the table is the inner table of an outer join, so the join stays
// outer). `where` is this statement's own WHERE clause value; it becomes "WHERE <condition>"
// (also kept in where_str) when an entry matched, and is returned unchanged otherwise.
std::string temp_filter(const char *text, std::string where, bool every);
inline std::string temp_filter(const std::string &text, std::string where, bool every) {
    return temp_filter(text.c_str(), std::move(where), every);
}

// ---------------------------------------------------------------------------------------------
// Trigger pseudo tables.
// ---------------------------------------------------------------------------------------------
// In a trigger, qualifiers that name a pseudo table (":OLD", ":NEW" or an alias of one in
// tab_list or in the FROM list of this query level or an outer one) become ":OLD." /
// ":NEW.", and so do the unqualified columns of a query whose only table is a pseudo table;
// everything else stays in place. Outside a trigger the text is returned as it is.
std::string trigger_qualifiers(std::string text);

// ---------------------------------------------------------------------------------------------
// DDL naming.
// ---------------------------------------------------------------------------------------------
// A select list for a table definition: a quoted name that is a plain identifier and no
// reserved word ("cnt", "Total") loses its quotes, so that the table's column is the name
// that the unit's statements write unquoted.
std::string ddl_column_names(const std::string &list);
