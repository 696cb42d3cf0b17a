// Internal interface of the service-call layer (qmdaa32.cpp): the call record,
// the worker, the wire constants and the answer parser that the tests and the
// fuzz target use besides the DAA_ exports.
#pragma once

#include "platform/platform.h"
#include "qm32.h"

#include <cstddef>

// The message buffer for request and answer alike, length word included.
enum { DAA_BUFFER_SIZE = 32771 };
// Length word and the 12-character prefix.
enum { DAA_LENGTH_WORD = 4, DAA_PREFIX_LEN = 12 };
// Encoded characters of the request header and of the status record.
enum { DAA_HEADER_ENCODED = 124, DAA_STATUS_ENCODED = 504, DAA_STATUS_SIZE = 480 };
// Completion message of a call: this number plus the call's index.
enum : unsigned { DAA_COMPLETION_BASE = PLAT_WM_USER + 5 };
// Error number of the layer's own failures that have no number of their own
// (refused request, malformed answer, no thread or event).
enum : long { DAA_ERR_LIBRARY = 30010, DAA_ERR_LOGON = 30008, DAA_ERR_PASSWORD = 30009 };
// A call that ended in an exception other than the library's own (memory
// exhausted, a callee's fault raised as an exception).
enum : long { DAA_ERR_EXCEPTION = 30055 };

// The sign-on service (logon check and password change) and the access service.
enum : long { DAA_SIGNON_SERVICE = 429, DAA_ACCESS_SERVICE = 3135 };

#define DAA_HEADER_FMT "clv6nv4nv4nv4s9s9nv4nv2s9s9s9cnv4lv5dv14.0c"
#define FQMI9901_FMT "cs32nv4nv4s48s4s8ccs30nx4s159s8s12lx9s159nx4nx4"

// Says whether an answer's format (its `length` characters, as received) may
// be decoded into the caller's answer record; an answer it refuses fails the
// call with 30010.
typedef bool (*DAA_ANSWER_CHECK)(const char *format, int length);

// One call (created and destroyed by DAA_InvokeService).
struct DAA_CALL {
    unsigned long callerThread = 0; // receives the completion message
    long result = 0;                // 0 or the error number of a library failure
    DAA_SERVICE_BLOCK *block = nullptr;
    void *request = nullptr;
    void *answer = nullptr;
    int index = 0;                        // position in the list; 0: no thread
    plat_event_t ownEvent = nullptr;      // reset while a newer call is outstanding
    plat_event_t previousEvent = nullptr; // own event of the call before this one
    plat_event_t ackEvent = nullptr;      // set when the caller took the completion
    plat_thread_t thread = nullptr;
    // An identity given by the caller instead of the logged-on one (the logon
    // window's own calls): the header takes it, and the call never asks for a logon.
    const char *userId = nullptr;
    const char *password = nullptr;
    DAA_ANSWER_CHECK answerCheck = nullptr; // nullptr: any answer format
};

// A call of DAA_InvokeService (threaded: the caller's messages are
// dispatched meanwhile) made for `userId` with `password` rather than the
// logged-on user: it skips the logon step, so the logon window can check an
// identity that is not (or not yet) the logged-on one without opening itself
// again. `check` (or nullptr) vets the answer's format before it is decoded.
long _daaInvokeAs(DAA_SERVICE_BLOCK *block, void *request, void *answer, const char *userId,
                  const char *password, DAA_ANSWER_CHECK check);

// The worker: the whole work of one call, then the completion message.
void DAA_MessageThread(DAA_CALL *call);

// The logon a call asks for when nobody is logged on: true when a user is
// logged on afterwards. The logon module registers it; without one such a
// call fails as a refused logon. Returns the hook it replaces.
typedef bool (*DAA_LOGON_HOOK)();
DAA_LOGON_HOOK _daaSetLogonHook(DAA_LOGON_HOOK hook);

// The last step any call reached (the trace texts of the worker).
const char *_daaGetStep();

// The parts of an answer, found in the bytes after its length word (already
// converted from EBCDIC).
struct DAA_ANSWER_PARTS {
    int formatLength = 0;
    int textLength = 0;
    const char *format = nullptr;
    const char *text = nullptr;
    const char *status = nullptr; // the status record (up to 504 characters)
    int statusLength = 0;
};

// Splits an answer body of `length` bytes: the prefix's format and text
// lengths must be digits and lie within the body. Raises a
// CBlockingSocketException (30010) naming the fault otherwise.
void _daaSplitAnswer(const char *body, int length, long service, DAA_ANSWER_PARTS &parts);

// Largest answer record (bytes) an answer's format may describe unless
// MaxAnswerRecord in "32-bit Architecture" sets another.
enum : long { DAA_MAX_ANSWER_RECORD = 1048576 };

// Decodes a split answer into the answer record (when it carries text) and
// copies position, rows and the host's status into the control block. The
// answer record must be large enough for the answer's format; a format that
// describes more than `maxRecord` bytes is refused (30010) before anything
// is written. Raises the codec's error as a CBlockingSocketException.
// Returns the host's error number.
long _daaDecodeAnswer(const DAA_ANSWER_PARTS &parts, DAA_SERVICE_BLOCK *block, void *answer,
                      std::size_t maxRecord = DAA_MAX_ANSWER_RECORD);

// The largest number of characters the codec writes for `format` (exact
// unless the format is in error, when it is an upper bound); -1 when a
// repeating group of the format is malformed.
long long _daaEncodeBound(const char *format);
