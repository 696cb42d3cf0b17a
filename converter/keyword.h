// Keyword table of the converter: the 207 keywords with their token numbers,
// filled by init_lex, and token_search, the lookup the scanner makes for every word and
// every "@@" name (with the side effects on the conversion state that some keywords have).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

constexpr int TOKEN_SLOTS = 250;   // slots of the table
constexpr int TOKEN_TEXT = 80;     // bytes of one slot's text, NUL included
constexpr int KEYWORD_COUNT = 207; // slots 0 to 206 are filled; 207 to 249 stay empty

// Keyword texts (upper case) and the token number of the keyword in the same slot.
extern char Token[TOKEN_SLOTS][TOKEN_TEXT];
extern int16_t Token_Val[TOKEN_SLOTS];

// Fills the table (slots 0 to 206 in their fixed order, 207 to 249 empty) the first time it is
// called in the process, and starts the lookup state of a conversion afresh on every call.
// Called once per run by the run driver, before the first token is read.
void init_lex();

// Looks up `word` (NUL-terminated, already upper case; "@@" names keep their at signs) by
// exact comparison: the token number of the first equal slot, after that keyword's side
// effect (UNION, ALL, INSERT, SELECT, VALUES, DECLARE, CURSOR; DB_NAME, DB_ID, HOST_NAME,
// COL_LENGTH and USER_ID yield NAME unless next_char is '(' or -1), or -1 when the word is
// not a keyword.
int token_search(const char *word);

// The hash token_search computes over a word: its first 16 characters (upper case, zero bytes
// after a shorter word) as two 64-bit halves and its length, mixed by two multiplications; the
// bucket is the top bits of the product, which depend on every bit of the halves. A caller that
// holds those 16 bytes in a register (the scanner upper-cases a word 16 bytes at a time) hashes
// them with keyword_hash_block, without reading the word again.
constexpr unsigned KEYWORD_HASH_BITS = 12; // the hash is below 1 << KEYWORD_HASH_BITS
inline uint32_t keyword_hash_halves(uint64_t lo, uint64_t hi, size_t len) {
    const uint64_t x = (lo ^ (hi * 0x9E3779B97F4A7C15u) ^ len) * 0xD6E8FEB86659FD93u;
    return static_cast<uint32_t>(x >> (64 - KEYWORD_HASH_BITS));
}
// `block` holds the word's first 16 characters, zero bytes after the word when it is shorter.
inline uint32_t keyword_hash_block(__m128i block, size_t len) {
    return keyword_hash_halves(
        static_cast<uint64_t>(_mm_cvtsi128_si64(block)),
        static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(block, block))), len);
}
// The same for a word in memory (any length; only the first 16 characters are read).
inline uint32_t keyword_hash(const char *word, size_t len) {
    char block[16] = {};
    memcpy(block, word, len < sizeof block ? len : sizeof block);
    return keyword_hash_block(_mm_loadu_si128(reinterpret_cast<const __m128i *>(block)), len);
}

// The hash index of token_search (filled by init_lex): each bucket holds a slot number + 1, 0
// when it is empty. Read inline by token_search_hashed, whose words are mostly no keyword.
namespace keyword_detail {
constexpr unsigned HASH_SIZE = 1u << KEYWORD_HASH_BITS; // 4096, well above 2 x 207
extern uint8_t hash_index[HASH_SIZE];
extern bool table_built;
// Per slot: the length of its text, and its side effect (0: none).
extern uint8_t slot_length[TOKEN_SLOTS];
extern uint8_t slot_effect[TOKEN_SLOTS];
extern bool previous_union; // the last keyword looked up was UNION
// token_search_hashed once the word's first bucket holds a slot (or the table is not built yet).
int token_search_probe(const char *word, size_t len, uint32_t hash);
} // namespace keyword_detail

// token_search for `word` of `len` characters (NUL-terminated, upper case) whose hash is `hash`.
// At least 16 bytes from `word` must be readable (the lookup compares 16 bytes at a time): the
// scanner passes yylval. A word of up to 16 characters that is the keyword of its first bucket
// and has no side effect (most keywords) is answered inline.
// `block` holds the word's first 16 bytes (those past the word count for nothing).
inline int token_search_hashed(const char *word, size_t len, uint32_t hash, __m128i block) {
    using namespace keyword_detail;
    const unsigned bucket = hash_index[hash & (HASH_SIZE - 1)];
    if (bucket != 0 && table_built && len - 1 < 16) {
        const unsigned s = bucket - 1;
        const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(Token[s])), block)));
        const unsigned wanted = (1u << len) - 1;
        if (slot_length[s] == len && (equal & wanted) == wanted && slot_effect[s] == 0) {
            previous_union = false;
            return Token_Val[s];
        }
    } else if (bucket == 0 && table_built) {
        // An empty first bucket: no keyword has the word's hash.
        return -1;
    }
    return token_search_probe(word, len, hash);
}
// The same for a word whose first 16 bytes are read from `word`.
inline int token_search_hashed(const char *word, size_t len, uint32_t hash) {
    return token_search_hashed(word, len, hash,
                               _mm_loadu_si128(reinterpret_cast<const __m128i *>(word)));
}

// Words that are keywords only where the grammar has a place for them (ESCAPE, DEFAULT, CHECK,
// REFERENCES, KEY, the national types, AFTER, INSTEAD, TRIGGER): the token a word stands for
// there, or -1. They are not in the table above, so everywhere else they stay names.
int context_keyword(const char *word);
// The same for a word of `len` characters.
int context_keyword(const char *word, size_t len);
