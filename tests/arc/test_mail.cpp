// Tests of the mail service: the Date line, the refusals that need no server,
// and (Linux) loopback tests against a mail server on port 25 of 127.0.0.1 in
// a private network namespace of the test's own: header lines, body with "."
// lines and long lines, envelope, refused and unreachable servers, and no
// temporary file left behind.
#include "qmmail.h"
#include "qmtest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qmhost_process.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using qmtest::Env;
using qmtest::join;

Env::Options mailOptions() {
    Env::Options o;
    o.messages = "[ERR_Messages]\n"
                 "30002=Could not locate section [%s], key %s\n"
                 "30054=The mail could not be sent.\n";
    return o;
}

// A temporary folder of the test's own ($TMPDIR / TMP), so that any file the
// library leaves behind shows.
class TempFolder {
  public:
    TempFolder() : dir(qmtest::makeTempDir("qm32mailtmp")) {
        for (const char *var : {"TMPDIR", "TMP", "TEMP"}) {
            saved_.emplace_back(var, qmtest::getEnv(var));
            qmtest::setEnv(var, dir.c_str());
        }
    }
    ~TempFolder() {
        for (const auto &kv : saved_)
            qmtest::setEnv(kv.first.c_str(), kv.second.empty() ? nullptr : kv.second.c_str());
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    bool empty() const { return fs::is_empty(dir); }
    std::string dir;

  private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

// The last log entry of the mail service.
qmtest::Entry lastMailEntry(const Env &env) {
    std::vector<qmtest::Entry> entries = qmtest::parseLog(env.log());
    for (auto e = entries.rbegin(); e != entries.rend(); ++e)
        if (e->get("Error") == "30054" || e->get("Module") == "qmmail" ||
            e->get("Module") == "qmsocket")
            return *e;
    return qmtest::Entry();
}

TEST(MailDate, EnglishMonthsInUniversalTime) {
    struct Case {
        long long when;
        const char *text;
    };
    // clang-format off
    const Case cases[] = {
        {0, "01 Jan 70 00:00:00"},
        {951782400, "29 Feb 00 00:00:00"},  // a leap day
        {1104537599, "31 Dec 04 23:59:59"}, // the last second of a year
        {1796573109, "06 Dec 26 16:05:09"},
        {1000000000, "09 Sep 01 01:46:40"},
        {1234567890, "13 Feb 09 23:31:30"},
        {4102444800LL, "01 Jan 00 00:00:00"}, // 2100
    };
    // clang-format on
    for (const Case &c : cases) {
        // The 32-bit Windows runtime's time_t has 32 bits and ends in 2038.
        if (c.when > static_cast<long long>(std::numeric_limits<std::time_t>::max()))
            continue;
        EXPECT_EQ(_mailDateText(static_cast<std::time_t>(c.when)), c.text) << c.when;
    }
    const char *months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 0; m < 12; ++m) {
        // The 15th of each month of 2026 at noon.
        static const int firstDay[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
        std::time_t t = static_cast<std::time_t>(20454 + firstDay[m] + 14) * 86400 + 12 * 3600;
        EXPECT_EQ(_mailDateText(t), std::string("15 ") + months[m] + " 26 12:00:00");
    }
}

// Refusals that happen before any connection: no "@", line ends that would
// inject commands or header lines, a missing file. Each returns 30054, logs
// its cause and leaves no temporary file.
TEST(MailRefusals, BeforeAnyConnection) {
    Env env(mailOptions());
    ASSERT_EQ(env.startResult, 0);
    TempFolder temp;
    std::string file = join(env.dir, "message.txt");
    qmtest::writeFile(file, "one line\n");
    struct Case {
        const char *what;
        const char *receiver, *sender, *subject;
        std::string file;
        const char *cause;
    };
    const Case cases[] = {
        {"no @", "support", "me@example.com", "Log", file, "No host in the receiver address"},
        {"no host", "support@", "me@example.com", "Log", file, "No host in the receiver address"},
        {"no receiver", nullptr, "me@example.com", "Log", file, "No receiver"},
        {"subject", "support@localhost", "me@example.com", "Log\r\nBcc: x@localhost", file,
         "A line end"},
        {"sender", "support@localhost", "me@example.com>\r\nRCPT TO:<x@localhost", "Log", file,
         "A line end"},
        {"receiver", "support@localhost>\nDATA", "me@example.com", "Log", file, "A line end"},
        {"missing file", "support@localhost", "me@example.com", "Log", join(env.dir, "absent.txt"),
         "Cannot read the message file"},
        {"folder as file", "support@localhost", "me@example.com", "Log", env.dir,
         "Cannot read the message file"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(MAIL_SendMessageFile(c.receiver, c.sender, c.subject, c.file.c_str()), 30054)
            << c.what;
        qmtest::Entry e = lastMailEntry(env);
        EXPECT_EQ(e.get("Error"), "30054") << c.what;
        EXPECT_EQ(e.get("Error Text"), "The mail could not be sent.") << c.what;
        EXPECT_EQ(e.get("Module"), "qmmail") << c.what;
        EXPECT_EQ(e.get("Error Data").rfind(c.cause, 0), 0u)
            << c.what << ": " << e.get("Error Data");
        EXPECT_TRUE(temp.empty()) << c.what;
    }
    EXPECT_EQ(MAIL_SendMessageFile("support@localhost", "me@example.com", "Log", nullptr), 30054);
    EXPECT_TRUE(qmtest::takeBoxes().empty());
}

#ifndef _WIN32

const char *const kNamespaceVar = "QM32_MAIL_NAMESPACE";

// Runs the tests that need port 25 (MailServer.*) in a private network
// namespace: as root with "unshare -n", else in a user namespace with
// "unshare -rn". Where the system refuses namespaces the test is skipped.
TEST(Mail, ServerTestsInAPrivateNetwork) {
    if (std::getenv(kNamespaceVar))
        GTEST_SKIP() << "already inside the private network";
    const char *flags = geteuid() == 0 ? "-n" : "-rn";
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    exe[n] = '\0';
    auto run = [&](std::vector<std::string> args) {
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            setenv(kNamespaceVar, "1", 1);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    if (run({"unshare", flags, "true"}) != 0)
        GTEST_SKIP() << "network namespaces are refused here (unshare " << flags
                     << "): the mail server tests need port 25 of a private network";
    EXPECT_EQ(run({"unshare", flags, exe, "--gtest_filter=MailServer.*"}), 0)
        << "mail server tests in the private network failed (their output is above)";
}

// Brings the loopback interface of this network namespace up.
bool loopbackUp() {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    struct ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
    ok = ok && ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    close(fd);
    return ok;
}

#endif

// A mail server on port 25 of 127.0.0.1. On Linux the fixture starts it in
// the private network of Mail.ServerTestsInAPrivateNetwork; under wine
// mail_in_private_network.sh starts it natively and passes the folder where
// it keeps the messages (QM32_SMTP_OUT, a native path reached through Z:).
class MailServer : public ::testing::Test {
  protected:
#ifndef _WIN32
    static std::unique_ptr<qmhost::HostProcess> server;
#endif
    static std::string out;

    static void SetUpTestSuite() {
#ifdef _WIN32
        if (const char *native = std::getenv("QM32_SMTP_OUT")) {
            out = std::string("Z:") + native;
            std::replace(out.begin(), out.end(), '/', '\\');
        }
#else
        if (!std::getenv(kNamespaceVar) || !loopbackUp())
            return;
        out = qmtest::makeTempDir("qm32mailout");
        server.reset(
            new qmhost::HostProcess("/usr/bin/python3",
                                    {QM32_TEST_DATA "/smtp_server.py", "--host", "127.0.0.1",
                                     "--port", "25", "--out", out, "--max-seconds", "300"},
                                    "smtp server listening on 127.0.0.1:"));
#endif
    }
    static void TearDownTestSuite() {
#ifndef _WIN32
        server.reset();
        std::error_code ec;
        if (!out.empty())
            fs::remove_all(out, ec);
#endif
    }

    std::unique_ptr<Env> env;
    std::unique_ptr<TempFolder> temp;
    std::string file;

    void SetUp() override {
#ifdef _WIN32
        if (out.empty())
            GTEST_SKIP() << "runs under mail_in_private_network.sh, which names the mail "
                            "server's folder in QM32_SMTP_OUT";
#else
        if (!std::getenv(kNamespaceVar))
            GTEST_SKIP() << "runs inside the private network of Mail.ServerTestsInAPrivateNetwork";
        ASSERT_TRUE(server && server->port() == 25) << "no mail server on port 25";
#endif
        env.reset(new Env(mailOptions()));
        ASSERT_EQ(env->startResult, 0);
        temp.reset(new TempFolder);
        file = join(env->dir, "message.txt");
    }
    void TearDown() override {
        temp.reset();
        env.reset();
    }

    // The messages the server has kept so far.
    static int mailCount() {
        int n = 0;
        for (const auto &e : fs::directory_iterator(out))
            n += e.path().extension() == ".env";
        return n;
    }
};
#ifndef _WIN32
std::unique_ptr<qmhost::HostProcess> MailServer::server;
#endif
std::string MailServer::out;

std::vector<std::string> splitCrLf(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size())
        lines.push_back(text.substr(start) + "<no line end>");
    return lines;
}

// The message arrives with the four header lines in order, an empty line and
// the file's lines as they stand: a line holding only ".", lines starting
// with ".", long lines, empty lines, CR LF and a last line without a line end.
TEST_F(MailServer, MessageArrivesWithHeaderLinesAndTheFileAsItStands) {
    const std::string longLine(990, 'x');
    const std::string mid = std::string(300, 'a') + "." + std::string(300, 'b');
    qmtest::writeFile(file, "First line of the log\n.\n..two dots\n.QUIT\n\n" + longLine + "\n" +
                                mid + "\nwindows line\r\nlast line");
    const int delivered = mailCount();
    std::time_t before = std::time(nullptr);
    ASSERT_EQ(MAIL_SendMessageFile("support@localhost", "finance@ws17.example.com",
                                   "Error log: FINANCE.EXE", file.c_str()),
              0)
        << env->log();
    std::time_t after = std::time(nullptr);
    ASSERT_EQ(mailCount(), delivered + 1);
    const std::string mail = join(out, "mail_" + std::to_string(delivered + 1));

    std::vector<std::string> envelope;
    std::istringstream envText(qmtest::readFile(mail + ".env"));
    for (std::string line; std::getline(envText, line);)
        envelope.push_back(line);
    ASSERT_EQ(envelope.size(), 3u);
    EXPECT_FALSE(envelope[0].empty()) << "HELO name";
    EXPECT_EQ(envelope[1], "finance@ws17.example.com");
    EXPECT_EQ(envelope[2], "support@localhost");

    std::vector<std::string> lines = splitCrLf(qmtest::readBinary(mail + ".eml"));
    ASSERT_EQ(lines.size(), 14u);
    bool dateMatches = false;
    for (std::time_t t = before; t <= after; ++t)
        dateMatches = dateMatches || lines[0] == "Date: " + _mailDateText(t);
    EXPECT_TRUE(dateMatches) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Date: [0-3][0-9] (Jan|Feb|Mar|Apr|May|Jun|"
                                                      "Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{2} "
                                                      "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]")))
        << lines[0];
    const std::vector<std::string> expected = {"To: support@localhost",
                                               "From: finance@ws17.example.com",
                                               "Subject: Error log: FINANCE.EXE",
                                               "",
                                               "First line of the log",
                                               ".",
                                               "..two dots",
                                               ".QUIT",
                                               "",
                                               longLine,
                                               mid,
                                               "windows line",
                                               "last line"};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);
    EXPECT_TRUE(temp->empty());
    EXPECT_TRUE(qmtest::parseLog(env->log()).size() <= 1) << env->log(); // the start-up entry only
}

// Every failure after the message was prepared returns 30054, logs its cause,
// delivers nothing and leaves no temporary file.
TEST_F(MailServer, FailuresReturn30054AndLogTheirCause) {
    qmtest::writeFile(file, "line\n");
    std::string rejected = join(env->dir, "rejected.txt");
    qmtest::writeFile(rejected, "REJECT-THIS-MESSAGE\n");
    struct Case {
        const char *what;
        const char *receiver;
        std::string file;
        const char *error;
        const char *cause;
    };
    const Case cases[] = {
        {"receiver refused", "refuse.me@localhost", file, "30054",
         "The mail server localhost refused RCPT TO:<refuse.me@localhost>: 550 5.1.1 Mailbox "
         "refused"},
        {"message refused", "support@localhost", rejected, "30054",
         "The mail server localhost refused the message: 554 5.6.0 Message rejected"},
        {"connection refused", "support@127.0.0.2", file, "10061",
         "Error connecting to IP address 127.0.0.2 port 25."},
        {"unresolvable host", "support@no-such-host.invalid", file, "30054",
         "Cannot resolve the mail host no-such-host.invalid"},
    };
    const int delivered = mailCount();
    for (const Case &c : cases) {
        EXPECT_EQ(MAIL_SendMessageFile(c.receiver, "me@example.com", "Log", c.file.c_str()), 30054)
            << c.what;
        qmtest::Entry e = lastMailEntry(*env);
        EXPECT_EQ(e.get("Error"), c.error) << c.what;
        EXPECT_EQ(e.get("Error Data"), c.cause) << c.what;
        EXPECT_EQ(mailCount(), delivered) << c.what;
        EXPECT_TRUE(temp->empty()) << c.what;
    }
}

} // namespace
