// Mail service of qm32: MAIL_SendMessageFile sends a text file as a mail
// message by SMTP over the library's blocking socket, straight to port 25 of
// the receiver's host. The message is prepared in a temporary file before the
// connection is made; each reply of the server is checked.
#include "qmmail.h"
#include "qm32int.h"
#include "qmsocket.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const long kMailError = 30054;
const int kSmtpPort = 25;
const int kReplySeconds = 60;
// A reply longer than this is not a mail server's.
const std::size_t kMaxReply = 65536;
// Message text is sent in pieces of about this size.
const std::size_t kSendChunk = 16384;
const char *const kModule = "qmmail";
const char *const kProcedure = "MAIL_SendMessageFile()";

// Logs a failure of the mail service as an entry of its own.
void logFailure(const std::string &data, int line) {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = kMailError;
    r.ulSeverity = 8;
    r.ulErrorType = 'E';
    ERR_GetMessageText(QM32_ARCH_SECTION, kMailError, r.szErrorText,
                       static_cast<int>(sizeof r.szErrorText), nullptr, nullptr);
    _qm32SetField(r.szErrorData, sizeof r.szErrorData, data.c_str());
    _qm32SetField(r.szModule, sizeof r.szModule, kModule);
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, kProcedure);
    _qm32SetField(r.szSource, sizeof r.szSource, "QM32.DLL");
    _qm32SetField(r.szApplication, sizeof r.szApplication, QM32_ARCH_SECTION);
    r.ulLineNumber = static_cast<uint32_t>(line);
    ERR_LogError(&r);
}

// A failure of the dialogue with its cause; logged by the catcher.
struct MailFailure {
    std::string cause;
    int line;
};

// Closes a stdio file when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The temporary file of the message: removed on every path.
struct TempFile {
    std::string path;
    ~TempFile() {
        if (!path.empty())
            plat_remove_file(path);
    }
};

// Reads one line (without its line end: LF, or CR LF) into `line`; false at
// the end of the file.
bool readLine(std::FILE *f, std::string &line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r' && c == '\n')
        line.pop_back();
    return any;
}

// The mail's temporary file: the header lines, an empty line and the
// message file's bytes.
void prepareMessage(const std::string &receiver, const std::string &sender,
                    const std::string &subject, const char *file, TempFile &temp) {
    File in(std::fopen(file, "rb"));
    if (!in)
        throw MailFailure{std::string("Cannot read the message file ") + file, __LINE__};
    if (!plat_create_temp_file("", "arc", temp.path))
        throw MailFailure{"Cannot create a temporary file in " + plat_temp_directory(), __LINE__};
    File out(std::fopen(temp.path.c_str(), "wb"));
    if (!out)
        throw MailFailure{"Cannot write the temporary file " + temp.path, __LINE__};
    std::string head = "Date: " + _mailDateText(std::time(nullptr)) + "\n" + "To: " + receiver +
                       "\n" + "From: " + sender + "\n" + "Subject: " + subject + "\n\n";
    bool ok = std::fwrite(head.data(), 1, head.size(), out.get()) == head.size();
    char buf[8192];
    std::size_t n;
    while (ok && (n = std::fread(buf, 1, sizeof buf, in.get())) > 0)
        ok = std::fwrite(buf, 1, n, out.get()) == n;
    bool readOk = !std::ferror(in.get());
    ok = std::fclose(out.release()) == 0 && ok;
    if (!readOk)
        throw MailFailure{std::string("Cannot read the message file ") + file, __LINE__};
    if (!ok)
        throw MailFailure{"Cannot write the temporary file " + temp.path, __LINE__};
}

// One SMTP conversation over a connected socket.
class SmtpDialogue {
  public:
    SmtpDialogue(CBlockingSocket &socket, const std::string &host) : s_(socket), host_(host) {}

    // Reads one reply (all its lines); the code of its last line.
    int Reply(std::string &text) {
        for (;;) {
            // Complete lines in the buffer: a reply ends with "ddd " or "ddd".
            std::size_t start = 0, end;
            while ((end = buf_.find('\n', start)) != std::string::npos) {
                std::string line = buf_.substr(start, end - start);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                start = end + 1;
                bool digits = line.size() >= 3 &&
                              std::isdigit(static_cast<unsigned char>(line[0])) &&
                              std::isdigit(static_cast<unsigned char>(line[1])) &&
                              std::isdigit(static_cast<unsigned char>(line[2]));
                if (!digits)
                    throw MailFailure{"The mail server " + host_ + " sent no reply code: " + line,
                                      __LINE__};
                if (line.size() == 3 || line[3] == ' ') {
                    text = line;
                    buf_.erase(0, start);
                    return std::atoi(line.substr(0, 3).c_str());
                }
            }
            if (buf_.size() > kMaxReply)
                throw MailFailure{"The mail server " + host_ + " sent a reply too long", __LINE__};
            char data[512];
            int n = s_.Receive(data, sizeof data);
            if (n == 0)
                throw MailFailure{"The mail server " + host_ + " closed the connection", __LINE__};
            buf_.append(data, static_cast<std::size_t>(n));
        }
    }

    // Sends a command (its line end added) and checks the reply's code.
    void Command(const std::string &command, int expected, int alternative = 0) {
        Send(command + "\r\n");
        Expect(command, expected, alternative);
    }

    // Checks the next reply; `what` names the step for the log.
    void Expect(const std::string &what, int expected, int alternative = 0) {
        std::string text;
        int code = Reply(text);
        if (code != expected && (alternative == 0 || code != alternative))
            throw MailFailure{"The mail server " + host_ + " refused " + what + ": " + text,
                              __LINE__};
    }

    void Send(const std::string &text) {
        if (!text.empty())
            s_.Write(text.data(), static_cast<int>(text.size()));
    }

  private:
    CBlockingSocket &s_;
    std::string host_;
    std::string buf_;
};

// Sends the temporary file as the message text: lines end in CR LF, and a
// line that starts with "." gets a second one, so that no line of the file
// ends the message; then the end of the message.
void sendMessage(SmtpDialogue &smtp, const std::string &path) {
    File in(std::fopen(path.c_str(), "rb"));
    if (!in)
        throw MailFailure{"Cannot read the temporary file " + path, __LINE__};
    std::string out, line;
    while (readLine(in.get(), line)) {
        if (!line.empty() && line[0] == '.')
            out += '.';
        out += line;
        out += "\r\n";
        if (out.size() >= kSendChunk) {
            smtp.Send(out);
            out.clear();
        }
    }
    if (std::ferror(in.get()))
        throw MailFailure{"Cannot read the temporary file " + path, __LINE__};
    out += ".\r\n";
    smtp.Send(out);
    smtp.Expect("the message", 250);
}

// The name this computer gives in HELO: letters, digits, "-" and "." only.
std::string heloName() {
    std::string name;
    for (char c : plat_computer_name())
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.')
            name += c;
    return name.empty() ? "localhost" : name;
}

bool hasLineEnd(const std::string &text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

long sendMail(const char *pszReceiver, const char *pszSender, const char *pszSubject,
              const char *pszFile) {
    TempFile temp;
    CBlockingSocket socket;
    try {
        if (!pszReceiver || !pszFile)
            throw MailFailure{"No receiver or no message file given", __LINE__};
        std::string receiver = pszReceiver;
        std::string sender = pszSender ? pszSender : "";
        std::string subject = pszSubject ? pszSubject : "";
        // A line end would end the command or header line and start another.
        if (hasLineEnd(receiver) || hasLineEnd(sender) || hasLineEnd(subject))
            throw MailFailure{"A line end in the receiver, sender or subject", __LINE__};
        std::size_t at = receiver.rfind('@');
        if (at == std::string::npos || at + 1 == receiver.size())
            throw MailFailure{"No host in the receiver address " + receiver, __LINE__};
        std::string host = receiver.substr(at + 1);

        prepareMessage(receiver, sender, subject, pszFile, temp);

        CInetAddress address("0.0.0.0", kSmtpPort);
        if (!plat_resolve_ipv4(host, &address.sin_addr))
            throw MailFailure{"Cannot resolve the mail host " + host, __LINE__};
        socket.Create(SOCK_STREAM_QM, 0);
        socket.SetTimeout(kReplySeconds);
        socket.Connect(address);

        SmtpDialogue smtp(socket, host);
        smtp.Expect("the connection", 220);
        smtp.Command("HELO " + heloName(), 250);
        smtp.Command("MAIL FROM:<" + sender + ">", 250);
        smtp.Command("RCPT TO:<" + receiver + ">", 250, 251);
        smtp.Command("DATA", 354);
        sendMessage(smtp, temp.path);
        // The message is accepted: the end of the conversation cannot undo that.
        try {
            smtp.Command("QUIT", 221);
        } catch (CBlockingSocketException *e) {
            delete e;
        } catch (const MailFailure &) {
        }
        try {
            socket.Close();
        } catch (CBlockingSocketException *e) {
            delete e;
        }
        return 0;
    } catch (const MailFailure &failure) {
        logFailure(failure.cause, failure.line);
    } catch (CBlockingSocketException *e) {
        e->LogError();
        delete e;
    }
    if (socket.GetHandle() != 0) {
        try {
            socket.Close();
        } catch (CBlockingSocketException *e) {
            delete e;
        }
    }
    return kMailError;
}

} // namespace

std::string _mailDateText(std::time_t when) {
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Civil date of a day count since 1970-01-01 (proleptic Gregorian).
    long long secs = static_cast<long long>(when);
    long long days = secs / 86400, rest = secs % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    long long z = days + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long day = doy - (153 * mp + 2) / 5 + 1;
    long long month = mp < 10 ? mp + 3 : mp - 9;
    long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    long long yy = ((year % 100) + 100) % 100;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld %s %02lld %02lld:%02lld:%02lld", day,
                  kMonths[month - 1], yy, rest / 3600, rest / 60 % 60, rest % 60);
    return text;
}

extern "C" {

QM32_API long QM32_CALL MAIL_SendMessageFile(const char *pszReceiver, const char *pszSender,
                                             const char *pszSubject, const char *pszFile) {
    try {
        return sendMail(pszReceiver, pszSender, pszSubject, pszFile);
    } catch (...) {
        return kMailError;
    }
}

} // extern "C"
