// kestra-batch: file helpers and the result record that a worker sends to the driver (lines
// of tagged fields, texts escaped so that they hold any byte).
#include "batch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

namespace batch {

text_builder &text_builder::number(long long v) {
    if (v < 0) {
        text_ += '-';
        return unsigned_number(0 - static_cast<unsigned long long>(v));
    }
    return unsigned_number(static_cast<unsigned long long>(v));
}

text_builder &text_builder::unsigned_number(unsigned long long v) {
    char buf[24];
    char *p = buf + sizeof buf;
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    text_.append(p, static_cast<size_t>(buf + sizeof buf - p));
    return spill();
}

text_builder &text_builder::exact(double v) {
    char buf[40];
    snprintf(buf, sizeof buf, "%.17g", v);
    text_ += buf;
    return spill();
}

void text_builder::write_to(int fd) {
    text_.clear();
    text_.reserve(spill_size + 4096);
    fd_ = fd;
    failed_ = fd < 0;
}

void text_builder::write_out() {
    for (size_t done = 0; done < text_.size() && !failed_;) {
        const ssize_t n = write(fd_, text_.data() + done, text_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failed_ = true;
        else
            done += static_cast<size_t>(n);
    }
    text_.clear();
}

bool text_builder::done() {
    if (fd_ >= 0)
        write_out();
    fd_ = -1;
    return !failed_;
}

int file_result::converted() const {
    int n = 0;
    for (const unit_result &u : units)
        n += u.failed ? 0 : 1;
    return n;
}

int file_result::failed() const {
    return static_cast<int>(units.size()) - converted();
}

int file_result::diagnostics() const {
    int n = 0;
    for (const unit_result &u : units)
        n += static_cast<int>(u.diagnostics.size());
    return n;
}

const char *file_result::status() const {
    if (!skipped.empty())
        return "skipped";
    if (unreadable())
        return "error";
    if (refused || failed() > 0)
        return "failed";
    return no_units ? "no_units" : "converted";
}

totals count_totals(const std::vector<file_result> &files) {
    totals t;
    for (const file_result &f : files) {
        if (!f.skipped.empty()) {
            t.skipped++;
            continue;
        }
        t.files++;
        t.no_units += f.no_units ? 1 : 0;
        t.errors += f.unreadable() ? 1 : 0;
        t.refused += f.refused ? 1 : 0;
        t.units += static_cast<int>(f.units.size());
        t.converted += f.converted();
        t.failed += f.failed();
        t.diagnostics += f.diagnostics();
        t.bytes += f.bytes;
        t.lines += f.lines;
    }
    return t;
}

bool read_rest(int fd, std::string &into, std::string *error) {
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (error != nullptr)
                *error = strerror(errno);
            return false;
        }
        if (n == 0)
            return true;
        into.append(buf, static_cast<size_t>(n));
    }
}

bool read_whole(const std::string &path, std::string &into, std::string *error) {
    into.clear();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        if (error != nullptr)
            *error = strerror(errno);
        return false;
    }
    const bool ok = read_rest(fd, into, error);
    close(fd);
    return ok;
}

bool write_whole(const std::string &path, const std::string &data) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return close(fd) == 0;
}

void remove_tree(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR *d = opendir(path.c_str())) {
            while (struct dirent *e = readdir(d)) {
                std::string n = e->d_name;
                if (n != "." && n != "..")
                    remove_tree(path + "/" + n);
            }
            closedir(d);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

std::string base_name(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string scratch_dir(const std::string &dest_dir, long driver, long worker) {
    return dest_dir + "/.kestra-batch-" + std::to_string(driver) + "-w" + std::to_string(worker);
}

namespace {

// Texts on one line, without a tab (which separates fields): backslash, newline, carriage
// return and tab escaped.
std::string esc(const std::string &s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

std::string unesc(const char *s, size_t size) {
    if (memchr(s, '\\', size) == nullptr)
        return std::string(s, size);
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; i++) {
        if (s[i] == '\\' && i + 1 < size) {
            char c = s[++i];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

// F bytes lines seconds none(0)/no_units(1)/refused(2) \t error
// U first last failed offset \t kind \t name
// D line fatal \t text           (of the unit before)
// S line \t text                 (a context line of the unit before)
// M \t from \t name               (an output to move into place)
// L has_log private_dir \t log
std::string encode_result(const file_result &r) {
    text_builder o;
    o << "F " << r.bytes << ' ' << r.lines << ' ';
    o.exact(r.seconds) << ' '
                       << (r.no_units  ? 1
                           : r.refused ? 2
                                       : 0)
                       << '\t' << esc(r.error) << '\n';
    for (const unit_result &u : r.units) {
        o << "U " << u.first_line << ' ' << u.last_line << ' ' << (u.failed ? 1 : 0) << ' '
          << u.offset << '\t' << esc(u.kind) << '\t' << esc(u.name) << '\n';
        for (const diagnostic &d : u.diagnostics)
            o << "D " << d.line << ' ' << (d.fatal ? 1 : 0) << '\t' << esc(d.text) << '\n';
        for (const auto &c : u.context)
            o << "S " << c.first << '\t' << esc(c.second) << '\n';
    }
    for (const auto &m : r.moves)
        o << "M \t" << esc(m.first) << '\t' << esc(m.second) << '\n';
    o << "L " << (r.has_log ? 1 : 0) << ' ' << (r.private_dir ? 1 : 0) << '\t' << esc(r.log)
      << '\n';
    return o.take();
}

namespace {

// The numbers of a record line, read in turn as an input stream reads them (spaces skipped);
// `failed` once one is missing or out of range.
struct numbers {
    const char *p, *end;
    bool failed = false;

    template <class T> numbers &operator>>(T &v) {
        while (p < end && isspace(static_cast<unsigned char>(*p)))
            p++;
        // The number ends at the end of the field: copied so that the conversion stops there.
        char buf[64];
        size_t n = 0;
        while (p + n < end && n + 1 < sizeof buf && !isspace(static_cast<unsigned char>(p[n])))
            n++;
        memcpy(buf, p, n);
        buf[n] = '\0';
        char *stop = nullptr;
        errno = 0;
        if constexpr (std::is_floating_point<T>::value) {
            v = strtod(buf, &stop);
        } else if constexpr (std::is_unsigned<T>::value) {
            const unsigned long long x = strtoull(buf, &stop, 10);
            if (errno == 0 && (buf[0] == '-' || x > std::numeric_limits<T>::max()))
                errno = ERANGE;
            v = static_cast<T>(x);
        } else {
            const long long x = strtoll(buf, &stop, 10);
            if (errno == 0 && (x < static_cast<long long>(std::numeric_limits<T>::min()) ||
                               x > static_cast<long long>(std::numeric_limits<T>::max())))
                errno = ERANGE;
            v = static_cast<T>(x);
        }
        if (stop == buf || errno == ERANGE || static_cast<size_t>(stop - buf) != n)
            failed = true;
        p += n;
        return *this;
    }
    bool fail() const { return failed; }
};

} // namespace

bool decode_result(const char *data, size_t data_size, file_result &r) {
    bool seen_file = false;
    for (size_t pos = 0; pos < data_size;) {
        const char *eol_at = static_cast<const char *>(memchr(data + pos, '\n', data_size - pos));
        const size_t eol = eol_at != nullptr ? static_cast<size_t>(eol_at - data) : data_size;
        const char *line = data + pos;
        const size_t size = eol - pos;
        pos = eol + 1;
        const char *tab_at = static_cast<const char *>(memchr(line, '\t', size));
        if (size < 2 || tab_at == nullptr)
            return false;
        const size_t tab = static_cast<size_t>(tab_at - line);
        numbers nums{line + 2, line + (tab >= 2 ? tab : size)};
        // The text after the first tab; U and M split it in two at the next tab.
        const char *rest = tab_at + 1;
        const size_t rest_size = size - tab - 1;
        size_t t2 = 0;
        const auto split_rest = [&] {
            const void *at = memchr(rest, '\t', rest_size);
            t2 = at != nullptr ? static_cast<size_t>(static_cast<const char *>(at) - rest) : 0;
            return at != nullptr;
        };
        switch (line[0]) {
        case 'F': {
            int no_units = 0;
            nums >> r.bytes >> r.lines >> r.seconds >> no_units;
            r.no_units = no_units == 1;
            r.refused = no_units == 2;
            r.error = unesc(rest, rest_size);
            seen_file = true;
            break;
        }
        case 'U': {
            unit_result u;
            int failed = 0;
            nums >> u.first_line >> u.last_line >> failed >> u.offset;
            u.failed = failed != 0;
            if (!split_rest())
                return false;
            u.kind = unesc(rest, t2);
            u.name = unesc(rest + t2 + 1, rest_size - t2 - 1);
            r.units.push_back(std::move(u));
            break;
        }
        case 'D': {
            if (r.units.empty())
                return false;
            diagnostic d;
            int fatal = 0;
            nums >> d.line >> fatal;
            d.fatal = fatal != 0;
            d.text = unesc(rest, rest_size);
            r.units.back().diagnostics.push_back(std::move(d));
            break;
        }
        case 'S': {
            if (r.units.empty())
                return false;
            int n = 0;
            nums >> n;
            r.units.back().context.emplace_back(n, unesc(rest, rest_size));
            break;
        }
        case 'M': {
            if (!split_rest())
                return false;
            r.moves.emplace_back(unesc(rest, t2), unesc(rest + t2 + 1, rest_size - t2 - 1));
            break;
        }
        case 'L': {
            int has_log = 0, private_dir = 0;
            nums >> has_log >> private_dir;
            r.has_log = has_log != 0;
            r.private_dir = private_dir != 0;
            r.log = unesc(rest, rest_size);
            break;
        }
        default:
            return false;
        }
        if (nums.fail())
            return false;
    }
    return seen_file;
}

} // namespace batch
