// Host service calls of qm32: the worker that encodes a request behind the
// request header, sends it to the configured host (EBCDIC and the "QM62"
// acknowledgement for a mainframe), and decodes answer and host status; calls
// run on worker threads while the caller dispatches, nested calls last-in, first-out.
#include "qmdaa32.h"
#include "qm32int.h"
#include "qmcnv32.h"
#include "qmsocket.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

const char *const kModule = "qmdaa32";
const char *const kCheckLog = "Check previous log entry for specifics.";

// The logon the logon module registered: asked for when a call finds nobody
// logged on.
std::atomic<DAA_LOGON_HOOK> g_logonHook{nullptr};

void step(const char *text) {
    _qm32Step(text);
}

// The registered logon; false (a refused logon) when there is none.
bool logOnNow() {
    DAA_LOGON_HOOK hook = g_logonHook.load();
    return hook && hook();
}

// ---- small helpers -------------------------------------------------------------

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

[[noreturn]] void raise(long number, const std::string &data, const char *procedure, int line) {
    throw new CBlockingSocketException(static_cast<int>(number), data.c_str(), kModule, procedure,
                                       line);
}

// Copies at most `count` bytes of `src` (up to its first NUL) into a record
// field of `width` bytes and clears the rest of the field.
void setFixed(char *field, std::size_t width, const char *src, std::size_t count) {
    std::size_t n = strnlen(src, count);
    if (n > width - 1)
        n = width - 1;
    std::memcpy(field, src, n);
    std::memset(field + n, 0, width - n);
}

// Fills a record field of exactly `width` bytes from a text (no terminator
// when the text fills it).
void putField(char *field, std::size_t width, const std::string &s) {
    std::size_t n = s.size() < width ? s.size() : width;
    std::memcpy(field, s.data(), n);
    std::memset(field + n, 0, width - n);
}

// A fixed-width text of the caller's block, never read past its width.
std::string blockText(const char *field, std::size_t width) {
    return std::string(field, strnlen(field, width));
}

std::string trimRight(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// The configuration section of a call: the block's section, or the library's own.
std::string sectionOf(const DAA_SERVICE_BLOCK *block) {
    std::string s = trimRight(blockText(block->szSection, sizeof block->szSection));
    return s.empty() ? QM32_ARCH_SECTION : s;
}

// The answer's bytes as printable text for a data text.
std::string printable(const char *p, std::size_t n) {
    std::string s(p, n);
    for (char &c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            c = '?';
    return s;
}

// ---- configuration of a call -----------------------------------------------------
// qm32.ini is read at every call. The keys are read with the profile functions
// once per content of the file: each call reads the file's bytes and reuses the
// values read from the same bytes, so a change takes effect with the next call
// while an unchanged file costs one read instead of one per key.

struct CallConfig {
    long debug = 0;
    long perfData = 0;
    std::string section;
    std::string host, type, databaseId;
    long port = 0;
    long svcTimeout = 60;
    long ackTimeout = 20;
    std::size_t maxAnswer = DAA_MAX_ANSWER_RECORD;
};

class ConfigCache {
  public:
    CallConfig get(const std::string &section) {
        std::string content;
        bool readable = readAll(_qm32IniPath(), content);
        std::lock_guard<std::mutex> lock(mutex_);
        if (!readable || content != content_) {
            entries_.clear();
            content_ = readable ? content : std::string();
        }
        if (readable)
            for (const CallConfig &c : entries_)
                if (c.section == section)
                    return c;
        CallConfig c = readKeys(section);
        if (readable && entries_.size() < 64)
            entries_.push_back(c);
        return c;
    }

  private:
    static bool readAll(const std::string &path, std::string &out) {
        std::FILE *f = std::fopen(path.c_str(), "rb");
        if (!f)
            return false;
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            out.append(chunk, n);
        bool ok = !std::ferror(f);
        std::fclose(f);
        return ok;
    }
    static CallConfig readKeys(const std::string &section) {
        CallConfig c;
        const char *sec = section.c_str();
        c.section = section;
        c.debug = _qm32ProfileInt(QM32_ARCH_SECTION, "DebugLevel", 0);
        c.perfData = _qm32ProfileInt(QM32_ARCH_SECTION, "PerfData", 0);
        long maxAnswer =
            _qm32ProfileInt(QM32_ARCH_SECTION, "MaxAnswerRecord", DAA_MAX_ANSWER_RECORD);
        if (maxAnswer > 0)
            c.maxAnswer = static_cast<std::size_t>(maxAnswer);
        c.host = _qm32ProfileString(sec, "SvcHost").substr(0, 25);
        c.port = _qm32ProfileInt(sec, "SvcPort", 0);
        c.type = _qm32ProfileString(sec, "SvcHostType");
        c.svcTimeout = _qm32ProfileInt(sec, "SvcTimeout", 60);
        c.ackTimeout = _qm32ProfileInt(sec, "AckTimeout", 20);
        c.databaseId = _qm32ProfileString(sec, "DatabaseID").substr(0, 8);
        return c;
    }

    std::mutex mutex_;
    std::string content_;
    std::vector<CallConfig> entries_;
};

CallConfig callConfig(const DAA_SERVICE_BLOCK *block) {
    static ConfigCache *cache = new ConfigCache; // used by workers until the process ends
    return cache->get(sectionOf(block));
}

// ---- host information ----------------------------------------------------------

[[noreturn]] void missingKey(const std::string &section, const char *key, int line) {
    raise(QM32_ERR_NO_MESSAGEFILE,
          format("Could not locate section [%s], key %s", section.c_str(), key),
          "_daaFormatHostInfo", line);
}

// Checks the host of the call's section and fills the request header, which
// then replaces the first 88 bytes of the caller's request record.
void _daaFormatHostInfo(const DAA_CALL *call, const CallConfig &info) {
    DAA_SERVICE_BLOCK *block = call->block;
    void *request = call->request;
    if (info.host.empty())
        missingKey(info.section, "SvcHost", __LINE__);
    // A port outside the range of ports would connect elsewhere: it counts as missing.
    if (info.port <= 0 || info.port > 65535)
        missingKey(info.section, "SvcPort", __LINE__);
    if (info.type.empty())
        missingKey(info.section, "SvcHostType", __LINE__);
    bool mainframe = info.type[0] == 'M';

    DAA_REQUEST_HEADER h;
    std::memset(&h, 0, sizeof h);
    if (block->ulRequestType == 0)
        block->ulRequestType = 'S';
    if (block->lOption == 0)
        block->lOption = 1;
    h.cRequestType = static_cast<char>(block->ulRequestType);
    h.lPosition = block->lPosition;
    h.sRows = static_cast<int16_t>(block->lRows);
    h.sStart = static_cast<int16_t>(block->lStart);
    h.sService = static_cast<int16_t>(block->lService);
    h.sOption = static_cast<int16_t>(block->lOption);

    char user[51] = "";
    char password[51] = "";
    if (call->userId) {
        _qm32SetField(user, sizeof user, call->userId);
        _qm32SetField(password, sizeof password, call->password);
    } else {
        SEC_GetUserString(1, user, sizeof user);
        SEC_GetUserString(2, password, sizeof password);
    }
    if (user[0] == '\0' || password[0] == '\0')
        plat_wipe(password, sizeof password);
    if (user[0] == '\0')
        raise(DAA_ERR_LOGON, "Could not locate user id.", "_daaFormatHostInfo", __LINE__);
    if (password[0] == '\0')
        raise(DAA_ERR_PASSWORD, "Could not locate user id.", "_daaFormatHostInfo", __LINE__);
    std::string id = _qm32Upper(user);
    putField(h.szUserId, sizeof h.szUserId, id);
    // Only a mainframe host is sent the password.
    std::string secret = mainframe ? _qm32Upper(std::string(password, strnlen(password, 9))) : id;
    plat_wipe(password, sizeof password);
    putField(h.szPassword, sizeof h.szPassword, secret);
    plat_wipe(secret);
    if (!mainframe) {
        if (info.databaseId.empty())
            missingKey(info.section, "DatabaseID", __LINE__);
        putField(h.szDatabaseId, sizeof h.szDatabaseId, info.databaseId);
    }
    std::memcpy(request, &h, sizeof h);
    plat_wipe(&h, sizeof h);
}

// ---- messages and reports ------------------------------------------------------

// Logs a copy of a host error whose text is the service message of its
// number from "svcmsg.ini" next to the message file, when there is one.
void logServiceMessage(const ERR_RECORD &err) {
    std::string file = _qm32MessageFile(nullptr);
    if (file.empty())
        return;
    std::size_t cut = file.find_last_of("\\/");
    std::string dir = cut == std::string::npos ? std::string() : file.substr(0, cut);
    std::string svcmsg =
        dir.empty() ? std::string("svcmsg.ini") : plat_join_path(dir, "svcmsg.ini");
    std::string key = format("%ld", static_cast<long>(err.lErrorNumber));
    std::string text = plat_profile_string(svcmsg, "ERR_Messages", key.c_str(), "");
    if (text.empty())
        return;
    ERR_RECORD copy = err;
    setFixed(copy.szErrorText, 255, text.c_str(), 254);
    ERR_LogError(&copy);
}

void logCallStart(const DAA_SERVICE_BLOCK *block, const std::string &section, const char *fields,
                  std::size_t length) {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.ulErrorType = 'I';
    std::snprintf(r.szErrorText, sizeof r.szErrorText, "DAA call initiated for service %ld.",
                  static_cast<long>(block->lService));
    std::size_t n = length < sizeof r.szErrorData ? length : sizeof r.szErrorData;
    // A sign-on request carries a password (the new one of a change): its
    // data is masked, so the log never holds it.
    if (block->lService == DAA_SIGNON_SERVICE || block->ulRequestType == 'C')
        std::memset(r.szErrorData, '*', n);
    else
        std::memcpy(r.szErrorData, fields, n);
    _qm32SetField(r.szModule, sizeof r.szModule, kModule);
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, "DAA_InvokeService");
    _qm32SetField(r.szSource, sizeof r.szSource, "DAA Service Logging");
    _qm32SetField(r.szApplication, sizeof r.szApplication, section.c_str());
    ERR_LogError(&r);
}

void recordPerformance(long service, double seconds) {
    std::string key = format("%d", static_cast<int>(service));
    std::string value = format("%2.4f", seconds);
    plat_profile_write(_qm32WindowsFile("qmperf.ini"), "Performance Data", key.c_str(),
                       value.c_str());
}

// Reports a processor or system fault on a worker before it takes its course.
void faultReport(unsigned long code, const void *address) {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.ulSeverity = 16;
    r.ulErrorType = 'E';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, _qm32GetStep());
    std::snprintf(r.szErrorData, sizeof r.szErrorData, "Code = 0x%lX, Address = 0x%lX",
                  static_cast<unsigned long>(code),
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(address)));
    _qm32SetField(r.szModule, sizeof r.szModule, kModule);
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, "DAA_ExceptionHandler");
    _qm32SetField(r.szSource, sizeof r.szSource, "QM32.DLL");
    _qm32SetField(r.szApplication, sizeof r.szApplication, QM32_ARCH_SECTION);
#ifdef _WIN32
    // The exception filter runs outside any signal context: log and show.
    ERR_HandleError(&r);
#else
    // A fatal signal's handler can only log: a window there could wait on a
    // terminal the crashing process holds.
    ERR_LogError(&r);
#endif
    plat_report_failure(std::string("qm32: ") + r.szErrorText + " - " + r.szErrorData);
}

// ---- the work of one call --------------------------------------------------------

void testCall(DAA_CALL *call) {
    step("DAA_MessageThread - Test");
    DAA_SERVICE_BLOCK *block = call->block;
    plat_sleep_ms(block->lService);
    const char *request = static_cast<const char *>(call->request);
    std::string out = "Test Output - ";
    if (request)
        out.append(request, strnlen(request, DAA_BUFFER_SIZE));
    if (call->answer)
        std::memcpy(call->answer, out.c_str(), out.size() + 1);
    if (block->lOption != 0) {
        ERR_RECORD &e = block->Error;
        e.lErrorNumber = -1096;
        e.ulSeverity = 8;
        e.ulErrorType = 'A';
        std::memset(e.szErrorText, 0, sizeof e.szErrorText);
        _qm32SetField(e.szErrorData, sizeof e.szErrorData,
                      " DSNT404I SQLCODE = 100, NOT FOUND:  ROW NOT FOUND FOR FETCH, UPDATE, OR "
                      "DELETE, OR THE RESULT OF A QUERY IS AN EMPTY TABLE");
        _qm32SetField(e.szModule, sizeof e.szModule, "QMS01302");
        _qm32SetField(e.szProcedure, sizeof e.szProcedure, "S9810-CALL-SERVICE");
        std::memset(e.szSource, 0, sizeof e.szSource);
    }
}

int32_t readLengthWord(const char *p) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    uint32_t v = (uint32_t(u[0]) << 24) | (uint32_t(u[1]) << 16) | (uint32_t(u[2]) << 8) | u[3];
    return static_cast<int32_t>(v);
}

void writeLengthWord(char *p, uint32_t v) {
    p[0] = static_cast<char>(v >> 24);
    p[1] = static_cast<char>(v >> 16);
    p[2] = static_cast<char>(v >> 8);
    p[3] = static_cast<char>(v);
}

// Clears a buffer that held a password whichever way its scope is left.
struct WipeOnExit {
    explicit WipeOnExit(std::vector<char> &b) : buffer(b) {}
    ~WipeOnExit() { plat_wipe(buffer.data(), buffer.size()); }
    WipeOnExit(const WipeOnExit &) = delete;
    WipeOnExit &operator=(const WipeOnExit &) = delete;
    std::vector<char> &buffer;
};

// Encoding of a call: the request record behind the header, then the message
// in `buffer` (length word, prefix, format, text), converted to EBCDIC for a
// mainframe host. Every failure is raised.
void encodeRequest(DAA_CALL *call, const CallConfig &info, std::vector<char> &buffer) {
    DAA_SERVICE_BLOCK *block = call->block;
    long service = block->lService;
    long debug = info.debug;
    bool mainframe = info.type[0] == 'M';

    // Encoding.
    step("DAA_MessageThread - Encode Begins");
    std::string svcFormat = trimRight(blockText(block->szFormat, sizeof block->szFormat));
    std::string joined = std::string(DAA_HEADER_FMT) + svcFormat;
    long long bound = _daaEncodeBound(joined.c_str());
    if (bound < 0)
        raise(CNV_ERR_FORMAT_ELEMENT, "Encoding string " + joined, "CNV_EncodeStruct()", __LINE__);
    std::string wireFormat = mainframe ? _qm32Upper(svcFormat) : svcFormat;
    long long total =
        DAA_LENGTH_WORD + DAA_PREFIX_LEN + static_cast<long long>(wireFormat.size()) + bound;
    if (total > DAA_BUFFER_SIZE)
        raise(DAA_ERR_LIBRARY,
              format("Request of %lld bytes for service %ld exceeds the %d-byte message buffer",
                     total, service, DAA_BUFFER_SIZE),
              "DAA_MessageThread", __LINE__);
    std::vector<char> text(static_cast<std::size_t>(bound) + 1, '\0');
    WipeOnExit wipeText(text); // the header carries the password
    long rc = _cnvEncodeStruct(call->request, joined.c_str(), text.data());
    if (rc != 0)
        raise(rc, "Encoding string " + joined, "CNV_EncodeStruct()", __LINE__);
    std::size_t textLength = strnlen(text.data(), text.size());
    step("DAA_MessageThread - Encode Ends");

    // The message: length word, prefix, format, text.
    int level = debug < 0 ? 0 : debug > 9 ? 9 : static_cast<int>(debug);
    char prefix[DAA_PREFIX_LEN + 1];
    std::snprintf(prefix, sizeof prefix, "0%c00%0*d%0*d", '0' + level, 3,
                  static_cast<int>(wireFormat.size()), 5, static_cast<int>(textLength));
    std::size_t at = DAA_LENGTH_WORD;
    std::memcpy(&buffer[at], prefix, DAA_PREFIX_LEN);
    at += DAA_PREFIX_LEN;
    std::memcpy(&buffer[at], wireFormat.data(), wireFormat.size());
    at += wireFormat.size();
    std::memcpy(&buffer[at], text.data(), textLength);
    at += textLength;
    uint32_t length = static_cast<uint32_t>(at - DAA_LENGTH_WORD);

    if (debug > 2) {
        step("DAA_MessageThread - Log Service Call Begins");
        std::size_t fields = textLength > DAA_HEADER_ENCODED ? textLength - DAA_HEADER_ENCODED : 0;
        logCallStart(block, info.section, text.data() + (textLength - fields), fields);
        step("DAA_MessageThread - Log Service Call Ends");
    }

    step("DAA_MessageThread - ASCII To EBCDIC Begins");
    if (mainframe)
        CNV_ConvertASCIIToEBCDIC(reinterpret_cast<unsigned char *>(&buffer[DAA_LENGTH_WORD]),
                                 static_cast<int>(length));
    step("DAA_MessageThread - ASCII To EBCDIC Ends");
    writeLengthWord(&buffer[0], length);
}

// The exchange with the host: connection, acknowledgement (mainframe), the
// message of `buffer` sent, the answer received into `buffer`. Returns the
// answer's announced length; `received` gets the bytes after the length word.
// Every failure is raised.
int32_t exchangeMessage(const CallConfig &info, long service, CBlockingSocket &sock,
                        std::vector<char> &buffer, int &received) {
    bool mainframe = info.type[0] == 'M';
    uint32_t length = static_cast<uint32_t>(readLengthWord(buffer.data()));

    step("DAA_MessageThread - Socket Creation");
    sock.Create(SOCK_STREAM_QM, service);
    step("DAA_MessageThread - Socket Connection");
    sock.Connect(CInetAddress(info.host.c_str(), static_cast<int>(info.port)));
    sock.SetTimeout(static_cast<int>(info.ackTimeout));
    step("DAA_MessageThread - Socket Ack Begins");
    if (mainframe) {
        sock.Write("QM62", 5);
        char reply[20];
        sock.Receive(reply, sizeof reply);
    }
    step("DAA_MessageThread - Socket Ack Ends");
    sock.SetTimeout(static_cast<int>(info.svcTimeout));

    step("DAA_MessageThread - Socket Send Begins");
    sock.Write(buffer.data(), static_cast<int>(DAA_LENGTH_WORD + length));
    step("DAA_MessageThread - Socket Receive Begins");
    std::memset(buffer.data(), 0, buffer.size());
    int got = 0;
    while (got < DAA_LENGTH_WORD) {
        int n = sock.Receive(&buffer[static_cast<std::size_t>(got)], DAA_LENGTH_WORD - got);
        if (n == 0)
            break;
        got += n;
    }
    if (got < DAA_LENGTH_WORD)
        raise(DAA_ERR_LIBRARY,
              got == 0 ? format("Service %ld closed the connection without answering", service)
                       : format("Service %ld closed the connection within the answer's length word",
                                service),
              "DAA_MessageThread", __LINE__);
    int32_t announced = readLengthWord(buffer.data());
    if (announced < 0)
        raise(DAA_ERR_LIBRARY,
              format("Answer length %ld from service %ld is negative", static_cast<long>(announced),
                     service),
              "DAA_MessageThread", __LINE__);
    if (announced > DAA_BUFFER_SIZE - DAA_LENGTH_WORD)
        raise(DAA_ERR_LIBRARY,
              format("Answer length %ld from service %ld exceeds the %d-byte message buffer",
                     static_cast<long>(announced), service, DAA_BUFFER_SIZE),
              "DAA_MessageThread", __LINE__);
    // A mainframe host closes after its answer; any other host's answer ends
    // with the bytes its length word announces.
    int want = mainframe ? DAA_BUFFER_SIZE : DAA_LENGTH_WORD + announced;
    while (got < want) {
        int n = sock.Receive(&buffer[static_cast<std::size_t>(got)], want - got);
        if (n == 0)
            break;
        got += n;
    }
    step("DAA_MessageThread - Socket Receive Ends");
    sock.Close();
    step("DAA_MessageThread - Socket Closed");

    received = got - DAA_LENGTH_WORD;
    return announced;
}

// Decoding of the answer in `buffer` into the caller's answer record and the
// service block's error record. Every failure is raised.
void decodeAnswer(DAA_CALL *call, const CallConfig &info, std::vector<char> &buffer,
                  int32_t announced, int received) {
    DAA_SERVICE_BLOCK *block = call->block;
    long service = block->lService;
    long debug = info.debug;
    bool mainframe = info.type[0] == 'M';

    if (mainframe) {
        CNV_ConvertEBCDICToASCII(reinterpret_cast<unsigned char *>(&buffer[DAA_LENGTH_WORD]),
                                 received);
        step("DAA_MessageThread - ASCII To EBCDIC Ends");
    }
    if (received < announced)
        raise(DAA_ERR_LIBRARY,
              format("Answer from service %ld ended after %d of %ld announced bytes", service,
                     received, static_cast<long>(announced)),
              "DAA_MessageThread", __LINE__);

    DAA_ANSWER_PARTS parts;
    _daaSplitAnswer(&buffer[DAA_LENGTH_WORD], announced, service, parts);
    if (call->answerCheck && parts.textLength > 0 &&
        !call->answerCheck(parts.format, parts.formatLength))
        raise(
            DAA_ERR_LIBRARY,
            format("Answer format \"%s\" of service %ld does not fit its answer record",
                   printable(parts.format, static_cast<std::size_t>(
                                               parts.formatLength < 200 ? parts.formatLength : 200))
                       .c_str(),
                   service),
            "DAA_MessageThread", __LINE__);
    long hostError = _daaDecodeAnswer(parts, block, call->answer, info.maxAnswer);

    if (hostError != 0) {
        logServiceMessage(block->Error);
        if (debug > 0 && !(debug == 1 && (hostError == 23 || hostError == 27))) {
            std::snprintf(block->Error.szSource, sizeof block->Error.szSource,
                          "DAA - Level %d - Error = %ld", static_cast<int>(debug), hostError);
            ERR_LogError(&block->Error);
        }
    }
}

// Steps 3 to 15 of a call: encoding, exchange, decoding; every failure is
// raised.
void serviceCall(DAA_CALL *call, const CallConfig &info, CBlockingSocket &sock) {
    DAA_SERVICE_BLOCK *block = call->block;
    long service = block->lService;
    if (!call->request || !call->answer)
        raise(DAA_ERR_LIBRARY, format("No request or answer record for service %ld", service),
              "DAA_MessageThread", __LINE__);
    _daaFormatHostInfo(call, info);

    std::vector<char> buffer(DAA_BUFFER_SIZE, '\0');
    WipeOnExit wipeBuffer(buffer); // the request's header carries the password
    encodeRequest(call, info, buffer);
    int received = 0;
    int32_t announced = exchangeMessage(info, service, sock, buffer, received);
    decodeAnswer(call, info, buffer, announced, received);
}

// Step 17: waits for the newer calls, then posts the completion until the
// caller has taken it (once, to the calling thread itself, without a thread).
void handBack(DAA_CALL *call) {
    if (call->ownEvent)
        plat_event_wait(call->ownEvent, -1);
    step("DAA_MessageThread - Waited for Other Threads");
    unsigned message = DAA_COMPLETION_BASE + static_cast<unsigned>(call->index);
    intptr_t ack = reinterpret_cast<intptr_t>(call->ackEvent);
    if (!call->ackEvent) {
        plat_post_thread_message(call->callerThread, message, 0, 0);
    } else {
        do {
            plat_post_thread_message(call->callerThread, message, 0, ack);
        } while (!plat_event_wait(call->ackEvent, 500));
    }
    step("DAA_MessageThread - Ends");
}

// ---- calls of one thread --------------------------------------------------------

// The outstanding calls of the calling thread, most recent last. Each
// thread that makes calls has its own list, so calls from several threads do
// not wait for each other.
thread_local std::vector<DAA_CALL *> t_calls;

void destroyCall(DAA_CALL *call) {
    plat_event_close(call->ownEvent);
    plat_event_close(call->ackEvent);
    delete call;
}

// Steps 1 and 2 of both exports: the call record and the logon. Returns the
// call, or nullptr with *result set when the call ends here.
DAA_CALL *beginCall(DAA_SERVICE_BLOCK *block, void *request, void *answer, long *result,
                    bool logon = true) {
    if (!block) {
        *result = DAA_ERR_LIBRARY;
        return nullptr;
    }
    if (!_qm32Shared()) {
        *result = _qm32StartupError();
        return nullptr;
    }
    auto *call = new DAA_CALL;
    call->callerThread = plat_thread_current_id();
    call->block = block;
    call->request = request;
    call->answer = answer;
    std::string section = blockText(block->szSection, sizeof block->szSection);
    _qm32SetField(block->Error.szApplication, sizeof block->Error.szApplication, section.c_str());

    QM32_SHARED *shared = _qm32Shared();
    bool loggedOn = shared && shared->szUserId[0] != '\0';
    if (logon && !loggedOn && block->ulRequestType != 'T' && !logOnNow()) {
        ERR_RECORD &e = block->Error;
        std::memset(&e, 0, sizeof e);
        e.lErrorNumber = DAA_ERR_LOGON;
        e.ulSeverity = 8;
        e.ulErrorType = 'E';
        ERR_GetMessageText(QM32_ARCH_SECTION, DAA_ERR_LOGON, e.szErrorText,
                           static_cast<int>(sizeof e.szErrorText), nullptr, nullptr);
        _qm32SetField(e.szErrorData, sizeof e.szErrorData, "Login from DAA_InvokeService failed");
        _qm32SetField(e.szModule, sizeof e.szModule, kModule);
        _qm32SetField(e.szProcedure, sizeof e.szProcedure, "DAA_InvokeService");
        _qm32SetField(e.szSource, sizeof e.szSource, "QM32.DLL");
        _qm32SetField(e.szApplication, sizeof e.szApplication, section.c_str());
        delete call;
        *result = DAA_ERR_LOGON;
        return nullptr;
    }
    return call;
}

// A failure of the threading itself (no event, no thread): logged, and the
// call's result.
long threadingFailure(DAA_SERVICE_BLOCK *block, const char *what) {
    CBlockingSocketException e(
        DAA_ERR_LIBRARY,
        format("%s for service %ld", what, static_cast<long>(block->lService)).c_str(), kModule,
        "DAA_InvokeService", __LINE__);
    e.LogError();
    return DAA_ERR_LIBRARY;
}

void runWorker(DAA_CALL *call) {
    plat_run_with_fault_report([call] { DAA_MessageThread(call); }, faultReport);
}

long invokeThreaded(DAA_SERVICE_BLOCK *block, void *request, void *answer,
                    const char *userId = nullptr, const char *password = nullptr,
                    DAA_ANSWER_CHECK check = nullptr) {
    long result = 0;
    DAA_CALL *call = beginCall(block, request, answer, &result, userId == nullptr);
    if (!call)
        return result;
    call->userId = userId;
    call->password = userId ? (password ? password : "") : nullptr;
    call->answerCheck = check;

    // A newer call holds the one before it back until it has returned.
    if (!t_calls.empty()) {
        plat_event_t previous = t_calls.back()->ownEvent;
        if (plat_event_is_set(previous))
            plat_event_reset(previous);
        call->previousEvent = previous;
    }
    call->ownEvent = plat_event_create(true, true);
    call->ackEvent = plat_event_create(true, false);
    if (!call->ownEvent || !call->ackEvent) {
        if (call->previousEvent)
            plat_event_set(call->previousEvent);
        destroyCall(call);
        return threadingFailure(block, "No event could be created");
    }
    t_calls.push_back(call);
    call->index = static_cast<int>(t_calls.size());
    call->thread = plat_thread_start([call] { runWorker(call); });
    if (!call->thread) {
        t_calls.pop_back();
        if (call->previousEvent)
            plat_event_set(call->previousEvent);
        destroyCall(call);
        return threadingFailure(block, "No worker thread could be started");
    }

    // Dispatch this thread's messages until the completion of this call.
    const unsigned done = DAA_COMPLETION_BASE + static_cast<unsigned>(call->index);
    const intptr_t ack = reinterpret_cast<intptr_t>(call->ackEvent);
    std::vector<plat_msg_t> foreign; // messages of our number that are not ours
    bool quit = false, waitQuietly = false;
    int quitCode = 0;
    for (;;) {
        plat_msg_t msg;
        int got = plat_get_message(msg);
        if (got <= 0) {
            // A failing queue is treated as a quit request that is not repeated.
            quit = got == 0;
            waitQuietly = true;
            quitCode = static_cast<int>(msg.wparam);
            break;
        }
        if (msg.message == done && msg.lparam == ack)
            break;
        plat_dispatch_message(msg);
    }
    if (waitQuietly) {
        // Told to quit: stop dispatching, but wait for the worker, which
        // writes into the caller's records until it posts the completion.
        for (;;) {
            plat_msg_t msg;
            int got = plat_get_message(msg, done, done);
            if (got == 0) {
                quitCode = static_cast<int>(msg.wparam);
                continue;
            }
            if (got < 0) {
                plat_sleep_ms(10);
                continue;
            }
            if (msg.lparam == ack)
                break;
            foreign.push_back(msg);
        }
    }

    // Step 7: this call is the most recent one (newer calls have returned).
    auto self = std::find(t_calls.rbegin(), t_calls.rend(), call);
    if (self != t_calls.rend())
        t_calls.erase(std::next(self).base());
    plat_event_set(call->ackEvent);
    if (call->previousEvent)
        plat_event_set(call->previousEvent);
    plat_thread_join(call->thread);
    // Completions the worker posted again before it saw the acknowledgement.
    plat_msg_t msg;
    while (plat_peek_message(msg, done, done, true)) {
        if (msg.message == PLAT_WM_QUIT) {
            quit = true;
            quitCode = static_cast<int>(msg.wparam);
        } else if (msg.lparam != ack) {
            foreign.push_back(msg);
        }
    }
    for (const plat_msg_t &m : foreign)
        plat_post_thread_message(call->callerThread, m.message, m.wparam, m.lparam);
    result = call->result;
    destroyCall(call);
    if (quit)
        plat_post_quit_message(quitCode);
    return result;
}

long invokeOnThisThread(DAA_SERVICE_BLOCK *block, void *request, void *answer) {
    long result = 0;
    DAA_CALL *call = beginCall(block, request, answer, &result);
    if (!call)
        return result;
    runWorker(call);
    result = call->result;
    destroyCall(call);
    return result;
}

} // namespace

// ---- internal interface ------------------------------------------------------------

long _daaInvokeAs(DAA_SERVICE_BLOCK *block, void *request, void *answer, const char *userId,
                  const char *password, DAA_ANSWER_CHECK check) {
    try {
        return invokeThreaded(block, request, answer, userId ? userId : "", password, check);
    } catch (...) {
        return DAA_ERR_LIBRARY;
    }
}

const char *_daaGetStep() {
    return _qm32GetStep();
}

DAA_LOGON_HOOK _daaSetLogonHook(DAA_LOGON_HOOK hook) {
    return g_logonHook.exchange(hook);
}

long long _daaEncodeBound(const char *fmt) {
    const char *p = fmt;
    long long total = 0;
    const long long limit = CNV_LENGTH_LIMIT;
    CNV_FORMAT_ELEMENT e;
    while (_cnvGetFormatElement(&p, &e)) {
        long long add = e.iEncodeLen;
        if (e.cType == 'r') {
            long long len = _cnvGetGroupEncodeLen(&p, e.iCount, 1);
            if (len < 0)
                return -1;
            add = e.iPrecision > 0 && len > limit / e.iPrecision ? limit : len * e.iPrecision;
        }
        total = total > limit - add ? limit : total + add;
    }
    return total;
}

void _daaSplitAnswer(const char *body, int length, long service, DAA_ANSWER_PARTS &parts) {
    parts = DAA_ANSWER_PARTS();
    if (length < DAA_PREFIX_LEN)
        raise(DAA_ERR_LIBRARY,
              format("Answer from service %ld is %d bytes long, shorter than its prefix", service,
                     length),
              "DAA_MessageThread", __LINE__);
    for (int i = 4; i < DAA_PREFIX_LEN; ++i)
        if (body[i] < '0' || body[i] > '9')
            raise(DAA_ERR_LIBRARY,
                  format("Answer prefix \"%s\" from service %ld does not hold its lengths",
                         printable(body, DAA_PREFIX_LEN).c_str(), service),
                  "DAA_MessageThread", __LINE__);
    int f = 0, d = 0;
    for (int i = 4; i < 7; ++i)
        f = f * 10 + (body[i] - '0');
    for (int i = 7; i < DAA_PREFIX_LEN; ++i)
        d = d * 10 + (body[i] - '0');
    if (DAA_PREFIX_LEN + f + d > length)
        raise(DAA_ERR_LIBRARY,
              format("Answer prefix from service %ld announces %d format and %d text characters, "
                     "only %d arrived",
                     service, f, d, length - DAA_PREFIX_LEN),
              "DAA_MessageThread", __LINE__);
    parts.formatLength = f;
    parts.textLength = d;
    parts.format = body + DAA_PREFIX_LEN;
    parts.text = parts.format + f;
    parts.status = parts.text + d;
    int rest = length - DAA_PREFIX_LEN - f - d;
    parts.statusLength = rest < DAA_STATUS_ENCODED ? rest : DAA_STATUS_ENCODED;
}

long _daaDecodeAnswer(const DAA_ANSWER_PARTS &parts, DAA_SERVICE_BLOCK *block, void *answer,
                      std::size_t maxRecord) {
    if (parts.textLength > 0) {
        std::string fmt =
            _qm32Lower(std::string(DAA_HEADER_FMT) + std::string(parts.format, parts.formatLength));
        std::string text(parts.text, static_cast<std::size_t>(parts.textLength));
        // The host describes the caller's answer record; a description that
        // reaches beyond the configured extent is not written anywhere.
        if (_cnvGetStructSize(fmt.c_str(), maxRecord, nullptr) == static_cast<std::size_t>(-1))
            raise(DAA_ERR_LIBRARY,
                  format("Answer format of service %ld describes a record of more than %lu bytes "
                         "(MaxAnswerRecord): %.120s",
                         static_cast<long>(block->lService), static_cast<unsigned long>(maxRecord),
                         std::string(parts.format, parts.formatLength).c_str()),
                  "DAA_MessageThread", __LINE__);
        step("DAA_MessageThread - Decode Begins");
        long rc = CNV_DecodeStruct(answer, fmt.c_str(), text.c_str());
        if (rc != 0)
            raise(rc, "Decoding string " + fmt, "CNV_DecodeStruct()", __LINE__);
        step("DAA_MessageThread - Decode Ends");
    }

    step("DAA_MessageThread - Decode FQMI9901_FMT Begins");
    alignas(8) unsigned char status[DAA_STATUS_SIZE + 32];
    std::memset(status, 0, sizeof status);
    std::string encoded(parts.status ? parts.status : "",
                        static_cast<std::size_t>(parts.status ? parts.statusLength : 0));
    long rc = CNV_DecodeStruct(status, FQMI9901_FMT, encoded.c_str());
    if (rc != 0)
        raise(rc, "Decoding answer string " FQMI9901_FMT, "CNV_DecodeStruct()", __LINE__);
    step("DAA_MessageThread - Decode FQMI9901_FMT Ends");

    if (parts.textLength > 0) {
        const auto *h = static_cast<const unsigned char *>(answer);
        int32_t position;
        int16_t rows;
        std::memcpy(&position, h + offsetof(DAA_REQUEST_HEADER, lPosition), sizeof position);
        std::memcpy(&rows, h + offsetof(DAA_REQUEST_HEADER, sHostRows), sizeof rows);
        block->lPosition = position;
        block->lRows = rows;
    } else {
        block->lRows = 0;
    }
    ERR_RECORD &e = block->Error;
    const char *s = reinterpret_cast<const char *>(status);
    int16_t number, severity;
    std::memcpy(&number, status + 130, sizeof number);
    std::memcpy(&severity, status + 476, sizeof severity);
    setFixed(e.szModule, sizeof e.szModule, s + 90, 8);
    e.ulErrorType = status[99];
    setFixed(e.szProcedure, sizeof e.szProcedure, s + 100, 30);
    e.lErrorNumber = number;
    setFixed(e.szErrorText, sizeof e.szErrorText, s + 132, 159);
    setFixed(e.szErrorData, sizeof e.szErrorData, s + 316, 159);
    e.ulSeverity = static_cast<uint32_t>(static_cast<int32_t>(severity));
    e.ulLineNumber = 0;
    return number;
}

namespace {

// What an exception that is not the library's own says about itself.
std::string currentExceptionText() {
    try {
        throw;
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "exception of an unknown type";
    }
}

// A failed call: logs the exception (when there is one), closes an open
// socket and sets the call's result and the block's error record to `number`.
void trapFailure(DAA_CALL *call, CBlockingSocket &sock, long number, CBlockingSocketException *e) {
    std::unique_ptr<CBlockingSocketException> owned(e);
    if (e)
        e->LogError();
    if (sock.GetHandle() != 0) {
        try {
            sock.Close();
        } catch (CBlockingSocketException *closeError) {
            delete closeError;
        } catch (...) {
        }
    }
    call->result = number;
    ERR_RECORD &r = call->block->Error;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = static_cast<int32_t>(number);
    r.ulSeverity = 8;
    r.ulErrorType = 'E';
    _qm32SetField(r.szErrorData, sizeof r.szErrorData, kCheckLog);
    _qm32SetField(r.szModule, sizeof r.szModule, kModule);
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, "DAA_MessageThread");
    _qm32SetField(r.szSource, sizeof r.szSource, "Error Trap");
}

// The exception being handled, as the library's own with DAA_ERR_EXCEPTION;
// nullptr when even that cannot be built (memory exhausted).
CBlockingSocketException *unexpectedException(long service) noexcept {
    try {
        std::string data = format("Unexpected exception in service %ld at step \"%s\": %s", service,
                                  _qm32GetStep(), currentExceptionText().c_str());
        return new CBlockingSocketException(static_cast<int>(DAA_ERR_EXCEPTION), data.c_str(),
                                            kModule, "DAA_MessageThread", __LINE__);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

void DAA_MessageThread(DAA_CALL *call) {
    step("DAA_MessageThread - Start");
    DAA_SERVICE_BLOCK *block = call->block;
    CallConfig config = callConfig(block);
    long long started = plat_clock_ms();

    if (block->ulRequestType == 'T') {
        testCall(call);
        handBack(call);
        return;
    }

    CBlockingSocket sock;
    try {
        serviceCall(call, config, sock);
    } catch (CBlockingSocketException *e) {
        trapFailure(call, sock, e->GetErrorNumber(), e);
    } catch (...) {
        // Any other exception (memory exhausted, a fault of a callee raised as
        // an exception) fails the call with a number of its own instead of
        // leaving the result at 0.
        trapFailure(call, sock, DAA_ERR_EXCEPTION, unexpectedException(block->lService));
    }

    double seconds = static_cast<double>(plat_clock_ms() - started) * 0.001;
    if (config.perfData != 0)
        recordPerformance(block->lService, seconds);
    step("DAA_MessageThread - Logged Performance Data");
    handBack(call);
}

// ---- exports ----------------------------------------------------------------------

extern "C" {

QM32_API long QM32_CALL DAA_InvokeService(DAA_SERVICE_BLOCK *pBlock, void *pRequest,
                                          void *pAnswer) {
    try {
        return invokeThreaded(pBlock, pRequest, pAnswer);
    } catch (...) {
        return DAA_ERR_LIBRARY;
    }
}

QM32_API long QM32_CALL DAA_InvokeService_NoThread(DAA_SERVICE_BLOCK *pBlock, void *pRequest,
                                                   void *pAnswer) {
    try {
        return invokeOnThisThread(pBlock, pRequest, pAnswer);
    } catch (...) {
        return DAA_ERR_LIBRARY;
    }
}

} // extern "C"
