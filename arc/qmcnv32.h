// Internal interface of the record codec (qmcnv32.cpp): the format element
// record, the element reader, the group routines and the raising encoder
// that the service-call layer and the tests use besides the CNV_ exports.
#pragma once

#include "qm32.h"

#include <stddef.h>

// Error numbers of the codec.
enum : long {
    CNV_ERR_FORMAT_ELEMENT = 30011, // missing format element / no more elements
    CNV_ERR_FORMAT_TYPE = 30012,    // invalid or unsupported type character
    CNV_ERR_SHORT_TEXT = 30013,     // encoded text too short
    CNV_ERR_OVERFLOW = 30034        // float, double or scaled value too long for its field
};

// Repeating groups may nest this deep; a deeper format is refused with 30012.
enum { CNV_MAX_GROUP_DEPTH = 32 };

// One format element as the reader found it. The record is cleared before
// each element: an element without count or precision has 0 there.
struct CNV_FORMAT_ELEMENT {
    char cType;     // type letter
    char cModifier; // v, w, x, z or '.', 0 if none
    int iCount;     // 0 if none
    int iPrecision; // 0 if none; the repetitions of a group
    int iEncodeLen; // characters in the encoded text
    int iSize;      // bytes in the structure
    int iAlignment; // at least 1
};

// Reads the element at *ppszFormat and moves past it; false at the end of the
// format. Counts and precisions larger than INT_MAX are read as INT_MAX.
bool _cnvGetFormatElement(const char **ppszFormat, CNV_FORMAT_ELEMENT *pElement);

// Builds an error record for a codec failure (severity 8, type E, module
// qmcnv32, source "CNV Log Error"), logs it and returns the code.
long _cnvLogError(long lCode, const char *pszMessage, const char *pszProcedure, int nLine);

// The alignment of a group of iCount elements starting at pszFormat: the
// largest alignment among them, nested groups included, at least 1. Returns 0
// when an element is missing (logged: 30011) or groups nest too deeply
// (logged: 30012); *plError then holds the code. *ppszEnd (when not null)
// receives the format position after the group's elements.
int _cnvGetGroupOffset(const char *pszFormat, int iCount, int iDepth, const char **ppszEnd,
                       long *plError);

// Encoded characters of one occurrence of a group of iCount elements at
// *ppszFormat, nested groups contributing their length times their
// repetitions; moves *ppszFormat past the group. Returns -1 on error (logged).
// Lengths saturate at CNV_LENGTH_LIMIT.
long long _cnvGetGroupEncodeLen(const char **ppszFormat, int iCount, int iDepth);
const long long CNV_LENGTH_LIMIT = 2147483646LL;

// Encoding: the raising form of CNV_EncodeStruct. A float, double or scaled
// overflow leaves it as a CBlockingSocketException (30034); every other
// failure is logged and returned.
long _cnvEncodeStruct(const void *pRecord, const char *pszFormat, char *pszOut);
long _cnvEncodeElement(const CNV_FORMAT_ELEMENT *pElement, const void *pRecord, size_t *pOffset,
                       char **ppOut);
long _cnvEncodeGroup(const void *pRecord, size_t *pOffset, char **ppOut, const char **ppszFormat,
                     int iCount, int iTimes, int iDepth);

// Decoding. The cursor never passes the end of the encoded text.
struct CNV_DECODE_CURSOR {
    const char *pText; // next character to decode
    size_t nLeft;      // characters left before the terminating NUL
};
long _cnvDecodeStruct(void *pRecord, const char *pszFormat, const char *pszEncoded);
long _cnvDecodeElement(const CNV_FORMAT_ELEMENT *pElement, void *pRecord, size_t *pOffset,
                       CNV_DECODE_CURSOR *pCursor);
long _cnvDecodeGroup(void *pRecord, size_t *pOffset, CNV_DECODE_CURSOR *pCursor,
                     const char **ppszFormat, int iCount, int iTimes, int iDepth);

// The number of bytes of structure that a format describes (the end of its
// furthest field), walking it as the encoder does. When pFieldMask is not
// null, pFieldMask[i] is set to 1 for every byte i that belongs to a field
// (the array must hold nLimit bytes). A format in error is walked up to the
// element in error (logged), which is as far as encoding or decoding it can
// get. Returns (size_t)-1 when the format describes more than nLimit bytes.
size_t _cnvGetStructSize(const char *pszFormat, size_t nLimit, unsigned char *pFieldMask);

// The two conversion tables (256 entries each).
const unsigned char *_cnvAsciiToEbcdicTable();
const unsigned char *_cnvEbcdicToAsciiTable();
