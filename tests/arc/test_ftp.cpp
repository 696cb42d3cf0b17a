// Loopback tests of the FTP service against an FTP server on 127.0.0.1:
// binary round trips by bare host and by URL with a port, replacing and empty
// files, remote names with blanks, and every failure with its number.
#include "qmftp.h"
#include "qmsocket.h"
#include "qmtest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qmhost_process.h"
#endif

namespace {

namespace fs = std::filesystem;
using qmtest::Env;
using qmtest::join;
using qmtest::readBinary;

const char *const kUser = "qmuser";
const char *const kPassword = "Pa55-word";

// The test's FTP server. On Linux the test starts it on a free port with a
// folder of its own; under wine it runs natively, started by
// scripts/test-all, which passes its port (QM32_FTP_PORT) and folder
// (QM32_FTP_ROOT, a native path, reached here through drive Z:).
class FtpServer {
  public:
    FtpServer() {
#ifdef _WIN32
        const char *port = std::getenv("QM32_FTP_PORT");
        const char *root = std::getenv("QM32_FTP_ROOT");
        port_ = port ? std::atoi(port) : 0;
        if (root) {
            root_ = std::string("Z:") + root;
            std::replace(root_.begin(), root_.end(), '/', '\\');
        }
#else
        root_ = qmtest::makeTempDir("qm32ftp");
        proc_.reset(
            new qmhost::HostProcess("/usr/bin/python3",
                                    {QM32_TEST_DATA "/ftp_server.py", "--root", root_, "--user",
                                     kUser, "--password", kPassword, "--max-seconds", "600"},
                                    "ftp server listening on 127.0.0.1:"));
        port_ = proc_->port();
#endif
    }
    ~FtpServer() {
#ifndef _WIN32
        proc_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
#endif
    }
    int port() const {
        return port_;
    }
    const std::string &root() const {
        return root_;
    }
    std::string url(const std::string &path = "") const {
        return "ftp://127.0.0.1:" + std::to_string(port_) + path;
    }
    std::string bareHost() const {
        return "127.0.0.1:" + std::to_string(port_);
    }

  private:
    int port_ = 0;
    std::string root_;
#ifndef _WIN32
    std::unique_ptr<qmhost::HostProcess> proc_;
#endif
};

FtpServer *g_server = nullptr;

class ServerEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { g_server = new FtpServer; }
    void TearDown() override { delete g_server; }
};
const auto *const g_environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

// Every byte value, in runs that change order, so a text-mode transfer or a
// lost byte shows.
std::string everyByte() {
    std::string data;
    for (int round = 0; round < 64; ++round)
        for (int b = 0; b < 256; ++b)
            data += static_cast<char>((b * (2 * round + 1)) & 0xFF);
    return data;
}

std::vector<std::string> listing(const std::string &dir) {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Ftp : public ::testing::Test {
  protected:
    Env env;
    std::string local;
    void SetUp() override {
        ASSERT_EQ(env.startResult, 0);
#ifdef _WIN32
        if (g_server->port() == 0)
            GTEST_SKIP() << "QM32_FTP_PORT and QM32_FTP_ROOT name no FTP server (scripts/test-all "
                            "starts one)";
#endif
        ASSERT_GT(g_server->port(), 0) << "no FTP server";
        local = qmtest::makeTempDir("qm32ftplocal");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(local, ec);
    }
    std::string remoteFile(const std::string &name) const {
        return join(g_server->root(), name);
    }
};

TEST(FtpServerText, BareHostsAndUrlsGiveServerAndPort) {
    struct Case {
        const char *server;
        bool ok;
        const char *host;
        int port;
    };
    const Case cases[] = {
        {"ftp.example.com", true, "ftp.example.com", 21},
        {"127.0.0.1", true, "127.0.0.1", 21},
        {"files.example.com:2121", true, "files.example.com", 2121},
        {"files.example.com/pub/in", true, "files.example.com", 21},
        {"ftp://files.example.com", true, "files.example.com", 21},
        {"ftp://files.example.com:2121/ignored/path", true, "files.example.com", 2121},
        {"FTP://Files.Example.com/", true, "Files.Example.com", 21},
        {"ftp://someone@files.example.com:99", true, "files.example.com", 99},
        {"ftp://host:65535", true, "host", 65535},
        {"", false, "", 0},
        {"ftp://", false, "", 0},
        {"ftp://:21", false, "", 0},
        {"http://files.example.com", false, "", 0},
        {"ftp://host:0", false, "", 0},
        {"ftp://host:65536", false, "", 0},
        {"ftp://host:", false, "", 0},
        {"ftp://host:21x", false, "", 0},
        {"bad host", false, "", 0},
        {"host\r\nDELE x", false, "", 0},
        {"[::1]", false, "", 0},
    };
    for (const Case &c : cases) {
        std::string host;
        int port = 0;
        EXPECT_EQ(_ftpParseServer(c.server, host, port), c.ok) << c.server;
        if (c.ok) {
            EXPECT_EQ(host, c.host) << c.server;
            EXPECT_EQ(port, c.port) << c.server;
        }
    }
    std::string host;
    int port = 0;
    EXPECT_FALSE(_ftpParseServer(nullptr, host, port));
    qmtest::Env env;
    EXPECT_EQ(FTP_PutFile(kUser, kPassword, "http://127.0.0.1", "x", "y"), 30046);
    EXPECT_EQ(FTP_GetFile(kUser, kPassword, "", "x", "y"), 30046);
}

// Put by bare host, get by URL with a port and a path that is passed over:
// the bytes come back as they went, in a folder and with blanks in the name.
TEST_F(Ftp, BinaryFilesRoundTripByteForByte) {
    const std::string data = everyByte();
    fs::create_directory(remoteFile("in box"));
    struct Case {
        const char *remote;
        const char *onServer;
    };
    const Case cases[] = {{"every byte.bin", "every byte.bin"},
                          {"in box/report 1.dat", "in box/report 1.dat"}};
    for (const Case &c : cases) {
        std::string source = join(local, "source.bin");
        qmtest::writeFile(source, data);
        EXPECT_EQ(
            FTP_PutFile(kUser, kPassword, g_server->bareHost().c_str(), source.c_str(), c.remote),
            0)
            << c.remote;
        EXPECT_EQ(readBinary(remoteFile(c.onServer)), data) << c.remote;

        std::string back = join(local, "back.bin");
        EXPECT_EQ(FTP_GetFile(kUser, kPassword, g_server->url("/some/other/folder").c_str(),
                              back.c_str(), c.remote),
                  0)
            << c.remote;
        EXPECT_EQ(readBinary(back), data) << c.remote;
        fs::remove(back);
    }
    EXPECT_EQ(listing(local), std::vector<std::string>{"source.bin"}) << "no file left behind";
    EXPECT_TRUE(qmtest::takeBoxes().empty());
}

// A get replaces a larger local file whole; an empty remote file gives an
// empty local file; an empty local file goes up as an empty remote file.
TEST_F(Ftp, GetReplacesLocalFilesAndEmptyFilesStayEmpty) {
    qmtest::writeFile(remoteFile("short.txt"), "short");
    std::string target = join(local, "target.txt");
    qmtest::writeFile(target, std::string(100000, 'L'));
    ASSERT_EQ(FTP_GetFile(kUser, kPassword, g_server->url().c_str(), target.c_str(), "short.txt"),
              0);
    EXPECT_EQ(readBinary(target), "short");

    std::string empty = join(local, "empty.txt");
    qmtest::writeFile(empty, "");
    ASSERT_EQ(FTP_PutFile(kUser, kPassword, g_server->url().c_str(), empty.c_str(), "empty.txt"),
              0);
    EXPECT_TRUE(fs::exists(remoteFile("empty.txt")));
    EXPECT_EQ(readBinary(remoteFile("empty.txt")), "");
    ASSERT_EQ(FTP_GetFile(kUser, kPassword, g_server->url().c_str(), target.c_str(), "empty.txt"),
              0);
    EXPECT_TRUE(fs::exists(target));
    EXPECT_EQ(readBinary(target), "");
    EXPECT_EQ(listing(local), (std::vector<std::string>{"empty.txt", "target.txt"}));
}

// Every failure returns its number, leaves an existing local file as it was,
// creates no remote folder and leaves no file behind.
TEST_F(Ftp, FailuresReturnTheirNumbersAndKeepTheLocalFile) {
    qmtest::writeFile(remoteFile("present.txt"), "present");
    std::string keep = join(local, "keep.txt");
    qmtest::writeFile(keep, "the local file before");
    std::string missingFolder = join(join(local, "no such folder"), "file.txt");

    // A port that nobody listens on: taken from the system, then closed.
    int closedPort = 0;
    {
        plat_socket_t s = plat_socket_create(PLAT_SOCK_STREAM);
        uint32_t lo = 0;
        CInetAddress::ParseDotted("127.0.0.1", &lo);
        closedPort = plat_socket_listen(s, lo, 0, 1);
        plat_socket_close(s);
    }
    const std::string refused = "127.0.0.1:" + std::to_string(closedPort);
    const std::string url = g_server->url();

    struct Case {
        const char *what;
        bool put;
        std::string server, password, localFile, remote;
        long expected;
    };
    const Case cases[] = {
        {"missing remote file", false, url, kPassword, keep, "absent.txt", 30049},
        {"missing remote folder (get)", false, url, kPassword, keep, "absent/present.txt", 30049},
        {"missing remote folder (put)", true, url, kPassword, keep, "newdir/keep.txt", 30051},
        {"missing local file", true, url, kPassword, join(local, "absent.txt"), "x.txt", 30050},
        {"missing local folder (put)", true, url, kPassword, missingFolder, "x.txt", 30051},
        {"missing local folder (get)", false, url, kPassword, missingFolder, "present.txt", 30049},
        {"refused connection (get)", false, refused, kPassword, keep, "present.txt", 30045},
        {"refused connection (put)", true, refused, kPassword, keep, "x.txt", 30045},
        {"line end in the remote name", false, url, kPassword, keep, "present.txt\r\nDELE x",
         30048},
        {"line end in the password", false, url, "pw\r\nDELE present.txt", keep, "present.txt",
         30045},
        {"no remote name", false, url, kPassword, keep, "", 30048},
    };
    for (const Case &c : cases) {
        long rc = c.put ? FTP_PutFile(kUser, c.password.c_str(), c.server.c_str(),
                                      c.localFile.c_str(), c.remote.c_str())
                        : FTP_GetFile(kUser, c.password.c_str(), c.server.c_str(),
                                      c.localFile.c_str(), c.remote.c_str());
        EXPECT_EQ(rc, c.expected) << c.what;
        EXPECT_EQ(qmtest::readFile(keep), "the local file before") << c.what;
        EXPECT_EQ(listing(local), std::vector<std::string>{"keep.txt"}) << c.what;
        EXPECT_TRUE(qmtest::takeBoxes().empty()) << c.what;
    }
    EXPECT_FALSE(fs::exists(remoteFile("newdir")));
    EXPECT_FALSE(fs::exists(remoteFile("x.txt")));
    EXPECT_EQ(qmtest::readFile(remoteFile("present.txt")), "present");
    EXPECT_TRUE(env.log().find("Pa55") == std::string::npos);
}

// A wrong password: the server's answer is shown in a box (without the
// password) and the result is 30052; the local file stays as it was.
TEST_F(Ftp, WrongPasswordShowsTheServersAnswer) {
    qmtest::writeFile(remoteFile("present.txt"), "present");
    std::string keep = join(local, "keep.txt");
    qmtest::writeFile(keep, "before");
    const char *wrong = "Wrong-Secret-1";
    EXPECT_EQ(FTP_GetFile(kUser, wrong, g_server->url().c_str(), keep.c_str(), "present.txt"),
              30052);
    EXPECT_EQ(FTP_PutFile(kUser, wrong, g_server->bareHost().c_str(), keep.c_str(), "up.txt"),
              30052);
    std::vector<qmtest::Box> boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto &box : boxes) {
        EXPECT_EQ(box.text.substr(0, 4), "530 ") << box.text;
        EXPECT_EQ(box.caption, "QM32.DLL");
        EXPECT_EQ(box.text.find(wrong), std::string::npos);
    }
    EXPECT_EQ(qmtest::readFile(keep), "before");
    EXPECT_EQ(listing(local), std::vector<std::string>{"keep.txt"});
    EXPECT_FALSE(fs::exists(remoteFile("up.txt")));
}

} // namespace
