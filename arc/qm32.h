/* qm32: the one public header of the client library (C linkage).
 * Declares the exported functions and the records that callers pass by
 * pointer; the records' binary layout is part of the interface. */
#ifndef QM32_H
#define QM32_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(QM32_BUILDING)
#define QM32_API __declspec(dllexport)
#elif defined(QM32_STATIC) /* linked with the library's objects, as the tests are */
#define QM32_API
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
    int32_t lErrorNumber;   /*   0: error number */
    uint32_t ulSeverity;    /*   4: 0 information, 4 warning, 8 error, 16 fatal */
    uint32_t ulErrorType;   /*   8: one character code: E V I A D S C U O */
    char szErrorText[255];  /*  12 */
    char szErrorData[256];  /* 267 */
    char szModule[32];      /* 523 */
    char szProcedure[32];   /* 555 */
    char szSource[32];      /* 587 */
    char szApplication[32]; /* 619 */
    char cFiller;           /* 651 */
    uint32_t ulLineNumber;  /* 652 */
} ERR_RECORD;

/* Service control block: one host service call (952 bytes). */
typedef struct DAA_SERVICE_BLOCK {
    int32_t lService;       /*   0: service number; its low 16 bits travel */
    int32_t lOption;        /*   4: 0 is replaced by 1 */
    int32_t lStart;         /*   8 */
    int32_t lRows;          /*  12: in: rows wanted; out: the host's row count */
    int32_t lPosition;      /*  16 */
    uint32_t ulRequestType; /*  20: 'S' (also 0), 'C' password change, 'T' test call */
    char szSection[15];     /*  24: configuration section of the host */
    char szFormat[256];     /*  39: codec format of the service's own fields */
    ERR_RECORD Error;       /* 296: the host's status, or the library's error */
} DAA_SERVICE_BLOCK;

/* Request header at the start of every request and answer record (88 bytes). */
typedef struct DAA_REQUEST_HEADER {
    char cRequestType;    /*  0 */
    int32_t lPosition;    /*  4 */
    int16_t sRows;        /*  8 */
    int16_t sHostRows;    /* 10: in the answer, the host's row count */
    int16_t sStart;       /* 12 */
    char szUserId[9];     /* 14: upper case */
    char szPassword[9];   /* 23: mainframe: the password; others: the user id */
    int16_t sService;     /* 32 */
    int16_t sOption;      /* 34 */
    char szReserved1[9];  /* 36 */
    char szReserved2[9];  /* 45 */
    char szDatabaseId[9]; /* 54: hosts other than a mainframe */
    char cReserved3;      /* 63 */
    int16_t sReserved4;   /* 64 */
    int32_t lReserved5;   /* 68 */
    double dReserved6;    /* 72 */
    char cReserved7;      /* 80 */
} DAA_REQUEST_HEADER;

/* ---- error log and message lookup ---- */
QM32_API long QM32_CALL ERR_LogError(ERR_RECORD *pErr);
QM32_API long QM32_CALL ERR_GetDebugLevel(void);
QM32_API long QM32_CALL ERR_GetLastError(void);
QM32_API int QM32_CALL ERR_GetMessageText(const char *pszApp, long lNumber, char *pszBuffer,
                                          int iSize, const char *pszInsert1,
                                          const char *pszInsert2);
QM32_API long QM32_CALL ERR_GetPanelId(const char *pszApp, long lNumber);
QM32_API long QM32_CALL ERR_GetSeverity(const char *pszApp, long lNumber);

/* ---- error window ---- */
/* Logs the record, then shows it in the "Error" window; the window's result
 * (1 for OK). Without a window (POSIX: no terminal) the error goes to standard
 * error and the result is 1 at once. */
QM32_API long QM32_CALL ERR_HandleError(ERR_RECORD *pErr);
/* The same as ERR_HandleError under the name service callers use. */
QM32_API long QM32_CALL ERR_HandleServiceError(ERR_RECORD *pErr);
/* Shows the record in the "Error" window without logging it. */
QM32_API long QM32_CALL ERR_DisplayError(ERR_RECORD *pErr);
/* Shows message `iNumber` of "32-bit Architecture" in a message box owned by
 * `hOwner` (a window handle, may be NULL) with caption and style; the button
 * pressed, 0 when no text could be obtained. `lIgnored` is not used. */
QM32_API int QM32_CALL ERR_DisplayArchMessage(void *hOwner, int iNumber, const char *pszCaption,
                                              int iStyle, long lIgnored, const char *pszInsert1,
                                              const char *pszInsert2);

/* ---- record codec ---- */
QM32_API long QM32_CALL CNV_EncodeStruct(const void *pRecord, const char *pszFormat, char *pszOut);
QM32_API long QM32_CALL CNV_DecodeStruct(void *pRecord, const char *pszFormat,
                                         const char *pszEncoded);
QM32_API int QM32_CALL CNV_GetEncodeStringLen(const char *pszFormat);
QM32_API unsigned char *QM32_CALL CNV_ConvertASCIIToEBCDIC(unsigned char *pBuffer, int iLength);
QM32_API unsigned char *QM32_CALL CNV_ConvertEBCDICToASCII(unsigned char *pBuffer, int iLength);
QM32_API long QM32_CALL CNV_Test(long a, long b, long c);

/* ---- host service calls ---- */
QM32_API long QM32_CALL DAA_InvokeService(DAA_SERVICE_BLOCK *pBlock, void *pRequest, void *pAnswer);
QM32_API long QM32_CALL DAA_InvokeService_NoThread(DAA_SERVICE_BLOCK *pBlock, void *pRequest,
                                                   void *pAnswer);

/* ---- logon and access ---- */
/* The "Logon" window: -1 when it logged a user on, 0 when cancelled or refused. */
QM32_API int QM32_CALL SEC_LoginUser(void);
/* The "Change Password" window for the logged-on user: -1 when the password
 * was changed, 0 otherwise (at once when nobody is logged on). */
QM32_API int QM32_CALL SEC_ChangePassword(void);
QM32_API int QM32_CALL SEC_GetUserString(int iKind, char *pszBuffer, int iSize);
/* The flag word of a function code in the user's access table (1 received
 * from the host, 4, 2, 8 the three permissions); 0 when the code is not there
 * or when nobody is or can be logged on. */
QM32_API uint32_t QM32_CALL SEC_GetClientAccess(const char *pszFunction);

/* ---- utilities ---- */
QM32_API int QM32_CALL UTL_NullTerminate(char *pszText, int iWidth);
QM32_API const char *QM32_CALL UTL_StripFileName(const char *pszPath);
QM32_API int QM32_CALL UTL_GetArchString(int iKind, char *pszBuffer, unsigned uSize);
QM32_API int QM32_CALL UTL_GetFinancePath(char *pszBuffer, int iSize);
QM32_API int QM32_CALL UTL_GetLocalPath(const char *pszName, char *pszBuffer, int iSize);
QM32_API long QM32_CALL UTL_StartApp(const char *pszProgram, const char *pszArguments,
                                     int iStartAlways);
QM32_API long QM32_CALL UTL_ActivateApp(const char *pszTitle);
QM32_API long QM32_CALL UTL_TerminateApp(const char *pszProgram);
QM32_API long QM32_CALL UTL_WaitStart(const char *pszText);
QM32_API long QM32_CALL UTL_WaitStop(void);
QM32_API long QM32_CALL UTL_WaitMessage(const char *pszText);
QM32_API long QM32_CALL UTL_SetId(const char *pszUserId, const char *pszPassword);
QM32_API int QM32_CALL UTL_GetId(char *pszBuffer, int iSize);
QM32_API int QM32_CALL UTL_Memcmp(const char *pArea1, const char *pArea2, int iCount);
QM32_API int QM32_CALL UTL_FileExists(const char *pszPath);

/* ---- file transfer and mail ---- */
/* Binary transfers in active mode. The server is a host name or an ftp:// URL
 * (its port used, its path ignored); the remote name is relative to the login
 * folder. 0, or 30045 no connection or login, 30046 no usable server, 30047
 * no session, 30048/30049 get failed / a path was not found, 30050/30051 the
 * same for a put, 30052 the server refused with a text that was shown. A get
 * that fails leaves an existing local file as it was. */
QM32_API long QM32_CALL FTP_PutFile(const char *pszUser, const char *pszPassword,
                                    const char *pszServer, const char *pszLocalFile,
                                    const char *pszRemoteFile);
QM32_API long QM32_CALL FTP_GetFile(const char *pszUser, const char *pszPassword,
                                    const char *pszServer, const char *pszLocalFile,
                                    const char *pszRemoteFile);
/* Sends a text file as a mail to port 25 of the receiver's host ("name@host").
 * 0 once the mail server has accepted the message; 30054 on every failure,
 * with an entry in the error log that names its cause. */
QM32_API long QM32_CALL MAIL_SendMessageFile(const char *pszReceiver, const char *pszSender,
                                             const char *pszSubject, const char *pszFile);

#if !defined(_WIN32)
/* ---- thread messages (POSIX) ----
 * What a Windows client has from the system: each thread has a queue of
 * messages, and while DAA_InvokeService waits it gets, translates and
 * dispatches the calling thread's messages to the thread's handler, so a
 * handler can run timers, start a nested call (calls return last-in,
 * first-out) or ask the loop to quit. A thread gets its queue with its first
 * call of MSG_GetThreadId (or of any function here). Message numbers follow
 * Windows: QM32_WM_QUIT ends a loop, numbers from QM32_WM_USER on are free
 * for programs, and a call's completion message is QM32_WM_USER + 5 + the
 * call's position among the thread's outstanding calls (QM32_WM_USER + 5
 * after DAA_InvokeService_NoThread, whose completion nobody waits for). */
#define QM32_WM_QUIT 0x0012
#define QM32_WM_USER 0x0400

/* A thread's handler of its messages; context is what was registered with it. */
typedef void (*QM32_MSG_HANDLER)(unsigned uMessage, uintptr_t wParam, intptr_t lParam,
                                 void *pContext);

/* The calling thread's id, to which messages can be posted. */
QM32_API unsigned long QM32_CALL MSG_GetThreadId(void);
/* Appends a message to a thread's queue: 0, or 30010 when no thread of this
 * process has that id (any more). */
QM32_API long QM32_CALL MSG_PostThreadMessage(unsigned long ulThreadId, unsigned uMessage,
                                              uintptr_t wParam, intptr_t lParam);
/* Asks the calling thread's loop to end once no other message waits; the loop
 * then returns iExitCode. */
QM32_API void QM32_CALL MSG_PostQuitMessage(int iExitCode);
/* Registers the calling thread's handler (NULL: none, messages are dropped). */
QM32_API void QM32_CALL MSG_SetThreadHandler(QM32_MSG_HANDLER pfnHandler, void *pContext);
/* Gets and dispatches the calling thread's messages until a quit request,
 * and returns its exit code. */
QM32_API int QM32_CALL MSG_RunThreadLoop(void);
#endif

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

static_assert(sizeof(DAA_SERVICE_BLOCK) == 952, "DAA_SERVICE_BLOCK is 952 bytes");
static_assert(offsetof(DAA_SERVICE_BLOCK, ulRequestType) == 20, "DAA_SERVICE_BLOCK layout");
static_assert(offsetof(DAA_SERVICE_BLOCK, szSection) == 24, "DAA_SERVICE_BLOCK layout");
static_assert(offsetof(DAA_SERVICE_BLOCK, szFormat) == 39, "DAA_SERVICE_BLOCK layout");
static_assert(offsetof(DAA_SERVICE_BLOCK, Error) == 296, "DAA_SERVICE_BLOCK layout");

static_assert(sizeof(DAA_REQUEST_HEADER) == 88, "DAA_REQUEST_HEADER is 88 bytes");
static_assert(offsetof(DAA_REQUEST_HEADER, lPosition) == 4, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, sRows) == 8, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, sHostRows) == 10, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, sStart) == 12, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, szUserId) == 14, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, szPassword) == 23, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, sService) == 32, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, sOption) == 34, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, szReserved1) == 36, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, szReserved2) == 45, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, szDatabaseId) == 54, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, cReserved3) == 63, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, sReserved4) == 64, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, lReserved5) == 68, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, dReserved6) == 72, "DAA_REQUEST_HEADER layout");
static_assert(offsetof(DAA_REQUEST_HEADER, cReserved7) == 80, "DAA_REQUEST_HEADER layout");
#endif

#endif /* QM32_H */
