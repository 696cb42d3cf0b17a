// POSIX implementation of the file transfer platform layer (platform_xfer.h):
// temporary files made with mkstemp, IPv4 resolution with getaddrinfo, and
// FTP transfers through libcurl in active mode.
#include "platform/platform.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Time limits of a transfer: connecting, waiting for a reply or for the
// server's data connection, and a transfer that moves less than one byte a
// second for a minute.
const long kConnectSeconds = 30;
const long kReplySeconds = 60;
const long kLowSpeedSeconds = 60;

// The permission bits a newly created file gets: 0666 less the umask, read
// from /proc so that no other thread sees the umask changed.
mode_t newFileMode() {
    mode_t mask = 022;
    if (FILE *f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(f);
    }
    return 0666 & ~mask;
}

// What the server said during one transfer: the last complete reply, and
// whether a login was accepted (reply 230).
struct Replies {
    std::string current; // lines of the reply being read
    std::string last;    // the last complete reply
    int lastCode = 0;
    bool loggedIn = false;
};

// libcurl passes each line of the server's replies here (never the commands,
// so the password never passes through).
size_t onReplyLine(char *data, size_t size, size_t count, void *user) {
    Replies &r = *static_cast<Replies *>(user);
    size_t n = size * count;
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (!r.current.empty())
        r.current += "\r\n";
    r.current += line;
    // A reply ends with the line that holds its code and a blank (or the code alone).
    bool digits = line.size() >= 3 && line[0] >= '0' && line[0] <= '9' && line[1] >= '0' &&
                  line[1] <= '9' && line[2] >= '0' && line[2] <= '9';
    if (digits && (line.size() == 3 || line[3] == ' ')) {
        r.lastCode = std::atoi(line.substr(0, 3).c_str());
        r.last = r.current;
        r.current.clear();
        if (r.lastCode == 230)
            r.loggedIn = true;
    }
    return n;
}

bool curlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

// The remote name as a URL path: each segment percent-encoded, a leading
// separator kept as an encoded one (an absolute path on the server).
bool remotePath(CURL *curl, const std::string &remote, std::string &path) {
    path.clear();
    std::size_t start = 0;
    if (!remote.empty() && remote[0] == '/') {
        path = "%2F";
        start = 1;
    }
    for (;;) {
        std::size_t cut = remote.find('/', start);
        std::string segment = remote.substr(start, cut == std::string::npos ? cut : cut - start);
        char *encoded = curl_easy_escape(curl, segment.data(), static_cast<int>(segment.size()));
        if (!encoded)
            return false;
        path += encoded;
        curl_free(encoded);
        if (cut == std::string::npos)
            return true;
        path += '/';
        start = cut + 1;
    }
}

} // namespace

// ---- files ------------------------------------------------------------------

std::string plat_temp_directory() {
    const char *dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool plat_create_temp_file(const std::string &dir, const char *prefix, std::string &path) {
    std::string name = plat_join_path(dir.empty() ? plat_temp_directory() : dir,
                                      std::string(prefix ? prefix : "") + "XXXXXX");
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    int fd = mkostemp(buf.data(), O_CLOEXEC); // mode 0600
    path.clear();
    if (fd < 0)
        return false;
    close(fd);
    path = buf.data();
    return true;
}

std::string plat_folder_of(const std::string &path) {
    std::size_t cut = path.find_last_of('/');
    if (cut == std::string::npos)
        return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

bool plat_folder_exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool plat_replace_file(const std::string &from, const std::string &to) {
    struct stat st;
    mode_t mode = stat(to.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode();
    if (chmod(from.c_str(), mode) != 0)
        return false;
    return rename(from.c_str(), to.c_str()) == 0;
}

// ---- names ------------------------------------------------------------------

bool plat_resolve_ipv4(const std::string &host, uint32_t *addr_net) {
    if (host.empty() || !addr_net)
        return false;
    struct addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo *list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list)
        return false;
    bool found = false;
    for (struct addrinfo *a = list; a && !found; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            *addr_net = reinterpret_cast<struct sockaddr_in *>(a->ai_addr)->sin_addr.s_addr;
            found = true;
        }
    }
    freeaddrinfo(list);
    return found;
}

// ---- FTP --------------------------------------------------------------------

plat_ftp_status plat_ftp_transfer(const plat_ftp_request &rq, std::string &serverText) {
    serverText.clear();
    if (!curlReady())
        return PLAT_FTP_NO_SESSION;
    CURL *curl = curl_easy_init();
    if (!curl)
        return PLAT_FTP_NO_SESSION;

    plat_ftp_status status = PLAT_FTP_FAILED;
    std::string path;
    FILE *file = nullptr;
    if (remotePath(curl, rq.remote, path)) {
        file = std::fopen(rq.local.c_str(), rq.put ? "rbe" : "wbe");
        if (!file)
            status = errno == ENOENT || errno == ENOTDIR ? PLAT_FTP_NOT_FOUND : PLAT_FTP_FAILED;
    }
    if (file) {
        std::string url = "ftp://" + rq.host + ":" + std::to_string(rq.port) + "/" + path;
        Replies replies;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(curl, CURLOPT_USERNAME, rq.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, rq.password.c_str());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        // Active mode over the address of the control connection, with PORT.
        curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(curl, CURLOPT_FTP_USE_EPRT, 0L);
        curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
        curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, kReplySeconds);
        curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, kReplySeconds * 1000L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onReplyLine);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &replies);
        if (rq.put) {
            struct stat st;
            curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(curl, CURLOPT_READDATA, file);
            if (fstat(fileno(file), &st) == 0)
                curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE,
                                 static_cast<curl_off_t>(st.st_size));
        } else {
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
        }
        CURLcode rc = curl_easy_perform(curl);
        bool closed = std::fclose(file) == 0;
        serverText = replies.last;
        if (rc == CURLE_OK && closed)
            status = PLAT_FTP_DONE;
        else if (!replies.loggedIn)
            status = replies.lastCode >= 400 ? PLAT_FTP_REFUSED : PLAT_FTP_NO_CONNECTION;
        else if (replies.lastCode == 550 || rc == CURLE_REMOTE_FILE_NOT_FOUND)
            status = PLAT_FTP_NOT_FOUND;
        else
            status = PLAT_FTP_FAILED;
    }
    curl_easy_cleanup(curl);
    return status;
}
