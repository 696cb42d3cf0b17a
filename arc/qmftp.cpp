// FTP service of qm32: binary transfers of one file to (FTP_PutFile) or from
// (FTP_GetFile) an FTP server in active mode. A get receives into a new file
// beside the target, which replaces the target only once the whole file came.
#include "qmftp.h"
#include "qm32int.h"

#include <cctype>
#include <cstring>

namespace {

enum : long {
    FTP_ERR_CONNECT = 30045,     // the connection or the login could not be made
    FTP_ERR_URL = 30046,         // the server argument names no usable server
    FTP_ERR_SESSION = 30047,     // the internet session could not be created
    FTP_ERR_GET = 30048,         // the get failed (30049: a path was not found)
    FTP_ERR_PUT = 30050,         // the put failed (30051: a path was not found)
    FTP_ERR_SERVER_TEXT = 30052, // the server refused with a text, which was shown
};

const int kDefaultPort = 21;

// Characters of a host name or dotted address.
bool hostChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

// "scheme://authority[/path]": the host and port of an ftp:// URL.
bool parseUrl(const std::string &url, std::string &host, int &port) {
    std::size_t sep = url.find("://");
    if (sep == std::string::npos)
        return false;
    if (_qm32Lower(url.substr(0, sep)) != "ftp")
        return false;
    std::size_t start = sep + 3;
    std::size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? end : end - start);
    // A user (and password) in the URL is passed over: the arguments log on.
    std::size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    std::size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    if (host.empty() || host.size() > 255)
        return false;
    for (char c : host)
        if (!hostChar(c))
            return false;
    port = kDefaultPort;
    if (colon != std::string::npos) {
        std::string digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5)
            return false;
        long value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535)
            return false;
        port = static_cast<int>(value);
    }
    return true;
}

// True when a text would end an FTP command early.
bool hasLineEnd(const std::string &text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string text(const char *s) {
    return s ? s : "";
}

// One transfer; the result number of FTP_PutFile or FTP_GetFile.
long transfer(bool put, const char *user, const char *password, const char *server,
              const char *local, const char *remote) {
    const long failed = put ? FTP_ERR_PUT : FTP_ERR_GET;
    const long notFound = failed + 1;
    plat_ftp_request rq;
    rq.put = put;
    if (!_ftpParseServer(server, rq.host, rq.port))
        return FTP_ERR_URL;
    rq.user = text(user);
    rq.password = text(password);
    rq.local = text(local);
    rq.remote = text(remote);
    // A line end in the login would end its command and start another.
    if (hasLineEnd(rq.user) || hasLineEnd(rq.password))
        return FTP_ERR_CONNECT;
    if (rq.local.empty() || rq.remote.empty() || rq.remote.back() == '/' || hasLineEnd(rq.remote))
        return failed;

    const std::string folder = plat_folder_of(rq.local);
    std::string target;
    if (put) {
        if (!plat_file_exists(rq.local))
            return plat_folder_exists(folder) ? failed : notFound;
    } else {
        // The file comes into a new file beside the target, so a failed get
        // leaves an existing target as it was.
        target = rq.local;
        if (!plat_create_temp_file(folder, "arc", rq.local))
            return plat_folder_exists(folder) ? failed : notFound;
    }

    long result = failed;
    std::string serverText;
    try {
        switch (plat_ftp_transfer(rq, serverText)) {
        case PLAT_FTP_DONE:
            result = put || plat_replace_file(rq.local, target) ? 0 : failed;
            break;
        case PLAT_FTP_NO_SESSION:
            result = FTP_ERR_SESSION;
            break;
        case PLAT_FTP_NO_CONNECTION:
            result = FTP_ERR_CONNECT;
            break;
        case PLAT_FTP_REFUSED:
            if (serverText.empty()) {
                result = FTP_ERR_CONNECT;
            } else {
                _qm32MessageBox(serverText, "QM32.DLL", PLAT_MB_OK | PLAT_MB_ICONEXCLAMATION);
                result = FTP_ERR_SERVER_TEXT;
            }
            break;
        case PLAT_FTP_NOT_FOUND:
            result = notFound;
            break;
        case PLAT_FTP_FAILED:
            result = failed;
            break;
        }
    } catch (...) {
        result = failed;
    }
    if (!put && result != 0)
        plat_remove_file(rq.local);
    return result;
}

} // namespace

bool _ftpParseServer(const char *server, std::string &host, int &port) {
    if (!server || !*server)
        return false;
    std::string s = server;
    return parseUrl(s, host, port) || parseUrl("ftp://" + s, host, port);
}

extern "C" {

QM32_API long QM32_CALL FTP_PutFile(const char *pszUser, const char *pszPassword,
                                    const char *pszServer, const char *pszLocalFile,
                                    const char *pszRemoteFile) {
    try {
        return transfer(true, pszUser, pszPassword, pszServer, pszLocalFile, pszRemoteFile);
    } catch (...) {
        return FTP_ERR_PUT;
    }
}

QM32_API long QM32_CALL FTP_GetFile(const char *pszUser, const char *pszPassword,
                                    const char *pszServer, const char *pszLocalFile,
                                    const char *pszRemoteFile) {
    try {
        return transfer(false, pszUser, pszPassword, pszServer, pszLocalFile, pszRemoteFile);
    } catch (...) {
        return FTP_ERR_GET;
    }
}

} // extern "C"
