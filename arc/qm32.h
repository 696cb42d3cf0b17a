/* qm32: the one public header of the client library (C linkage).
 * Declares the exported functions and the records that callers pass by
 * pointer; the records' binary layout is part of the interface. */
#ifndef QM32_H
#define QM32_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#ifdef QM32_BUILDING
#define QM32_API __declspec(dllexport)
#else
#define QM32_API __declspec(dllimport)
#endif
#define QM32_CALL __stdcall
#else
#define QM32_API __attribute__((visibility("default")))
#define QM32_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Error record: every failure and every host status travels in it (656 bytes). */
typedef struct ERR_RECORD {
    int32_t lErrorNumber;     /*   0: error number */
    uint32_t ulSeverity;      /*   4: 0 information, 4 warning, 8 error, 16 fatal */
    uint32_t ulErrorType;     /*   8: one character code: E V I A D S C U O */
    char szErrorText[255];    /*  12 */
    char szErrorData[256];    /* 267 */
    char szModule[32];        /* 523 */
    char szProcedure[32];     /* 555 */
    char szSource[32];        /* 587 */
    char szApplication[32];   /* 619 */
    char cFiller;             /* 651 */
    uint32_t ulLineNumber;    /* 652 */
} ERR_RECORD;

/* ---- error log and message lookup ---- */
QM32_API long QM32_CALL ERR_LogError(ERR_RECORD *pErr);
QM32_API long QM32_CALL ERR_GetDebugLevel(void);
QM32_API long QM32_CALL ERR_GetLastError(void);
QM32_API int QM32_CALL ERR_GetMessageText(const char *pszApp, long lNumber, char *pszBuffer,
                                          int iSize, const char *pszInsert1,
                                          const char *pszInsert2);
QM32_API long QM32_CALL ERR_GetPanelId(const char *pszApp, long lNumber);
QM32_API long QM32_CALL ERR_GetSeverity(const char *pszApp, long lNumber);

/* ---- record codec ---- */
QM32_API long QM32_CALL CNV_EncodeStruct(const void *pRecord, const char *pszFormat, char *pszOut);
QM32_API long QM32_CALL CNV_DecodeStruct(void *pRecord, const char *pszFormat,
                                         const char *pszEncoded);
QM32_API int QM32_CALL CNV_GetEncodeStringLen(const char *pszFormat);
QM32_API unsigned char *QM32_CALL CNV_ConvertASCIIToEBCDIC(unsigned char *pBuffer, int iLength);
QM32_API unsigned char *QM32_CALL CNV_ConvertEBCDICToASCII(unsigned char *pBuffer, int iLength);
QM32_API long QM32_CALL CNV_Test(long a, long b, long c);

/* ---- utilities ---- */
QM32_API int QM32_CALL UTL_NullTerminate(char *pszText, int iWidth);

#ifdef __cplusplus
}

static_assert(sizeof(ERR_RECORD) == 656, "ERR_RECORD is 656 bytes");
static_assert(offsetof(ERR_RECORD, szErrorText) == 12, "ERR_RECORD layout");
static_assert(offsetof(ERR_RECORD, szErrorData) == 267, "ERR_RECORD layout");
static_assert(offsetof(ERR_RECORD, szModule) == 523, "ERR_RECORD layout");
static_assert(offsetof(ERR_RECORD, szProcedure) == 555, "ERR_RECORD layout");
static_assert(offsetof(ERR_RECORD, szSource) == 587, "ERR_RECORD layout");
static_assert(offsetof(ERR_RECORD, szApplication) == 619, "ERR_RECORD layout");
static_assert(offsetof(ERR_RECORD, ulLineNumber) == 652, "ERR_RECORD layout");
#endif

#endif /* QM32_H */
