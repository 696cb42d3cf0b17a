// Test helpers for the converter: a fresh temporary directory per case, and runs of kestra in
// it, either as the built executable (KESTRA_BIN) or in-process through kestra_main, with the
// standard output and standard error captured.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "conv72.h"
#include "output.h"

namespace kestra_test {

// Whole content of a file ("" when it cannot be read).
inline std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::string &path, const std::string &content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline bool file_exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it at destruction.
class temp_dir {
  public:
    temp_dir() {
        const char *base = getenv("TMPDIR");
        std::string tmpl =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kestra_test_XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        root_ = buf.data();
        work_ = root_ + "/work";
        mkdir(work_.c_str(), 0700);
    }
    ~temp_dir() {
        nftw(
            root_.c_str(),
            [](const char *p, const struct stat *, int, struct FTW *) { return ::remove(p); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;

    // The directory kestra runs in.
    const std::string &path() const { return work_; }
    std::string file(const std::string &name) const { return work_ + "/" + name; }
    void write(const std::string &name, const std::string &content) const {
        write_file(file(name), content);
    }
    std::string read(const std::string &name) const { return read_file(file(name)); }
    bool exists(const std::string &name) const { return file_exists(file(name)); }
    // Names of the entries in the run directory, sorted.
    std::vector<std::string> entries() const;
    // Where captured streams go (outside the run directory).
    std::string capture(const std::string &name) const { return root_ + "/" + name; }

  private:
    std::string root_;
    std::string work_;
};

inline std::vector<std::string> temp_dir::entries() const {
    std::vector<std::string> names;
    DIR *d = opendir(work_.c_str());
    if (d == nullptr)
        return names;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

struct run_result {
    int status = -1; // exit status (or kestra_main's result)
    std::string out; // standard output
    std::string err; // standard error
};

// Starts the kestra executable in dir.path() with `args` and returns its process id; its
// standard streams go to the capture files "<tag>.out" and "<tag>.err". finish_kestra waits
// for it. Several runs may be started at once with different tags.
inline pid_t start_kestra(const temp_dir &dir, const std::vector<std::string> &args,
                          const std::string &tag, const std::string &argv0 = KESTRA_BIN) {
    const std::string out = dir.capture(tag + ".out"), err = dir.capture(tag + ".err");
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0)
            _exit(127);
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (o < 0 || e < 0)
            _exit(127);
        dup2(o, 1);
        dup2(e, 2);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(argv0.c_str()));
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(KESTRA_BIN, argv.data());
        _exit(127);
    }
    return pid;
}

inline run_result finish_kestra(const temp_dir &dir, pid_t pid, const std::string &tag) {
    run_result r;
    int st = 0;
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = read_file(dir.capture(tag + ".out"));
    r.err = read_file(dir.capture(tag + ".err"));
    return r;
}

// Runs the kestra executable in dir.path() with `args` (the program name is added as argv[0]).
inline run_result run_kestra(const temp_dir &dir, const std::vector<std::string> &args,
                             const std::string &argv0 = KESTRA_BIN) {
    return finish_kestra(dir, start_kestra(dir, args, "run", argv0), "run");
}

// Runs kestra_main in this process, in dir.path(), with the standard streams captured. The
// conversion state stays as the run left it, for inspection.
template <class F> run_result capture_in(const temp_dir &dir, F f);

inline run_result run_in_process(const temp_dir &dir, const std::vector<std::string> &args,
                                 const std::string &argv0 = "kestra") {
    std::vector<std::string> storage;
    storage.push_back(argv0);
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : storage)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int status = -1;
    run_result r = capture_in(
        dir, [&] { status = kestra_main(static_cast<int>(storage.size()), argv.data()); });
    if (r.status == 0)
        r.status = status;
    return r;
}

// The banner line with its date replaced by "<date>": the only text a comparison may mask.
inline std::string mask_banner_date(const std::string &text) {
    const std::string head = " - Beta on ";
    size_t at = text.find(head);
    if (at == std::string::npos)
        return text;
    size_t start = at + head.size();
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
        end = text.size();
    return text.substr(0, start) + "<date>" + text.substr(end);
}

} // namespace kestra_test

namespace kestra_test {

// Runs f() with the standard output and standard error captured (in dir's capture files) and
// the working directory set to dir.path().
template <class F> run_result capture_in(const temp_dir &dir, F f) {
    run_result r;
    const std::string out = dir.capture("stdout"), err = dir.capture("stderr");
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr)
        throw std::runtime_error("getcwd failed");
    fflush(nullptr);
    int saved_out = dup(1), saved_err = dup(2);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(o, 1);
    dup2(e, 2);
    close(o);
    close(e);
    if (chdir(dir.path().c_str()) == 0) {
        f();
        r.status = 0;
        if (chdir(cwd) != 0)
            r.status = -2;
    }
    fflush(nullptr);
    dup2(saved_out, 1);
    dup2(saved_err, 2);
    close(saved_out);
    close(saved_err);
    r.out = read_file(out);
    r.err = read_file(err);
    return r;
}

// Writes a body text to yyout as the translation would: every byte 5, and every byte 1 with
// what follows up to the next byte 1 or 2, goes out as a recorded marker (write_body_marker);
// the rest as plain text. For assembly tests that spell their bodies with markers in them.
inline void write_marked_body(FILE *body, const std::string &text) {
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != 1 && text[j] != 5)
            j++;
        fwrite(text.data() + i, 1, j - i, body);
        if (j == text.size())
            break;
        size_t k = j + 1;
        if (text[j] == 1) {
            while (k < text.size() && text[k] != 1 && text[k] != 2)
                k++;
            if (k < text.size())
                k++;
        }
        fflush(body);
        write_body_marker(text.substr(j, k - j).c_str());
        i = k;
    }
}

} // namespace kestra_test
