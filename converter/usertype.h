// User datatype file: lines "UserType SybType" loaded into a doubly linked
// list in file order; SearchList gives the base type of a user-defined type name.
#pragma once

#include <cstddef>

constexpr int USER_TYPE_NAME_LEN = 100;  // type name and base type: up to 99 characters
constexpr int USER_TYPE_LINE_LEN = 1000; // lines: up to 999 characters

struct user_type {
    char name[USER_TYPE_NAME_LEN];
    char base[USER_TYPE_NAME_LEN];
    user_type *next;
    user_type *prev;
};

extern user_type *uRoot; // first entry, nullptr when the list is empty
extern user_type *uThis; // last entry

// Reads the file into the list; problems are reported on standard error, the run goes on.
void LoadUserType(const char *file);
// Appends one entry (texts longer than 99 characters are cut to 99).
void PushList(const char *name, const char *base);
// Writes the base type of the first entry named exactly `name` into `result` (capacity
// `size`), or "USER_TYPE_<name>" when there is none; the text is cut to size - 1 bytes.
void SearchList(const char *name, char *result, size_t size);
// Releases every entry; the list is empty afterwards.
void FreeList();
