// kestra-batch: conversion of one source in a worker process. The whole source runs through
// kestra_main exactly as kestra runs it; when that run fails, each unit runs on its own (its
// text at its own line numbers), so one failing unit costs that unit only.
#include "batch.h"

#include "conv72.h"
#include "convstate.h"
#include "diagnostics.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace batch {

namespace {

const char log_name[] = "KESTRA.log";
const char console_name[] = ".console";

struct outcome {
    int status = 0;     // kestra_main's exit status
    bool ok = false;    // status 0 and the conversion reported success
    int stop_line = 0;  // the scanner's line when the run ended
    std::string errors; // what the run wrote on standard error
    // The diagnostics of the run as the converter's observer hands them over, in the order of
    // the log. `ambiguous`: a log line of one of them cannot be read back as one diagnostic
    // with its text (see observe); the run's diagnostics are then read from its log as before.
    std::vector<diagnostic> diagnostics;
    bool ambiguous = false;
};

// The observer of a run: each diagnostic the log receives, with its line and text. A log line
// "[KESTRA-ERR(nnnn)]:[file(unit)]text" reads back as that one diagnostic unless the file or
// unit name holds a newline, the unit name holds ")]", the text holds a newline, or the line
// number is negative or beyond eight digits; those runs keep the reading of their log (so
// that reports stay as they were).
void observe(void *context, diag, int line, const char *unit, const std::string &text) {
    outcome &o = *static_cast<outcome *>(context);
    const std::string u = unit;
    if (line < 0 || line >= 100000000 || strchr(iFname, '\n') != nullptr ||
        u.find('\n') != std::string::npos || u.find(")]") != std::string::npos ||
        text.find('\n') != std::string::npos)
        o.ambiguous = true;
    o.diagnostics.push_back({line, text});
}

// Standard output of the runs goes to /dev/null, opened once per worker.
int null_output() {
    static int fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    return fd;
}

// Standard error of the runs is kept in an anonymous memory file, made once per worker and
// emptied before each run: no directory entry to create, read and remove per run. Without
// one (or for a source named like the console file) it goes to the console file in the run's
// directory.
// Its writes append, so that emptying it needs no seek.
int errors_memory() {
    static int fd = [] {
        const int m = static_cast<int>(syscall(SYS_memfd_create, "kestra-batch-errors", 1u));
        if (m >= 0 && fcntl(m, F_SETFL, O_APPEND) != 0) {
            close(m);
            return -1;
        }
        return m;
    }();
    return fd;
}

// The worker's own standard output and error, kept from the first run on, put back after
// each run.
int saved_output(int fd) {
    static const int out = dup(1), err = dup(2);
    return fd == 1 ? out : err;
}

// The content of an open file from `from` (its start) to its end.
bool read_fd(int fd, std::string &into, off_t from = 0) {
    into.clear();
    char buf[65536];
    for (off_t at = from;;) {
        ssize_t n = pread(fd, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        into.append(buf, static_cast<size_t>(n));
        at += n;
    }
}

// A source the worker has read already, opened by a run as a stream over its text.
struct text_source {
    const std::string &name, &text;
};

FILE *open_text_source(const char *name, void *context) {
    const text_source &s = *static_cast<const text_source *>(context);
    if (s.name != name)
        return fopen(name, "r");
    return fmemopen(const_cast<char *>(s.text.data()), s.text.size(), "r");
}

// One kestra run in `dir` on the file `base` there, or on `text` under that name (not empty);
// standard output (banner, report, trace) is discarded, standard error kept.
outcome run_kestra(const std::string &dir, const std::vector<std::string> &options,
                   const std::string &base, const std::string *text = nullptr) {
    outcome o;
    if (chdir(dir.c_str()) != 0) {
        o.status = 1;
        o.errors = "cannot enter " + dir + ": " + strerror(errno);
        return o;
    }
    fflush(stdout);
    fflush(stderr);
    const int saved_out = saved_output(1), saved_err = saved_output(2);
    const int null_fd = null_output();
    const int memory = base == console_name ? -1 : errors_memory();
    // Whether the memory file holds the errors of an earlier run.
    static bool memory_written = true;
    int err_fd = -1;
    if (memory >= 0) {
        if (!memory_written || ftruncate(memory, 0) == 0)
            err_fd = memory;
    } else {
        err_fd = open(console_name, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    if (null_fd >= 0)
        dup2(null_fd, 1);
    if (err_fd >= 0)
        dup2(err_fd, 2);
    std::vector<std::string> args = {"kestra"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(base);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    set_diagnostic_observer(observe, &o);
    text_source source{base, text != nullptr ? *text : base};
    if (text != nullptr)
        set_source_opener(open_text_source, &source);
    o.status = kestra_main(static_cast<int>(args.size()), argv.data());
    set_source_opener(nullptr, nullptr);
    set_diagnostic_observer(nullptr, nullptr);
    o.ok = o.status == 0 && conv_error == 0;
    o.stop_line = yylineno;
    fflush(stdout);
    fflush(stderr);
    if (saved_out >= 0)
        dup2(saved_out, 1);
    if (saved_err >= 0)
        dup2(saved_err, 2);
    if (err_fd >= 0 && err_fd == memory) {
        memory_written = !read_fd(memory, o.errors) || !o.errors.empty();
    } else {
        if (err_fd >= 0)
            close(err_fd);
        read_whole(console_name, o.errors);
        unlink(console_name);
    }
    return o;
}

// A diagnostic line of the log: "[KESTRA-ERR(nnnn)]:[file(unit)]text". Lines that do not
// start a tag continue the text of the one before (a token text may span lines).
struct log_parts {
    std::vector<diagnostic> diagnostics;
    std::string body;   // the log without its final report line
    std::string report; // the final "[KESTRA-MSG(...)]" line
};

log_parts parse_log(const std::string &log, const std::string &base) {
    log_parts p;
    const std::string err_tag = "[KESTRA-ERR(", msg_tag = "[KESTRA-MSG(";
    bool in_diag = false;
    size_t pos = 0;
    while (pos < log.size()) {
        size_t end = log.find('\n', pos);
        end = end == std::string::npos ? log.size() : end + 1;
        std::string line = log.substr(pos, end - pos);
        pos = end;
        if (line.compare(0, msg_tag.size(), msg_tag) == 0) {
            p.report += line;
            in_diag = false;
            continue;
        }
        p.body += line;
        std::string text = line;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        if (text.compare(0, err_tag.size(), err_tag) == 0) {
            diagnostic d;
            size_t i = err_tag.size();
            while (i < text.size() && text[i] >= '0' && text[i] <= '9' && d.line < 100000000)
                d.line = d.line * 10 + (text[i++] - '0');
            // ")]:[" file "(" unit ")]" text: the unit name ends at the first ")]" after it.
            const std::string head = ")]:[" + base + "(";
            if (text.compare(i, head.size(), head) == 0) {
                size_t close = text.find(")]", i + head.size());
                d.text = close == std::string::npos ? "" : text.substr(close + 2);
            } else {
                size_t close = text.find("]", text.find(":[", i));
                d.text = close == std::string::npos ? text.substr(i) : text.substr(close + 1);
            }
            p.diagnostics.push_back(d);
            in_diag = true;
        } else if (in_diag) {
            p.diagnostics.back().text += "\n" + text;
        }
    }
    return p;
}

// The last non-empty line of a run's standard error, without the parser's own report (its
// diagnostic is in the log).
std::string last_error_line(const std::string &errors) {
    std::string last;
    size_t pos = 0;
    while (pos < errors.size()) {
        size_t end = errors.find('\n', pos);
        if (end == std::string::npos)
            end = errors.size();
        std::string line = errors.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty())
            last = line;
    }
    return last;
}

std::vector<std::string> entries(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (struct dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The DDL script the last run opened (empty: none): a run writes at most one, "ddl_" and its
// unit's name, into its directory. The worker's shared directory also holds the scripts of
// earlier sources waiting for the driver, so asking for the names the run wrote is cheaper
// than reading the whole directory after each run.
std::string ddl_script_of_run() {
    const std::string name = ddl_fname;
    if (name.compare(0, 4, "ddl_") != 0 || name.find('/') != std::string::npos)
        return std::string();
    return name;
}

// The unit a diagnostic line belongs to: the last unit that starts at or before it.
size_t unit_of_line(const std::vector<unit_result> &units, int line) {
    size_t k = 0;
    for (size_t i = 0; i < units.size(); i++)
        if (units[i].first_line <= line)
            k = i;
    return k;
}

// Source lines first..last (1-based, clipped to the source).
std::vector<std::pair<int, std::string>> source_lines(const std::string &src, int first, int last) {
    std::vector<std::pair<int, std::string>> out;
    int line = 1;
    size_t pos = 0;
    while (pos <= src.size() && line <= last) {
        size_t end = src.find('\n', pos);
        if (end == std::string::npos)
            end = src.size();
        if (line >= first)
            out.emplace_back(line, src.substr(pos, end - pos));
        if (end == src.size())
            break;
        pos = end + 1;
        line++;
    }
    return out;
}

std::string comment_safe(std::string s) {
    for (size_t i; (i = s.find("*/")) != std::string::npos;)
        s.replace(i, 2, "* /");
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s;
}

// The whole-source run failed: each unit runs alone, from just past the last token of the
// unit before (so the comments between two units travel with the second, as they reach the
// script ahead of it) to its own last token (the last unit: to the end of the source), preceded
// by the newlines of the text before it so that its lines keep their numbers. The scripts and DDL
// texts of the units that convert (the DDL under the name the first DDL file took) and the logs of
// all units are joined in source order.
struct unit_outputs {
    std::string script;
    std::map<std::string, std::pair<std::string, std::string>> ddl; // extension: name, text
    std::string log;
};

void convert_units(const task &t, const std::string &work_dir, const std::string &base,
                   const std::string &src, file_result &r, unit_outputs &out) {
    std::string &script = out.script;
    auto &ddl = out.ddl;
    std::string log_body, fail_report, ok_report;
    for (size_t k = 0; k < r.units.size(); k++) {
        unit_result &u = r.units[k];
        size_t from = k == 0 ? 0 : std::min(r.units[k - 1].end, u.offset);
        size_t to = k + 1 < r.units.size() ? std::min(u.end, r.units[k + 1].offset) : src.size();
        from = std::min(from, to);
        std::string text(static_cast<size_t>(std::count(src.begin(), src.begin() + from, '\n')),
                         '\n');
        text.append(src, from, to - from);
        const std::string dir = work_dir + "/unit" + std::to_string(k);
        mkdir(dir.c_str(), 0700);
        if (!write_whole(dir + "/" + base, text)) {
            u.failed = true;
            u.diagnostics.push_back({u.first_line, "cannot write the unit's work copy", true});
            continue;
        }
        outcome o = run_kestra(dir, t.options, base);
        std::string log;
        read_whole(dir + "/" + log_name, log);
        log_parts parts = parse_log(log, base);
        u.failed = !o.ok;
        u.diagnostics = o.ambiguous ? parts.diagnostics : o.diagnostics;
        if (u.failed) {
            if (o.status != 0) {
                std::string why = last_error_line(o.errors);
                if (why.empty())
                    why = "the conversion stopped with exit status " + std::to_string(o.status);
                u.diagnostics.push_back({o.stop_line, why, true});
            } else if (!u.diagnostics.empty()) {
                u.diagnostics.back().fatal = true; // the parser's report is logged last
            } else {
                u.diagnostics.push_back({o.stop_line, "the unit could not be converted", true});
            }
            const diagnostic &d = u.diagnostics.back();
            script += "\n/* kestra-batch: " + u.kind + " " + comment_safe(u.name) + " (lines " +
                      std::to_string(u.first_line) + "-" + std::to_string(u.last_line) +
                      ") not converted: " + comment_safe(d.text) + " (line " +
                      std::to_string(d.line) + ") */\n";
            if (fail_report.empty())
                fail_report = parts.report;
        } else {
            std::string part;
            read_whole(dir + "/" + base + ".pls", part);
            script += part;
            if (ok_report.empty())
                ok_report = parts.report;
            for (const std::string &name : entries(dir)) {
                if (name.compare(0, 4, "ddl_") != 0)
                    continue;
                std::string ext = name.substr(name.rfind('.') + 1), part;
                read_whole(dir + "/" + name, part);
                auto &slot = ddl[ext];
                if (slot.first.empty())
                    slot.first = name;
                slot.second += part;
            }
        }
        log_body += parts.body;
        remove_tree(dir);
    }
    out.log = log_body + (fail_report.empty() ? ok_report : fail_report);
}

// A source's raw bytes, and whether it is a regular file.
bool read_source(const std::string &path, std::string &raw, std::string &why, bool &regular) {
    raw.clear();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        why = strerror(errno);
        return false;
    }
    struct stat st;
    regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular && st.st_size > 0)
        raw.reserve(static_cast<size_t>(st.st_size));
    const bool ok = read_rest(fd, raw, &why);
    close(fd);
    return ok;
}

// A worker's directory in one destination directory, used for each of its sources there: made
// once with its log (each run appends to it, the worker reads what each run added), so that a
// source costs no directory and no log file of its own. The scripts of finished sources wait
// in it for the driver to move them into place, their DDL scripts in its subdirectory
// staged_name under names of their own (several sources may write one DDL name).
struct scratch {
    std::string dir;
    int log_fd = -1;               // held open while the directory is in use (see scratch_for)
    off_t log_read = 0;            // the log up to here belongs to sources already converted
    bool made = false;             // dir and its log exist
    bool broken = false;           // the log could not be made, opened or emptied
    bool staged = false;           // staged_name exists
    std::set<std::string> scripts; // the scripts left in dir
};

const char staged_name[] = ".kb-staged";

// Logs of worker directories held open at once: a worker that meets many destination
// directories closes the least recently opened one (and opens it again when it comes back to
// that directory), so that it never runs short of file descriptors.
const size_t open_logs_max = 16;

scratch *scratch_for(const task &t) {
    static std::map<std::string, scratch> by_dest;
    static std::vector<scratch *> open_logs; // oldest first
    scratch &s = by_dest[t.dest_dir];
    if (s.broken)
        return nullptr;
    if (!s.made) {
        s.dir = scratch_dir(t.dest_dir, t.driver, getpid());
        remove_tree(s.dir); // left by an earlier run with the same process numbers
        if (mkdir(s.dir.c_str(), 0700) != 0)
            return nullptr;
        s.made = true;
        s.log_fd =
            open((s.dir + "/" + log_name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } else if (s.log_fd < 0) {
        s.log_fd = open((s.dir + "/" + log_name).c_str(), O_RDWR | O_CLOEXEC);
    } else {
        return &s;
    }
    if (s.log_fd < 0) {
        s.broken = true;
        return nullptr;
    }
    open_logs.push_back(&s);
    if (open_logs.size() > open_logs_max) {
        scratch *oldest = open_logs.front();
        open_logs.erase(open_logs.begin());
        close(oldest->log_fd);
        oldest->log_fd = -1;
    }
    return &s;
}

// Names that the shared directory cannot take for a source: the names of its own files, of
// the run's work files, and the scripts of other sources waiting in it; a DDL-like name, which
// a run may write as a DDL script.
bool needs_own_dir(const std::string &base, const scratch &s) {
    return base == log_name || base == console_name || base.compare(0, 4, "ddl_") == 0 ||
           base.compare(0, 4, "unit") == 0 || base.compare(0, 4, ".kb-") == 0 ||
           s.scripts.count(base) != 0 || s.scripts.count(base + ".pls") != 0;
}

// The name `link` for the source in a shared directory: a second name of the source's file
// where the file system allows it (no file is made, and none is freed when the name goes),
// else a symbolic link. Making and freeing a file for every source was a quarter of a worker's
// time on a file system that searches its free files.
bool link_source(const std::string &source, const std::string &link) {
    if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, link.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    return symlink(source.c_str(), link.c_str()) == 0;
}

// Where a DDL script `name` of task t waits for the driver (empty: nowhere).
std::string staged_path(scratch &s, const task &t, const std::string &name) {
    const std::string dir = s.dir + "/" + staged_name;
    if (!s.staged && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return std::string();
    s.staged = true;
    return dir + "/" + std::to_string(t.index) + "-" + name;
}

} // namespace

bool is_output_name(const std::string &name, const std::string &source_base) {
    return name == source_base + ".pls" || name.compare(0, 4, "ddl_") == 0;
}

file_result convert_source(const task &t) {
    const auto start = std::chrono::steady_clock::now();
    file_result r;
    const std::string base = base_name(t.source);
    std::string raw, why;
    bool regular = false;
    if (!read_source(t.source, raw, why, regular)) {
        r.error = "cannot read the source: " + why;
        return r;
    }
    r.bytes = static_cast<int64_t>(raw.size());
    // Units are searched, and converted one by one, in the text the converter reads.
    const std::string src = source_text(raw);
    r.lines = static_cast<int>(std::count(src.begin(), src.end(), '\n'));
    if (!src.empty() && src.back() != '\n')
        r.lines++;
    r.units = find_units(src);

    // The run reads the text read above, under the source's name, in the worker's directory
    // (an empty source, which no stream over memory holds, through a link there); a source that
    // is no regular file (read once, as it was found), or whose name the directory cannot take,
    // is copied into a directory of its own.
    scratch *shared = regular ? scratch_for(t) : nullptr;
    if (shared != nullptr && needs_own_dir(base, *shared))
        shared = nullptr;
    const bool from_memory = shared != nullptr && !raw.empty();
    if (shared != nullptr && !from_memory && !link_source(t.source, shared->dir + "/" + base))
        shared = nullptr;
    const std::string &work_dir = shared != nullptr ? shared->dir : t.work_dir;
    if (shared == nullptr) {
        r.private_dir = true;
        if (mkdir(t.work_dir.c_str(), 0700) != 0 && errno != EEXIST) {
            r.error = "cannot write to " + t.dest_dir + ": " + strerror(errno);
            return r;
        }
        if (!write_whole(t.work_dir + "/" + base, raw)) {
            r.error = "cannot write to " + t.dest_dir;
            return r;
        }
    }
    outcome whole = run_kestra(work_dir, t.options, base, from_memory ? &raw : nullptr);
    // The run's log, and the outputs it left (its script and DDL script).
    std::string log;
    std::vector<std::string> ddl_names;
    bool script_made = false;
    if (shared != nullptr) {
        if (read_fd(shared->log_fd, log, shared->log_read))
            shared->log_read += static_cast<off_t>(log.size());
        else
            shared->broken = true; // later sources there go to directories of their own
        script_made = access((shared->dir + "/" + base + ".pls").c_str(), F_OK) == 0;
        const std::string ddl = ddl_script_of_run();
        if (!ddl.empty() && access((shared->dir + "/" + ddl).c_str(), F_OK) == 0)
            ddl_names.push_back(ddl);
    }
    // The scanner reads a NUL byte as the end of the input: a run that "succeeds" on a source
    // with units after a NUL byte has not converted those.
    const bool cut_short = !r.units.empty() && src.find('\0') < r.units.back().offset;
    if ((whole.ok && !cut_short) || r.units.empty()) {
        std::vector<diagnostic> diagnostics = whole.diagnostics;
        if (whole.ambiguous) {
            if (shared == nullptr)
                read_whole(t.work_dir + "/" + log_name, log);
            diagnostics = parse_log(log, base).diagnostics;
        }
        for (diagnostic &d : diagnostics) {
            if (r.units.empty())
                break;
            r.units[unit_of_line(r.units, d.line)].diagnostics.push_back(d);
        }
        if (!whole.ok) {
            std::string why_not = last_error_line(whole.errors);
            r.error = why_not.empty() ? "the conversion failed" : why_not;
            // A completed run without a unit is a file of other statements; a stop is a failure.
            (whole.status == 0 ? r.no_units : r.refused) = true;
        }
        if (shared != nullptr) {
            r.has_log = !log.empty();
            for (const std::string &name : ddl_names) {
                const std::string staged = staged_path(*shared, t, name);
                if (!staged.empty() &&
                    rename((shared->dir + "/" + name).c_str(), staged.c_str()) == 0)
                    r.moves.emplace_back(staged, name);
            }
        }
    } else {
        unit_outputs out;
        convert_units(t, work_dir, base, src, r, out);
        // Replace what the whole-source run left.
        if (shared != nullptr) {
            for (const std::string &name : ddl_names)
                unlink((shared->dir + "/" + name).c_str());
            const std::string script = shared->dir + "/" + base + ".pls";
            unlink(script.c_str());
            write_whole(script, out.script);
            script_made = access(script.c_str(), F_OK) == 0;
            for (const auto &e : out.ddl) {
                const std::string staged = staged_path(*shared, t, e.second.first);
                if (staged.empty())
                    continue;
                write_whole(staged, e.second.second);
                if (access(staged.c_str(), F_OK) == 0)
                    r.moves.emplace_back(staged, e.second.first);
            }
            r.has_log = true;
            log = out.log;
        } else {
            for (const std::string &name : entries(t.work_dir))
                if (is_output_name(name, base) || name == log_name)
                    unlink((t.work_dir + "/" + name).c_str());
            write_whole(t.work_dir + "/" + base + ".pls", out.script);
            for (const auto &e : out.ddl)
                write_whole(t.work_dir + "/" + e.second.first, e.second.second);
            write_whole(t.work_dir + "/" + log_name, out.log);
        }
    }
    if (!from_memory)
        unlink((work_dir + "/" + base).c_str());
    if (shared != nullptr) {
        if (script_made) {
            r.moves.emplace_back(shared->dir + "/" + base + ".pls", base + ".pls");
            shared->scripts.insert(base + ".pls");
        }
        r.log = log;
    } else {
        // What the driver moves into place: the outputs, and the log appended to the
        // directory's log.
        for (const std::string &name : entries(t.work_dir)) {
            if (is_output_name(name, base)) {
                r.moves.emplace_back(t.work_dir + "/" + name, name);
            } else if (name == log_name) {
                r.has_log = true;
                read_whole(t.work_dir + "/" + name, r.log);
                unlink((t.work_dir + "/" + name).c_str());
            }
        }
    }
    for (unit_result &u : r.units) {
        if (!u.failed)
            continue;
        int line = u.first_line;
        for (const diagnostic &d : u.diagnostics)
            if (d.fatal)
                line = d.line;
        u.context = source_lines(src, std::max(u.first_line, line - 3), line + 2);
    }
    if (shared == nullptr && chdir("/") != 0) {
        // The next conversion enters its own directory; nothing depends on this one.
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

} // namespace batch
