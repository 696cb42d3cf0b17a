// Private-profile (INI) files on POSIX, read and written with the rules a
// Windows caller relies on: case-insensitive names, trimmed values, first
// match wins, and writes that keep every other line of the file.
#include "platform/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string trim(const std::string &s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool sameName(const std::string &a, const char *b) {
    std::size_t n = 0;
    for (; b[n]; ++n) {
        if (n >= a.size())
            return false;
        char x = a[n], y = b[n];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return n == a.size();
}

// The file as lines without their line ends.
struct IniText {
    std::vector<std::string> lines;
    std::string eol = "\n";
};

enum class LineKind { Other, Section, Key };

// Classifies one line: a "[section]" header, a "key=value" line (a line
// without "=" is a key with an empty value), or anything else (blank lines,
// ";" comments).
LineKind classify(std::string line, std::string &name, std::string &value) {
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (i == line.size() || line[i] == ';')
        return LineKind::Other;
    if (line[i] == '[') {
        std::size_t end = line.find(']', i + 1);
        name = trim(line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1));
        return LineKind::Section;
    }
    std::size_t eq = line.find('=', i);
    if (eq == std::string::npos) {
        name = trim(line.substr(i));
        value.clear();
        return LineKind::Key;
    }
    name = trim(line.substr(i, eq - i));
    value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return LineKind::Key;
}

void splitLines(const std::string &data, IniText &ini) {
    std::size_t start = 0;
    bool first = true;
    while (start < data.size()) {
        std::size_t nl = data.find('\n', start);
        std::size_t end = nl == std::string::npos ? data.size() : nl;
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (first)
                ini.eol = "\r\n";
        }
        first = false;
        ini.lines.push_back(line);
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
}

bool readAll(int fd, std::string &data) {
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        data.append(buf, static_cast<std::size_t>(n));
    }
}

bool writeAll(int fd, const std::string &data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void lockFile(int fd, int how) {
    while (flock(fd, how) != 0 && errno == EINTR) {
    }
}

// Reads the file under a shared lock; false when it cannot be opened.
bool loadIni(const std::string &file, IniText &ini) {
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    lockFile(fd, LOCK_SH);
    std::string data;
    bool ok = readAll(fd, data);
    lockFile(fd, LOCK_UN);
    close(fd);
    if (ok)
        splitLines(data, ini);
    return ok;
}

// Index range [first, end) of the first section named `section`: first is
// the header line; npos when there is none.
std::size_t findSection(const IniText &ini, const char *section, std::size_t &end) {
    std::string name, value;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        if (classify(ini.lines[i], name, value) != LineKind::Section || !sameName(name, section))
            continue;
        end = i + 1;
        while (end < ini.lines.size() && classify(ini.lines[end], name, value) != LineKind::Section)
            ++end;
        return i;
    }
    return std::string::npos;
}

std::string noLineBreaks(const char *text) {
    std::string s = text;
    std::size_t cut = s.find_first_of("\r\n");
    return cut == std::string::npos ? s : s.substr(0, cut);
}

} // namespace

std::string plat_profile_string(const std::string &file, const char *section, const char *key,
                                const char *def) {
    IniText ini;
    if (section && key && loadIni(file, ini)) {
        std::size_t end = 0;
        std::size_t first = findSection(ini, section, end);
        std::string name, value;
        if (first != std::string::npos)
            for (std::size_t i = first + 1; i < end; ++i)
                if (classify(ini.lines[i], name, value) == LineKind::Key && sameName(name, key))
                    return value;
    }
    std::string d = def ? def : "";
    while (!d.empty() && isBlank(d.back()))
        d.pop_back();
    return d;
}

bool plat_profile_write(const std::string &file, const char *section, const char *key,
                        const char *value) {
    if (!section)
        return false;
    int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    lockFile(fd, LOCK_EX);
    std::string data;
    bool ok = readAll(fd, data);
    if (ok) {
        IniText ini;
        splitLines(data, ini);
        std::size_t end = 0;
        std::size_t first = findSection(ini, section, end);
        std::string name, val;
        if (first == std::string::npos) {
            if (key && value) {
                if (!ini.lines.empty() && !trim(ini.lines.back()).empty())
                    ini.lines.emplace_back();
                ini.lines.push_back("[" + std::string(section) + "]");
                ini.lines.push_back(std::string(key) + "=" + noLineBreaks(value));
            }
        } else if (!key) {
            ini.lines.erase(ini.lines.begin() + static_cast<long>(first),
                            ini.lines.begin() + static_cast<long>(end));
        } else {
            std::size_t found = std::string::npos, lastUsed = first;
            for (std::size_t i = first + 1; i < end; ++i) {
                LineKind kind = classify(ini.lines[i], name, val);
                if (!trim(ini.lines[i]).empty())
                    lastUsed = i;
                if (kind == LineKind::Key && sameName(name, key) && found == std::string::npos)
                    found = i;
            }
            if (found != std::string::npos) {
                classify(ini.lines[found], name, val);
                if (value)
                    ini.lines[found] = name + "=" + noLineBreaks(value);
                else
                    ini.lines.erase(ini.lines.begin() + static_cast<long>(found));
            } else if (value) {
                ini.lines.insert(ini.lines.begin() + static_cast<long>(lastUsed + 1),
                                 std::string(key) + "=" + noLineBreaks(value));
            }
        }
        std::string out;
        for (const std::string &line : ini.lines)
            out += line + ini.eol;
        ok = writeAll(fd, out) && ftruncate(fd, static_cast<off_t>(out.size())) == 0;
    }
    lockFile(fd, LOCK_UN);
    close(fd);
    return ok;
}
