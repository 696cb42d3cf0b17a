// Keyword table tests: the 207 slots, every keyword's token, the words that are
// not keywords, and the side effects of the lookup on the conversion state.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "convstate.h"
#include "keyword.h"
#include "parser.h"

namespace {

// The keyword table, written out again by hand (not from keyword.cpp).
struct group {
    int token;
    std::vector<std::string> words;
};

const std::vector<group> &spec_table() {
    static const std::vector<group> table = {
        {FUNC, {"ABS",         "ACOS",        "APP_NAME",  "ASCII",      "ASIN",      "ATAN",
                "ATN2",        "AVG",         "BASECHAR",  "BITAND",     "BITNAND",   "CEILING",
                "CHAR_LENGTH", "CHARBASE",    "CHARINDEX", "COL_LENGTH", "COL_NAME",  "CONVERT",
                "COS",         "COT",         "COUNT",     "DATALENGTH", "DATEADD",   "DATEDIFF",
                "DATENAME",    "DATEPART",    "DB_ID",     "DB_NAME",    "DEGREES",   "DIFFERENCE",
                "EXP",         "FLOOR",       "GETDATE",   "HOST_ID",    "HOST_NAME", "ISNULL",
                "LOG",         "LOG10",       "LOWER",     "LTRIM",      "MAX",       "MIN",
                "OBJECT_ID",   "OBJECT_NAME", "PATINDEX",  "PI",         "POWER",     "RADIANS",
                "RAND",        "READTEXT",    "REPLICATE", "REVERSE",    "RIGHT",     "ROUND",
                "RTRIM",       "SIGN",        "SIN",       "SOUNDEX",    "SPACE",     "SQRT",
                "STR",         "STUFF",       "SUBSTRING", "SUM",        "SUSER_ID",  "SUSER_NAME",
                "TAN",         "TEXTPTR",     "TEXTVALID", "UPPER",      "USER_ID",   "USER_NAME"}},
        {NUMERIC,
         {"BIT", "DECIMAL", "FLOAT", "MONEY_NOT_USED", "NUMERIC", "REAL", "SMALLMONEY",
          "TIMESTAMP_NOT_USED"}},
        {INTEGER, {"INT", "INTEGER", "SMALLINT", "TINYINT"}},
        {DATE, {"DATETIME", "DATE_NOT_USED"}},
        {CHARACTER, {"CHAR"}},
        {VARCHAR, {"VARCHAR"}},
        {VARBINARY, {"BINARY", "VARBINARY"}},
        {SMALLDATETIME, {"SMALLDATETIME"}},
        {SYSNAME, {"SYSNAME"}},
        {NULLX, {"NULL"}},
        {EXECUTE, {"EXEC", "EXECUTE"}},
        {TRANSACTION, {"TRAN", "TRANSACTION"}},
        {OUTPUT_VAR, {"OUT", "OUTPUT"}},
        {BEGIN_CLAUSE, {"BEGIN"}},
        {END_CLAUSE, {"END"}},
        {RETURN_CLAUSE, {"RETURN"}},
        {DELAYX, {"DELAY"}},
        {SQLSTATUS, {"@@SQLSTATUS"}},
        {FETCH_STATUS, {"@@FETCH_STATUS"}},
        {FIRST, {"FIRST"}},
        {LAST, {"LAST"}},
        {ALL, {"ALL"}},
        {AND, {"AND"}},
        {ANY, {"ANY"}},
        {AS, {"AS"}},
        {ASC, {"ASC"}},
        {BETWEEN, {"BETWEEN"}},
        {BREAK, {"BREAK"}},
        {BY, {"BY"}},
        {CASE, {"CASE"}},
        {CHECKALLOC, {"CHECKALLOC"}},
        {CHECKCATALOG, {"CHECKCATALOG"}},
        {CHECKDB, {"CHECKDB"}},
        {CHECKTABLE, {"CHECKTABLE"}},
        {CLOSE, {"CLOSE"}},
        {CLUSTERED, {"CLUSTERED"}},
        {COMMIT, {"COMMIT"}},
        {COMPUTE, {"COMPUTE"}},
        {CONTINUE, {"CONTINUE"}},
        {CREATE, {"CREATE"}},
        {CURRENT, {"CURRENT"}},
        {CURSOR, {"CURSOR"}},
        {DBCC, {"DBCC"}},
        {DBREPAIR, {"DBREPAIR"}},
        {DEALLOCATE, {"DEALLOCATE"}},
        {DECLARE, {"DECLARE"}},
        {DELETE, {"DELETE"}},
        {DESC, {"DESC"}},
        {DISTINCT, {"DISTINCT"}},
        {DROP, {"DROP"}},
        {DROPDB, {"DROPDB"}},
        {ELSE, {"ELSE"}},
        {EXISTS, {"EXISTS"}},
        {FAST, {"FAST"}},
        {FETCH, {"FETCH"}},
        {FILLFACTOR, {"FILLFACTOR"}},
        {FIX, {"FIX"}},
        {FIX_TEXT, {"FIX_TEXT"}},
        {FOR, {"FOR"}},
        {FROM, {"FROM"}},
        {FULL, {"FULL"}},
        {GO, {"GO"}},
        {GOTO, {"GOTO"}},
        {GRANT, {"GRANT"}},
        {GROUP, {"GROUP"}},
        {HAVING, {"HAVING"}},
        {HOLDLOCK, {"HOLDLOCK"}},
        {IDENTITY, {"IDENTITY"}},
        {IF, {"IF"}},
        {IGNORE_DUP_KEY, {"IGNORE_DUP_KEY"}},
        {IGNORE_DUP_ROW, {"IGNORE_DUP_ROW"}},
        {ALLOW_DUP_ROW, {"ALLOW_DUP_ROW"}},
        {IN, {"IN"}},
        {INDEX, {"INDEX"}},
        {INDEXALLOC, {"INDEXALLOC"}},
        {INSERT, {"INSERT"}},
        {INTO, {"INTO"}},
        {IS, {"IS"}},
        {LIKE, {"LIKE"}},
        {NEXT, {"NEXT"}},
        {NOFIX, {"NOFIX"}},
        {NONCLUSTERED, {"NONCLUSTERED"}},
        {NOT, {"NOT"}},
        {OF, {"OF"}},
        {ON, {"ON"}},
        {ONLY, {"ONLY"}},
        {OPEN, {"OPEN"}},
        {OPTIMIZED, {"OPTIMIZED"}},
        {OR, {"OR"}},
        {ORDER, {"ORDER"}},
        {PRINT, {"PRINT"}},
        {RAISERROR, {"RAISERROR"}},
        {READ, {"READ"}},
        {RECOMPILE, {"RECOMPILE"}},
        {REINDEX, {"REINDEX"}},
        {ROLLBACK, {"ROLLBACK"}},
        {ROWS, {"ROWS"}},
        {SAVE, {"SAVE"}},
        {SCROLL, {"SCROLL"}},
        {SELECT, {"SELECT"}},
        {SET, {"SET"}},
        {SKIP_NCINDEX, {"SKIP_NCINDEX"}},
        {SORTED_DATA, {"SORTED_DATA"}},
        {SPLIT_IF, {"SPLIT_IF"}},
        {STATISTICS, {"STATISTICS"}},
        {TABLE, {"TABLE"}},
        {TABLEALLOC, {"TABLEALLOC"}},
        {THEN, {"THEN"}},
        {TO, {"TO"}},
        {TRUNCATE, {"TRUNCATE"}},
        {UNION, {"UNION"}},
        {UNIQUE, {"UNIQUE"}},
        {UPDATE, {"UPDATE"}},
        {VALUES, {"VALUES"}},
        {VIEW, {"VIEW"}},
        {WAITFOR, {"WAITFOR"}},
        {WHEN, {"WHEN"}},
        {WHERE, {"WHERE"}},
        {WHILE, {"WHILE"}},
        {WITH, {"WITH"}},
    };
    return table;
}

class KeywordTable : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_conversion_state();
        init_lex();
    }
};

TEST_F(KeywordTable, SlotsHold207KeywordsAndEmptyRest) {
    for (int i = 0; i < KEYWORD_COUNT; i++) {
        EXPECT_NE(Token[i][0], '\0') << "slot " << i;
        EXPECT_GT(Token_Val[i], 256) << "slot " << i;
    }
    for (int i = KEYWORD_COUNT; i < TOKEN_SLOTS; i++) {
        EXPECT_EQ(Token[i][0], '\0') << "slot " << i;
        EXPECT_EQ(Token_Val[i], 0) << "slot " << i;
    }
}

TEST_F(KeywordTable, SlotsAreExactlyTheSpecTable) {
    std::multiset<std::pair<std::string, int>> want, got;
    for (const group &g : spec_table())
        for (const std::string &w : g.words)
            want.insert({w, g.token});
    want.insert({"PATINDEX", FUNC}); // the one word entered twice
    for (int i = 0; i < KEYWORD_COUNT; i++)
        got.insert({Token[i], Token_Val[i]});
    EXPECT_EQ(want.size(), 207u);
    EXPECT_EQ(got, want);
}

TEST_F(KeywordTable, EveryKeywordYieldsItsToken) {
    for (const group &g : spec_table()) {
        for (const std::string &w : g.words) {
            next_char = '('; // the five functions of the next_char rule need it
            EXPECT_EQ(token_search(w.c_str()), g.token) << w;
        }
    }
}

TEST_F(KeywordTable, WordsThatAreNoKeywords) {
    for (const char *w :
         {"Select",    "select",  "MONEY",      "DATE",     "TIMESTAMP",  "CHECK",     "DEFAULT",
          "ESCAPE",    "FOREIGN", "KEY",        "PRIMARY",  "REFERENCES", "SOME",      "USER",
          "OPTION",    "PUBLIC",  "PRIVILEGES", "SCHEMA",   "PRECISION",  "INDICATOR", "@@ROWCOUNT",
          "SQLSTATUS", "",        "DELETED",    "INSERTED", "SEL",        "SELECTX"})
        EXPECT_EQ(token_search(w), -1) << w;
    std::string longword(200, 'A');
    EXPECT_EQ(token_search(longword.c_str()), -1);
    std::string select_padded = "SELECT" + std::string(100, ' ');
    EXPECT_EQ(token_search(select_padded.c_str()), -1);
}

TEST_F(KeywordTable, PatindexIsEnteredTwiceAndYieldsFunc) {
    int count = 0;
    for (int i = 0; i < TOKEN_SLOTS; i++)
        if (strcmp(Token[i], "PATINDEX") == 0) {
            count++;
            EXPECT_EQ(Token_Val[i], FUNC);
        }
    EXPECT_EQ(count, 2);
    EXPECT_EQ(token_search("PATINDEX"), FUNC);
}

TEST_F(KeywordTable, InitLexTwiceGivesTheSameTable) {
    char before[TOKEN_SLOTS][TOKEN_TEXT];
    memcpy(before, Token, sizeof before);
    init_lex();
    EXPECT_EQ(memcmp(before, Token, sizeof before), 0);
    EXPECT_EQ(token_search("WHERE"), WHERE);
}

TEST_F(KeywordTable, UnionAll) {
    EXPECT_EQ(token_search("UNION"), UNION);
    EXPECT_EQ(union_flag, 1);
    EXPECT_EQ(token_search("ALL"), ALL);
    EXPECT_EQ(union_flag, 2);
    EXPECT_EQ(token_search("ALL"), ALL);
    EXPECT_EQ(union_flag, 2);
}

TEST_F(KeywordTable, AllWithoutUnionLeavesTheFlag) {
    EXPECT_EQ(token_search("ALL"), ALL);
    EXPECT_EQ(union_flag, 0);
    union_flag = 5;
    token_search("ALL");
    EXPECT_EQ(union_flag, 5);
}

TEST_F(KeywordTable, InsertSelectSkipsTheResultSet) {
    EXPECT_EQ(token_search("INSERT"), INSERT);
    EXPECT_EQ(insert_flag, 1);
    EXPECT_EQ(token_search("SELECT"), SELECT);
    EXPECT_EQ(insert_flag, 0);
    EXPECT_EQ(skip_rs, 1);
}

TEST_F(KeywordTable, InsertValuesSelectDoesNot) {
    token_search("INSERT");
    EXPECT_EQ(token_search("VALUES"), VALUES);
    EXPECT_EQ(insert_flag, 0);
    token_search("SELECT");
    EXPECT_EQ(skip_rs, 0);
}

TEST_F(KeywordTable, SelectWithoutInsertLeavesSkipRs) {
    token_search("SELECT");
    EXPECT_EQ(skip_rs, 0);
    EXPECT_EQ(insert_flag, 0);
}

TEST_F(KeywordTable, DeclareAndCursorSetTheDeclarationTracker) {
    EXPECT_EQ(token_search("DECLARE"), DECLARE);
    EXPECT_EQ(ifdeclare, 1);
    ifdeclare = 2;
    EXPECT_EQ(token_search("CURSOR"), CURSOR);
    EXPECT_EQ(ifdeclare, 0);
}

TEST_F(KeywordTable, NextCharRuleOfTheFiveFunctions) {
    for (const char *w : {"DB_NAME", "DB_ID", "HOST_NAME", "COL_LENGTH", "USER_ID"}) {
        next_char = -1; // before the first word
        EXPECT_EQ(token_search(w), FUNC) << w;
        next_char = '(';
        EXPECT_EQ(token_search(w), FUNC) << w;
        for (int c : {0, int(' '), int('\n'), int('x'), int(')'), int(',')}) {
            next_char = c;
            EXPECT_EQ(token_search(w), NAME) << w << " before " << c;
        }
    }
    // Other functions are not affected here (the scanner decides for them).
    next_char = 'x';
    EXPECT_EQ(token_search("HOST_ID"), FUNC);
    EXPECT_EQ(token_search("USER_NAME"), FUNC);
    EXPECT_EQ(token_search("MAX"), FUNC);
}

TEST_F(KeywordTable, FetchFirstLast) {
    EXPECT_EQ(token_search("FETCH"), FETCH);
    EXPECT_EQ(token_search("FIRST"), FIRST);
    EXPECT_EQ(token_search("LAST"), LAST);
    EXPECT_EQ(token_search("NEXT"), NEXT);
}

TEST_F(KeywordTable, OtherLookupsHaveNoSideEffects) {
    for (const group &g : spec_table()) {
        for (const std::string &w : g.words) {
            if (w == "UNION" || w == "ALL" || w == "INSERT" || w == "SELECT" || w == "VALUES" ||
                w == "DECLARE" || w == "CURSOR")
                continue;
            union_flag = 1;
            insert_flag = 1;
            skip_rs = 0;
            ifdeclare = 2;
            token_search(w.c_str());
            EXPECT_EQ(union_flag, 1) << w;
            EXPECT_EQ(insert_flag, 1) << w;
            EXPECT_EQ(skip_rs, 0) << w;
            EXPECT_EQ(ifdeclare, 2) << w;
        }
    }
}

} // namespace
