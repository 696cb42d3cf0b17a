// Windows implementation of the file transfer platform layer
// (platform_xfer.h): temporary files from GetTempFileName, IPv4 resolution
// with getaddrinfo, and FTP transfers through WinInet in active mode.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wininet.h>

#include "platform/platform.h"

#include <vector>

namespace {

// Time limits of a transfer: connecting, and each send or receive.
const DWORD kConnectMs = 30000;
const DWORD kTransferMs = 60000;

// The server's last reply on this thread, its lines joined by CR LF.
std::string lastResponse() {
    DWORD error = 0, size = 0;
    InternetGetLastResponseInfoA(&error, nullptr, &size);
    if (size == 0)
        return "";
    std::vector<char> buf(size + 2);
    size = static_cast<DWORD>(buf.size());
    if (!InternetGetLastResponseInfoA(&error, buf.data(), &size))
        return "";
    std::string text(buf.data(), size < buf.size() ? size : buf.size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// The code of the last line of a reply ("550 ..."), 0 when there is none.
int replyCode(const std::string &text) {
    std::size_t start = text.rfind('\n');
    start = start == std::string::npos ? 0 : start + 1;
    if (text.size() < start + 3)
        return 0;
    for (std::size_t i = start; i < start + 3; ++i)
        if (text[i] < '0' || text[i] > '9')
            return 0;
    return (text[start] - '0') * 100 + (text[start + 1] - '0') * 10 + (text[start + 2] - '0');
}

void setTimeouts(HINTERNET h) {
    DWORD connect = kConnectMs, transfer = kTransferMs;
    InternetSetOptionA(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(h, INTERNET_OPTION_SEND_TIMEOUT, &transfer, sizeof transfer);
    InternetSetOptionA(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &transfer, sizeof transfer);
    InternetSetOptionA(h, INTERNET_OPTION_DATA_SEND_TIMEOUT, &transfer, sizeof transfer);
    InternetSetOptionA(h, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &transfer, sizeof transfer);
}

} // namespace

// ---- files ------------------------------------------------------------------

std::string plat_temp_directory() {
    char buf[MAX_PATH + 2];
    DWORD n = GetTempPathA(sizeof buf, buf);
    std::string dir = n > 0 && n < sizeof buf ? std::string(buf, n) : std::string(".");
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return dir;
}

bool plat_create_temp_file(const std::string &dir, const char *prefix, std::string &path) {
    std::string folder = dir.empty() ? plat_temp_directory() : dir;
    char buf[MAX_PATH + 2];
    path.clear();
    if (folder.size() > MAX_PATH - 14 ||
        GetTempFileNameA(folder.c_str(), prefix ? prefix : "", 0, buf) == 0)
        return false;
    path = buf;
    return true;
}

std::string plat_folder_of(const std::string &path) {
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) + "." : ".";
    if (cut == 0 || (cut == 2 && path[1] == ':'))
        return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

bool plat_folder_exists(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool plat_replace_file(const std::string &from, const std::string &to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// ---- names ------------------------------------------------------------------

bool plat_resolve_ipv4(const std::string &host, uint32_t *addr_net) {
    if (host.empty() || !addr_net)
        return false;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list)
        return false;
    bool found = false;
    for (addrinfo *a = list; a && !found; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            *addr_net = reinterpret_cast<sockaddr_in *>(a->ai_addr)->sin_addr.s_addr;
            found = true;
        }
    }
    freeaddrinfo(list);
    return found;
}

// ---- FTP --------------------------------------------------------------------

plat_ftp_status plat_ftp_transfer(const plat_ftp_request &rq, std::string &serverText) {
    serverText.clear();
    HINTERNET session = InternetOpenA("QM32", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!session)
        return PLAT_FTP_NO_SESSION;
    setTimeouts(session);
    plat_ftp_status status;
    // Without INTERNET_FLAG_PASSIVE the server opens the data connections.
    HINTERNET ftp =
        InternetConnectA(session, rq.host.c_str(), static_cast<INTERNET_PORT>(rq.port),
                         rq.user.c_str(), rq.password.c_str(), INTERNET_SERVICE_FTP, 0, 1);
    if (!ftp) {
        // The last reply is the server's answer to this login only when the
        // failure came from the server; it is stale after a failed connect.
        DWORD error = GetLastError();
        bool answered = error == ERROR_INTERNET_EXTENDED_ERROR ||
                        error == ERROR_INTERNET_LOGIN_FAILURE ||
                        error == ERROR_INTERNET_INCORRECT_PASSWORD ||
                        error == ERROR_INTERNET_INCORRECT_USER_NAME;
        serverText = answered ? lastResponse() : std::string();
        status = replyCode(serverText) >= 400 ? PLAT_FTP_REFUSED : PLAT_FTP_NO_CONNECTION;
    } else {
        BOOL ok = rq.put ? FtpPutFileA(ftp, rq.local.c_str(), rq.remote.c_str(),
                                       FTP_TRANSFER_TYPE_BINARY, 1)
                         : FtpGetFileA(ftp, rq.remote.c_str(), rq.local.c_str(), FALSE,
                                       FILE_ATTRIBUTE_NORMAL, FTP_TRANSFER_TYPE_BINARY, 1);
        if (ok) {
            status = PLAT_FTP_DONE;
        } else {
            DWORD error = GetLastError();
            if (error == ERROR_INTERNET_EXTENDED_ERROR)
                serverText = lastResponse();
            status = error == ERROR_PATH_NOT_FOUND || replyCode(serverText) == 550
                         ? PLAT_FTP_NOT_FOUND
                         : PLAT_FTP_FAILED;
        }
        InternetCloseHandle(ftp);
    }
    InternetCloseHandle(session);
    return status;
}
