// Keyword table: init_lex fills the 207 keyword slots in their fixed order;
// token_search finds a word's slot (through a hash index built by init_lex, which returns the
// first equal slot exactly like the linear scan it replaces) and applies the keyword's side
// effect on the conversion state.
#include "keyword.h"

#include "convstate.h"
#include "parser.h"

#include <cstdint>
#include <cstring>

char Token[TOKEN_SLOTS][TOKEN_TEXT];
int16_t Token_Val[TOKEN_SLOTS];

namespace keyword_detail {
uint8_t hash_index[HASH_SIZE];
bool table_built = false;
uint8_t slot_length[TOKEN_SLOTS]; // strlen of each slot's text (less than TOKEN_TEXT)
uint8_t slot_effect[TOKEN_SLOTS]; // an effect (below) by slot
bool previous_union = false;
} // namespace keyword_detail

namespace {

struct keyword {
    const char *word;
    int token;
};

// The 207 keywords in slot order. "PATINDEX" is entered twice (slots 44 and 206); the first
// equal slot wins, and both yield FUNC.
const keyword keywords[KEYWORD_COUNT] = {
    // FUNC: built-in functions (slots 0 to 71).
    {"ABS", FUNC},
    {"ACOS", FUNC},
    {"APP_NAME", FUNC},
    {"ASCII", FUNC},
    {"ASIN", FUNC},
    {"ATAN", FUNC},
    {"ATN2", FUNC},
    {"AVG", FUNC},
    {"BASECHAR", FUNC},
    {"BITAND", FUNC},
    {"BITNAND", FUNC},
    {"CEILING", FUNC},
    {"CHAR_LENGTH", FUNC},
    {"CHARBASE", FUNC},
    {"CHARINDEX", FUNC},
    {"COL_LENGTH", FUNC},
    {"COL_NAME", FUNC},
    {"CONVERT", FUNC},
    {"COS", FUNC},
    {"COT", FUNC},
    {"COUNT", FUNC},
    {"DATALENGTH", FUNC},
    {"DATEADD", FUNC},
    {"DATEDIFF", FUNC},
    {"DATENAME", FUNC},
    {"DATEPART", FUNC},
    {"DB_ID", FUNC},
    {"DB_NAME", FUNC},
    {"DEGREES", FUNC},
    {"DIFFERENCE", FUNC},
    {"EXP", FUNC},
    {"FLOOR", FUNC},
    {"GETDATE", FUNC},
    {"HOST_ID", FUNC},
    {"HOST_NAME", FUNC},
    {"ISNULL", FUNC},
    {"LOG", FUNC},
    {"LOG10", FUNC},
    {"LOWER", FUNC},
    {"LTRIM", FUNC},
    {"MAX", FUNC},
    {"MIN", FUNC},
    {"OBJECT_ID", FUNC},
    {"OBJECT_NAME", FUNC},
    {"PATINDEX", FUNC},
    {"PI", FUNC},
    {"POWER", FUNC},
    {"RADIANS", FUNC},
    {"RAND", FUNC},
    {"READTEXT", FUNC},
    {"REPLICATE", FUNC},
    {"REVERSE", FUNC},
    {"RIGHT", FUNC},
    {"ROUND", FUNC},
    {"RTRIM", FUNC},
    {"SIGN", FUNC},
    {"SIN", FUNC},
    {"SOUNDEX", FUNC},
    {"SPACE", FUNC},
    {"SQRT", FUNC},
    {"STR", FUNC},
    {"STUFF", FUNC},
    {"SUBSTRING", FUNC},
    {"SUM", FUNC},
    {"SUSER_ID", FUNC},
    {"SUSER_NAME", FUNC},
    {"TAN", FUNC},
    {"TEXTPTR", FUNC},
    {"TEXTVALID", FUNC},
    {"UPPER", FUNC},
    {"USER_ID", FUNC},
    {"USER_NAME", FUNC},
    // Datatypes (slots 72 to 92).
    {"BIT", NUMERIC},
    {"DECIMAL", NUMERIC},
    {"FLOAT", NUMERIC},
    {"MONEY_NOT_USED", NUMERIC},
    {"NUMERIC", NUMERIC},
    {"REAL", NUMERIC},
    {"SMALLMONEY", NUMERIC},
    {"TIMESTAMP_NOT_USED", NUMERIC},
    {"INT", INTEGER},
    {"INTEGER", INTEGER},
    {"SMALLINT", INTEGER},
    {"TINYINT", INTEGER},
    {"DATETIME", DATE},
    {"DATE_NOT_USED", DATE},
    {"CHAR", CHARACTER},
    {"VARCHAR", VARCHAR},
    {"BINARY", VARBINARY},
    {"VARBINARY", VARBINARY},
    {"SMALLDATETIME", SMALLDATETIME},
    {"SYSNAME", SYSNAME},
    {"NULL", NULLX},
    // Words with a token of another name (slots 93 to 106).
    {"EXEC", EXECUTE},
    {"EXECUTE", EXECUTE},
    {"TRAN", TRANSACTION},
    {"TRANSACTION", TRANSACTION},
    {"OUT", OUTPUT_VAR},
    {"OUTPUT", OUTPUT_VAR},
    {"BEGIN", BEGIN_CLAUSE},
    {"END", END_CLAUSE},
    {"RETURN", RETURN_CLAUSE},
    {"DELAY", DELAYX},
    {"@@SQLSTATUS", SQLSTATUS},
    {"@@FETCH_STATUS", FETCH_STATUS},
    {"FIRST", FIRST},
    {"LAST", LAST},
    // Words that yield the token of their own name (slots 107 to 205).
    {"ALL", ALL},
    {"AND", AND},
    {"ANY", ANY},
    {"AS", AS},
    {"ASC", ASC},
    {"BETWEEN", BETWEEN},
    {"BREAK", BREAK},
    {"BY", BY},
    {"CASE", CASE},
    {"CHECKALLOC", CHECKALLOC},
    {"CHECKCATALOG", CHECKCATALOG},
    {"CHECKDB", CHECKDB},
    {"CHECKTABLE", CHECKTABLE},
    {"CLOSE", CLOSE},
    {"CLUSTERED", CLUSTERED},
    {"COMMIT", COMMIT},
    {"COMPUTE", COMPUTE},
    {"CONTINUE", CONTINUE},
    {"CREATE", CREATE},
    {"CURRENT", CURRENT},
    {"CURSOR", CURSOR},
    {"DBCC", DBCC},
    {"DBREPAIR", DBREPAIR},
    {"DEALLOCATE", DEALLOCATE},
    {"DECLARE", DECLARE},
    {"DELETE", DELETE},
    {"DESC", DESC},
    {"DISTINCT", DISTINCT},
    {"DROP", DROP},
    {"DROPDB", DROPDB},
    {"ELSE", ELSE},
    {"EXISTS", EXISTS},
    {"FAST", FAST},
    {"FETCH", FETCH},
    {"FILLFACTOR", FILLFACTOR},
    {"FIX", FIX},
    {"FIX_TEXT", FIX_TEXT},
    {"FOR", FOR},
    {"FROM", FROM},
    {"FULL", FULL},
    {"GO", GO},
    {"GOTO", GOTO},
    {"GRANT", GRANT},
    {"GROUP", GROUP},
    {"HAVING", HAVING},
    {"HOLDLOCK", HOLDLOCK},
    {"IDENTITY", IDENTITY},
    {"IF", IF},
    {"IGNORE_DUP_KEY", IGNORE_DUP_KEY},
    {"IGNORE_DUP_ROW", IGNORE_DUP_ROW},
    {"ALLOW_DUP_ROW", ALLOW_DUP_ROW},
    {"IN", IN},
    {"INDEX", INDEX},
    {"INDEXALLOC", INDEXALLOC},
    {"INSERT", INSERT},
    {"INTO", INTO},
    {"IS", IS},
    {"LIKE", LIKE},
    {"NEXT", NEXT},
    {"NOFIX", NOFIX},
    {"NONCLUSTERED", NONCLUSTERED},
    {"NOT", NOT},
    {"OF", OF},
    {"ON", ON},
    {"ONLY", ONLY},
    {"OPEN", OPEN},
    {"OPTIMIZED", OPTIMIZED},
    {"OR", OR},
    {"ORDER", ORDER},
    {"PRINT", PRINT},
    {"RAISERROR", RAISERROR},
    {"READ", READ},
    {"RECOMPILE", RECOMPILE},
    {"REINDEX", REINDEX},
    {"ROLLBACK", ROLLBACK},
    {"ROWS", ROWS},
    {"SAVE", SAVE},
    {"SCROLL", SCROLL},
    {"SELECT", SELECT},
    {"SET", SET},
    {"SKIP_NCINDEX", SKIP_NCINDEX},
    {"SORTED_DATA", SORTED_DATA},
    {"SPLIT_IF", SPLIT_IF},
    {"STATISTICS", STATISTICS},
    {"TABLE", TABLE},
    {"TABLEALLOC", TABLEALLOC},
    {"THEN", THEN},
    {"TO", TO},
    {"TRUNCATE", TRUNCATE},
    {"UNION", UNION},
    {"UNIQUE", UNIQUE},
    {"UPDATE", UPDATE},
    {"VALUES", VALUES},
    {"VIEW", VIEW},
    {"WAITFOR", WAITFOR},
    {"WHEN", WHEN},
    {"WHERE", WHERE},
    {"WHILE", WHILE},
    {"WITH", WITH},
    // The second "PATINDEX" (slot 206).
    {"PATINDEX", FUNC},
};

// Side effects of a lookup, by slot.
enum effect : uint8_t {
    EFF_NONE,
    EFF_UNION,    // union_flag = 1
    EFF_ALL,      // union_flag 1 -> 2
    EFF_INSERT,   // insert_flag = 1
    EFF_SELECT,   // insert_flag 1 -> 0, skip_rs = 1
    EFF_VALUES,   // insert_flag = 0
    EFF_DECLARE,  // ifdeclare = 1
    EFF_CURSOR,   // ifdeclare = 0
    EFF_NEXTCHAR, // NAME unless next_char is '(' or -1
};
static_assert(EFF_NONE == 0, "keyword.h reads an effect of 0 as none");

// Hash index over the filled slots (keyword.h): only the first slot of a word is entered, so a
// hit is the slot the linear scan would find.
using keyword_detail::hash_index;
using keyword_detail::HASH_SIZE;
using keyword_detail::previous_union;
using keyword_detail::slot_effect;
using keyword_detail::slot_length;
using keyword_detail::table_built;

effect effect_of(const char *w) {
    static const struct {
        const char *word;
        effect eff;
    } effects[] = {
        {"UNION", EFF_UNION},         {"ALL", EFF_ALL},
        {"INSERT", EFF_INSERT},       {"SELECT", EFF_SELECT},
        {"VALUES", EFF_VALUES},       {"DECLARE", EFF_DECLARE},
        {"CURSOR", EFF_CURSOR},       {"DB_NAME", EFF_NEXTCHAR},
        {"DB_ID", EFF_NEXTCHAR},      {"HOST_NAME", EFF_NEXTCHAR},
        {"COL_LENGTH", EFF_NEXTCHAR}, {"USER_ID", EFF_NEXTCHAR},
    };
    for (const auto &e : effects)
        if (strcmp(w, e.word) == 0)
            return e.eff;
    return EFF_NONE;
}

} // namespace

namespace {

// Fills the read-only tables: Token, Token_Val, slot_effect, slot_length and the hash index.
void build_table() {
    memset(Token, 0, sizeof Token);
    memset(Token_Val, 0, sizeof Token_Val);
    memset(slot_effect, 0, sizeof slot_effect);
    memset(slot_length, 0, sizeof slot_length);
    memset(hash_index, 0, sizeof hash_index);
    static_assert(KEYWORD_COUNT < 255, "hash_index holds slot + 1 in a byte");
    for (int i = 0; i < KEYWORD_COUNT; i++) {
        strcpy(Token[i], keywords[i].word);
        Token_Val[i] = static_cast<int16_t>(keywords[i].token);
        slot_effect[i] = effect_of(Token[i]);
        size_t len = strlen(Token[i]);
        slot_length[i] = static_cast<uint8_t>(len);
        unsigned h = keyword_hash(Token[i], len) & (HASH_SIZE - 1);
        bool first = true;
        while (hash_index[h] != 0) {
            if (strcmp(Token[hash_index[h] - 1], Token[i]) == 0) {
                first = false; // an earlier slot already holds the word: it wins
                break;
            }
            h = (h + 1) & (HASH_SIZE - 1);
        }
        if (first)
            hash_index[h] = static_cast<uint8_t>(i + 1);
    }
    table_built = true;
}

// The slot of the word of len characters (1 to 16) whose hash is `hash`, or -1: the slot's text
// and the word (16 readable bytes, keyword.h) take one 16-byte comparison.
inline int short_word_slot(const char *word, size_t len, uint32_t hash) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i *>(word));
    const unsigned wanted = (1u << len) - 1;
    for (unsigned h = hash & (HASH_SIZE - 1); hash_index[h] != 0; h = (h + 1) & (HASH_SIZE - 1)) {
        const int s = hash_index[h] - 1;
        // Most probes that miss differ in length.
        if (slot_length[s] != len)
            continue;
        const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(Token[s])), w)));
        if ((equal & wanted) == wanted)
            return s;
    }
    return -1;
}

// The same for any word, and before the table is built (it is built first).
__attribute__((noinline)) int any_word_slot(const char *word, size_t len, uint32_t hash) {
    if (!table_built)
        init_lex();
    if (len >= static_cast<size_t>(TOKEN_TEXT) - 1)
        return -1;
    for (unsigned h = hash & (HASH_SIZE - 1); hash_index[h] != 0; h = (h + 1) & (HASH_SIZE - 1)) {
        const int s = hash_index[h] - 1;
        if (slot_length[s] == len && memcmp(Token[s], word, len) == 0)
            return s;
    }
    return -1;
}

} // namespace

// The tables never change once built, so they are built once per process (a batch worker
// runs many conversions, one after another: the workers are processes, not threads); the
// lookup state of a conversion starts afresh on every call.
void init_lex() {
    if (!table_built)
        build_table();
    previous_union = false;
}

int token_search(const char *word) {
    // A slot holds at most TOKEN_TEXT - 1 characters: a longer word matches none. The word is
    // copied into a buffer with room for the 16-byte comparisons of the lookup.
    char padded[TOKEN_TEXT + 16] = {};
    size_t len = 0;
    for (; word[len] != '\0'; len++) {
        if (len == static_cast<size_t>(TOKEN_TEXT) - 1)
            return -1;
        padded[len] = word[len];
    }
    return token_search_hashed(padded, len, keyword_hash(padded, len));
}

int keyword_detail::token_search_probe(const char *word, size_t len, uint32_t hash) {
    const int slot = __builtin_expect(table_built && len - 1 < 16, 1)
                         ? short_word_slot(word, len, hash)
                         : any_word_slot(word, len, hash);
    if (slot < 0)
        return -1;
    int token = Token_Val[slot];
    const bool after_union = previous_union;
    previous_union = slot_effect[slot] == EFF_UNION;
    switch (static_cast<effect>(slot_effect[slot])) {
    case EFF_NONE:
        break;
    case EFF_UNION:
        union_flag = 1;
        break;
    case EFF_ALL:
        if (union_flag == 1)
            union_flag = 2;
        else if (after_union && first_union == 1)
            first_union = 2; // the part before UNION ALL was translated already
        break;
    case EFF_INSERT:
        insert_flag = 1;
        break;
    case EFF_SELECT:
        if (insert_flag == 1) {
            insert_flag = 0;
            skip_rs = 1;
        }
        break;
    case EFF_VALUES:
        insert_flag = 0;
        break;
    case EFF_DECLARE:
        ifdeclare = 1;
        break;
    case EFF_CURSOR:
        ifdeclare = 0;
        break;
    case EFF_NEXTCHAR:
        if (next_char != '(' && next_char != -1)
            token = NAME;
        break;
    }
    return token;
}

namespace {

// The words context_keyword recognises (its switch compares them, by length).
constexpr const char *context_words[] = {
    "ESCAPE", "DEFAULT", "CHECK",   "REFERENCES", "KEY",   "NVARCHAR", "NCHAR",
    "NTEXT",  "AFTER",   "INSTEAD", "TRIGGER",    "THROW", "TOP",      "PERCENT",
};

// The first letters of the words above, one bit per letter: most words looked up are names,
// and the first letter rules nearly all of them out at once.
constexpr uint32_t context_first_letters() {
    uint32_t m = 0;
    for (const char *w : context_words)
        m |= 1u << (w[0] - 'A');
    return m;
}

} // namespace

int context_keyword(const char *word) {
    return context_keyword(word, strlen(word));
}

int context_keyword(const char *word, size_t len) {
    constexpr uint32_t first_letters = context_first_letters();
    const unsigned letter = static_cast<unsigned char>(word[0]) - 'A';
    if (letter >= 26 || ((first_letters >> letter) & 1u) == 0)
        return -1;
    // The words of each length compared with constant-length comparisons (a few instructions
    // each).
    const auto is = [word](const char *w, size_t n) { return memcmp(word, w, n) == 0; };
    switch (len) {
    case 3:
        return is("KEY", 3) ? KEY : is("TOP", 3) ? TOP : -1;
    case 5:
        return is("CHECK", 5)   ? CHECK
               : is("NCHAR", 5) ? NCHAR
               : is("NTEXT", 5) ? NTEXT
               : is("AFTER", 5) ? AFTER
               : is("THROW", 5) ? THROW
                                : -1;
    case 6:
        return is("ESCAPE", 6) ? ESCAPE : -1;
    case 7:
        return is("DEFAULT", 7)   ? DEFAULT
               : is("INSTEAD", 7) ? INSTEAD
               : is("TRIGGER", 7) ? TRIGGER
               : is("PERCENT", 7) ? PERCENT
                                  : -1;
    case 8:
        return is("NVARCHAR", 8) ? NVARCHAR : -1;
    case 10:
        return is("REFERENCES", 10) ? REFERENCES : -1;
    default:
        return -1;
    }
}
