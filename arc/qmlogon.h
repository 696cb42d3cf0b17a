// Internal interface of logon and access (qmlogon.cpp): the access table's
// filling and lookup, and the check of the access answer's format, which the
// tests and the service layer use besides the SEC_ exports.
#pragma once

#include <cstdint>

// The access service is asked for at most this many rows, into an answer
// record of the 88-byte header and one 9-character row each.
enum : long { SEC_ACCESS_ROWS = 1000, SEC_ACCESS_ANSWER_SIZE = 88 + 9 * 1000 };

// True when an access answer's format is empty (the header alone) or "k88"
// followed by 9-character rows only ("r1.N" with "s9", or "s9" once per row),
// at most 1,000 of them (case does not matter): such an answer fits the
// answer record.
bool _secAccessFormatOk(const char *format, int length);

// Fills the shared access table from an access answer record: the rows from
// offset 88, at most `rows` (a negative count is none) and 1,000 of them,
// those beginning with NUL skipped, then the "test" entry; 500 entries at most.
void _secStoreAccess(const void *answer, long rows);

// The flag word of the first entry whose code equals `code` without regard to
// case and trailing blanks; 0 when there is none.
uint32_t _secFindAccess(const char *code);

// A call made while nobody is logged on asks for a logon here: true when a
// user is logged on afterwards.
bool _secLoginUser();
