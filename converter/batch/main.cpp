// kestra-batch: converts every source under the given paths with worker processes (each runs
// the converter library, whose state is per process), moves each source's outputs into place
// in source order (so the result does not depend on the number of workers), and writes the
// migration report.
#include "batch.h"

#include "conv72.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

using namespace batch;

#if defined(__linux__) && !defined(MADV_COLLAPSE)
#define MADV_COLLAPSE 25 // since Linux 6.1; older systems answer EINVAL
#endif

// The start and end of the program's zero-initialized data, from the linker.
extern "C" char __bss_start[], _end[];

namespace {

volatile sig_atomic_t interrupted = 0;

void on_signal(int) {
    interrupted = 1;
}

const char usage_text[] =
    "usage: kestra-batch [converter options] [-j N] [-o OUTDIR] [--report DIR] [--glob LIST] "
    "PATH...\n"
    "  PATH         a source file, or a directory searched for sources\n"
    "  -j N         N worker processes (default: the number of processors)\n"
    "  -o OUTDIR    write the outputs under OUTDIR at the sources' relative paths\n"
    "               (default: beside each source)\n"
    "  --report DIR write kestra-report.json, .csv and .html in DIR (default: OUTDIR,\n"
    "               else the current directory)\n"
    "  --glob LIST  comma-separated name patterns of sources, any case\n"
    "               (default: *.sql,*.prc,*.trg,*.sp)\n"
    "  converter options as for kestra: -F[value] -P -B -R -I -X -D -N -C -A -O<digit> "
    "-U<file>\n"
    "exit status: 0 every unit converted, 1 some unit failed, 2 usage error or unreadable "
    "path\n";

[[noreturn]] void usage_error(const std::string &what) {
    if (!what.empty())
        fprintf(stderr, "kestra-batch: %s\n", what.c_str());
    fputs(usage_text, stderr);
    exit(2);
}

// The driver's working directory never changes: asked once.
std::string absolute(const std::string &path) {
    if (!path.empty() && path[0] == '/')
        return path;
    static const std::string cwd = [] {
        char buf[PATH_MAX];
        return getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string();
    }();
    if (cwd.empty())
        return path;
    return cwd + "/" + path;
}

std::string dir_name(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path under OUTDIR of a source named on the command line: its relative path as given
// ("a/orders.sql", without "./"), or its base name when the path is absolute or climbs ("..").
std::string relative_of_argument(const std::string &path) {
    if (path.empty() || path[0] == '/')
        return base_name(path);
    std::string rel;
    for (size_t p = 0; p < path.size();) {
        size_t slash = std::min(path.find('/', p), path.size());
        const std::string part = path.substr(p, slash - p);
        p = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return base_name(path);
        rel += (rel.empty() ? "" : "/") + part;
    }
    return rel.empty() ? base_name(path) : rel;
}

std::string join(const std::string &a, const std::string &b) {
    if (a.empty() || a == ".")
        return b;
    return a.back() == '/' ? a + b : a + "/" + b;
}

bool make_dirs(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (path.find('/') != std::string::npos && !make_dirs(dir_name(path)))
        return false;
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

struct options {
    std::vector<std::string> converter;
    int jobs = 0;
    std::string outdir, report;
    std::vector<std::string> globs = {"*.sql", "*.prc", "*.trg", "*.sp"};
    std::vector<std::string> paths;
};

options parse_options(int argc, char **argv) {
    options o;
    auto value = [&](int &i, const char *name) -> std::string {
        if (i + 1 >= argc)
            usage_error(std::string(name) + " needs a value");
        return argv[++i];
    };
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            fputs(usage_text, stdout);
            exit(0);
        } else if (a.compare(0, 2, "-j") == 0) {
            std::string n = a.size() > 2 ? a.substr(2) : value(i, "-j");
            char *end = nullptr;
            long v = strtol(n.c_str(), &end, 10);
            if (n.empty() || *end != '\0' || v < 1 || v > 256)
                usage_error("-j needs a number of workers from 1 to 256");
            o.jobs = static_cast<int>(v);
        } else if (a == "-o") { // -o<digit> is the converter's -O
            o.outdir = value(i, "-o");
        } else if (a == "--report" || a.compare(0, 9, "--report=") == 0) {
            o.report = a.size() > 8 ? a.substr(9) : value(i, "--report");
        } else if (a == "--glob" || a.compare(0, 7, "--glob=") == 0) {
            std::string list = a.size() > 6 ? a.substr(7) : value(i, "--glob");
            o.globs.clear();
            for (size_t p = 0; p <= list.size();) {
                size_t c = std::min(list.find(',', p), list.size());
                if (c > p)
                    o.globs.push_back(list.substr(p, c - p));
                p = c + 1;
            }
            if (o.globs.empty())
                usage_error("--glob needs at least one pattern");
        } else if (a.size() > 1 && a[0] == '-') {
            // A converter switch, read by the converter's own reader.
            converter_switch sw;
            switch (read_switch(argc, argv, i, sw)) {
            case switch_error::unknown:
                usage_error("invalid option " + a);
            case switch_error::value_too_long:
                usage_error("the default return value of -F is longer than 19 characters");
            case switch_error::no_file_name:
                usage_error("-U needs a value");
            case switch_error::none:
            case switch_error::file_name_is_switch: // refused with an attached "-U-..." below
            case switch_error::file_name_too_long:  // checked below on the absolute name
                break;
            }
            if (sw.letter == 'U') {
                const std::string file = sw.value;
                if (file.empty() || file[0] == '-')
                    usage_error("-U needs a user datatype file name");
                if (access(file.c_str(), R_OK) != 0)
                    usage_error("cannot read the user datatype file " + file);
                a = a.substr(0, 2) + absolute(file); // the workers run in other directories
                if (a.size() - 2 > 127)
                    usage_error("the user datatype file name is longer than 127 characters");
            }
            o.converter.push_back(a);
        } else {
            o.paths.push_back(a);
        }
    }
    if (o.paths.empty())
        usage_error("no source file or directory given");
    if (o.jobs == 0) {
        long n = sysconf(_SC_NPROCESSORS_ONLN);
        o.jobs = n > 0 ? static_cast<int>(std::min(n, 256L)) : 1;
    }
    return o;
}

struct source {
    std::string shown;  // path as found from the command line
    std::string rel;    // path relative to its PATH argument (the base name for a file)
    std::string output; // the output script, shown the same way
    int64_t size = 0;   // bytes, as the search found the file (for the order of conversion)
    task job;
};

// A file or directory the search passed over for a reason other than its name pattern.
struct passed_over {
    std::string shown;
    std::string reason;
};

// Whether `text` (the raw bytes of a file) holds a procedure or trigger head outside strings
// and comments, as the converter's own scanner finds heads.
bool holds_unit_head(const std::string &raw) {
    return !find_units(source_text(raw)).empty();
}

struct collector {
    const options &opt;
    std::string outdir_abs;
    std::vector<source> sources;
    std::vector<std::string> problems;
    std::vector<passed_over> skipped;
    std::set<std::string> seen;
    std::string root_real; // the real path of the directory PATH being searched
    bool have_outdir = false;
    dev_t outdir_dev = 0;
    ino_t outdir_ino = 0;

    collector(const options &o, const std::string &outdir) : opt(o), outdir_abs(outdir) {}

    // The output directory is known by its identity, whatever the spelling of -o.
    void set_outdir() {
        struct stat st;
        if (!outdir_abs.empty() && stat(outdir_abs.c_str(), &st) == 0) {
            have_outdir = true;
            outdir_dev = st.st_dev;
            outdir_ino = st.st_ino;
        }
    }
    bool is_outdir(const struct stat &st) const {
        return have_outdir && st.st_dev == outdir_dev && st.st_ino == outdir_ino;
    }

    bool wanted(const std::string &name) const {
        for (const std::string &g : opt.globs)
            if (fnmatch(g.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
                return true;
        return false;
    }

    // `real`: the source's real path when the search knows it, else empty.
    void add(const std::string &shown, const std::string &rel, int64_t size,
             const std::string &real = std::string()) {
        // A source named twice (a file and its directory) is converted once.
        char resolved[PATH_MAX];
        if (!seen.insert(!real.empty()                                  ? real
                         : realpath(shown.c_str(), resolved) != nullptr ? resolved
                                                                        : absolute(shown))
                 .second)
            return;
        source s;
        s.shown = shown;
        s.rel = rel;
        s.size = size;
        s.job.source = absolute(shown);
        s.job.options = opt.converter;
        if (opt.outdir.empty()) {
            s.job.dest_dir = dir_name(s.job.source);
            s.output = shown + ".pls";
        } else {
            s.job.dest_dir = dir_name(join(outdir_abs, rel));
            s.output = join(opt.outdir, rel) + ".pls";
        }
        sources.push_back(std::move(s));
    }

    // Directories in name order. Passed over, and listed with the reason: symbolic links to
    // directories (not followed, so no loops), links to files outside the searched tree, the
    // output directory, and the DDL scripts of an earlier run ("ddl_*" files without a unit
    // head; a "ddl_*" file that holds a procedure or trigger is a source like any other).
    // `real_dir`: the real path of `dir`; the entries that are no links are found in it under
    // their own names, so their real paths need no resolving.
    void walk(const std::string &dir, const std::string &rel, const std::string &real_dir) {
        DIR *d = opendir(dir.c_str());
        if (d == nullptr) {
            problems.push_back("cannot read " + dir + ": " + strerror(errno));
            return;
        }
        // Names in name order; a regular file that is no source needs no closer look.
        std::vector<std::string> names;
        while (struct dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != ".." && n.compare(0, 14, ".kestra-batch-") != 0 &&
                (e->d_type != DT_REG || wanted(n)))
                names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        // Each entry looked at relative to the open directory (no walk of its path), which is
        // closed before the search goes deeper.
        std::vector<std::pair<std::string, struct stat>> found;
        for (const std::string &n : names) {
            struct stat st;
            if (fstatat(dirfd(d), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                found.emplace_back(n, st);
        }
        closedir(d);
        for (const auto &entry : found) {
            const std::string &n = entry.first;
            const struct stat &st = entry.second;
            const std::string path = join(dir, n), sub = rel.empty() ? n : rel + "/" + n;
            if (S_ISDIR(st.st_mode)) {
                if (is_outdir(st))
                    skipped.push_back({path, "the output directory of this run"});
                else
                    walk(path, sub, join(real_dir, n));
                continue;
            }
            if (!wanted(n))
                continue;
            int64_t size = st.st_size;
            if (S_ISLNK(st.st_mode)) {
                struct stat target;
                char real[PATH_MAX];
                const bool found = stat(path.c_str(), &target) == 0;
                size = found ? target.st_size : 0;
                if (found && S_ISDIR(target.st_mode)) {
                    skipped.push_back({path, "a link to a directory (links to directories are "
                                             "not followed)"});
                    continue;
                }
                if (realpath(path.c_str(), real) != nullptr && !root_real.empty() &&
                    std::string(real).compare(0, root_real.size() + 1, root_real + "/") != 0) {
                    skipped.push_back(
                        {path,
                         std::string("a link that leads outside the tree (to ") + real + ")"});
                    continue;
                }
            }
            if (n.compare(0, 4, "ddl_") == 0) {
                std::string raw;
                if (read_whole(path, raw) && !holds_unit_head(raw)) {
                    skipped.push_back({path, "a DDL script (no procedure or trigger in it)"});
                    continue;
                }
            }
            add(path, sub, size, S_ISLNK(st.st_mode) ? std::string() : join(real_dir, n));
        }
    }
};

// Answers a worker writes in one go at most, and the longest an answer waits for the others.
// Each write wakes the driver, which then takes a processor from a worker; answering several
// small sources at once saves most of those switches.
const size_t answers_per_write = 16;
const auto answer_wait = std::chrono::milliseconds(20);

// Workers started before the search for sources: enough for most machines, and few enough that
// a run of one source on a machine of many processors does not start dozens for nothing.
const size_t early_workers = 4;

// Tasks a worker holds at most: while the driver reads a group of answers and sends new tasks,
// the worker goes on with the ones it still holds.
const size_t tasks_per_worker = answers_per_write + 2;

// The conversion state's tables lie in the program's zero-initialized data, some 2.5 MB that
// each conversion clears. A worker touches all of it first on its first source, and on a
// virtual machine that shadows page tables each 4 KB page's first touch costs some 10 us:
// large pages there make it one fault for each 2 MB.
void use_large_pages_for_state() {
#ifdef MADV_HUGEPAGE
    const uintptr_t large = uintptr_t{2} << 20;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(__bss_start) + large - 1) & ~(large - 1);
    const uintptr_t to = reinterpret_cast<uintptr_t>(_end) & ~(large - 1);
    if (from >= to)
        return;
    void *const start = reinterpret_cast<void *>(from);
    madvise(start, to - from, MADV_HUGEPAGE); // a wish: the system may not have large pages
#ifdef MADV_COLLAPSE
    // The pages the driver touched before the fork (the program's own start-up) hold the
    // small page tables there: build the large pages now. Two workers that start at once may
    // find the pages they share with the driver locked by the other one for a moment.
    for (int tries = 0; tries < 3; tries++)
        if (madvise(start, to - from, MADV_COLLAPSE) == 0 || errno != EAGAIN)
            break;
#endif
#endif
}

// The heap grows by small pages, and on this kind of virtual machine each one's first touch
// costs some 14 us: the results the driver gathers over a run of 400 sources took ~350 of them.
// From here on the heap grows into `reserve` bytes of address space that have large pages (one
// fault for each 2 MB): the rest of the current 2 MB is left unused (address space only, never
// touched), and freed memory is kept rather than given back. The driver calls it once its
// workers run, so that they share none of these pages (a write to a shared large page splits it
// into small copies). Where the C library or the system differs, nothing changes.
// (volatile: nothing reads it, and the compiler would otherwise drop the block's malloc too)
void *volatile heap_left_unused = nullptr;

void use_large_pages_for_heap(size_t reserve) {
// (mallinfo2: glibc 2.33 on)
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33)) &&          \
    defined(MADV_HUGEPAGE) && defined(M_MMAP_THRESHOLD)
    const uintptr_t large = uintptr_t{2} << 20;
    // Blocks up to twice the reserve come from the heap, and freed memory is kept.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * reserve));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(4 * reserve));
    const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0));
    const uintptr_t top = end - mallinfo2().keepcost; // the heap's free end lies at its top
    const uintptr_t from = (top + 64 + large - 1) & ~(large - 1), to = from + reserve;
    // Take the address space: a block up to `to`, given back at once (kept as the free top).
    // (volatile, so that the compiler keeps the malloc and free of a block nothing writes)
    void *volatile grow = malloc(to - top);
    if (grow == nullptr)
        return;
    free(grow);
    if (reinterpret_cast<uintptr_t>(sbrk(0)) < to)
        return; // the heap did not grow in place
    madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
    // What is left below `from`: taken for good and never touched.
    heap_left_unused = malloc(from - top - 32);
#else
    (void)reserve;
#endif
}

// The private directory of the conversion numbered `index` of the run of `driver`.
std::string work_dir_of(const std::string &dest_dir, long driver, long index) {
    return dest_dir + "/.kestra-batch-" + std::to_string(driver) + "-" + std::to_string(index);
}

// A task as the driver sends it: "<number> <length of source> <length of dest_dir>\n" and then
// the two paths (a path may hold any byte but NUL, hence lengths rather than separators).
void put_task(std::string &to, const task &t) {
    to += std::to_string(t.index);
    to += ' ';
    to += std::to_string(t.source.size());
    to += ' ';
    to += std::to_string(t.dest_dir.size());
    to += '\n';
    to += t.source;
    to += t.dest_dir;
}

// Takes the task that starts at `used` in `buf` into `t` and moves `used` past it: 1, or 0 when
// not all of it has come yet, or -1 when the text there is no task.
int take_task(const std::string &buf, size_t &used, task &t) {
    const size_t nl = buf.find('\n', used);
    if (nl == std::string::npos)
        return 0;
    const char *p = buf.c_str() + used;
    char *end = nullptr;
    const long index = strtol(p, &end, 10);
    const unsigned long source_size = strtoul(end, &end, 10);
    const unsigned long dest_size = strtoul(end, &end, 10);
    const size_t rest = buf.size() - nl - 1;
    if (end != buf.c_str() + nl || index < 0 || source_size > (size_t{1} << 20) ||
        dest_size > (size_t{1} << 20))
        return -1;
    if (rest < source_size + dest_size)
        return 0;
    t.index = index;
    t.source.assign(buf, nl + 1, source_size);
    t.dest_dir.assign(buf, nl + 1 + source_size, dest_size);
    t.work_dir = work_dir_of(t.dest_dir, t.driver, index);
    used = nl + 1 + source_size + dest_size;
    return 1;
}

// A worker: reads tasks (put_task) and answers each with "<length>\n<record>", in the order of
// its tasks. Workers start before the search for sources, so that their start-up (the large
// pages of the state, the copies of the driver's pages) goes on beside it. It writes its answers
// when it has answers_per_write of them, when the first of them has waited answer_wait, or when it
// has no task left to start. `converting` tells the driver which task it is converting (-1 between
// tasks): if the worker dies, that task failed, and the others it held are sent again, whether
// their answers were written or not.
[[noreturn]] void worker_loop(const std::vector<std::string> &options, long driver, int cmd_fd,
                              int res_fd, std::atomic<long> &converting) {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    use_large_pages_for_state();
    std::string tasks, answers;
    size_t waiting = 0, used = 0;
    std::chrono::steady_clock::time_point first_answer;
    const auto write_answers = [&] {
        for (size_t done = 0; done < answers.size();) {
            ssize_t n = write(res_fd, answers.data() + done, answers.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(3);
            done += static_cast<size_t>(n);
        }
        answers.clear();
        waiting = 0;
    };
    task job;
    job.options = options;
    job.driver = driver;
    for (;;) {
        const int taken = take_task(tasks, used, job);
        if (taken < 0)
            _exit(4);
        if (taken == 0) {
            write_answers(); // before waiting for more tasks
            tasks.erase(0, used);
            used = 0;
            char buf[4096];
            ssize_t n = read(cmd_fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            tasks.append(buf, static_cast<size_t>(n));
            continue;
        }
        converting.store(job.index);
        std::string record = encode_result(convert_source(job));
        converting.store(-1);
        if (waiting++ == 0)
            first_answer = std::chrono::steady_clock::now();
        answers += std::to_string(record.size());
        answers += '\n';
        answers += record;
        if (waiting >= answers_per_write ||
            std::chrono::steady_clock::now() - first_answer >= answer_wait)
            write_answers();
    }
    _exit(0);
}

struct worker {
    pid_t pid = -1;
    int cmd = -1, res = -1;
    std::deque<long> tasks; // sent and not answered, in the order sent
    std::string buffer;
    std::atomic<long> *converting = nullptr; // in memory shared with the worker
};

class pool {
  public:
    pool(const std::vector<std::string> &options, long driver)
        : options_(options), driver_(driver) {}

    void start(worker &w) {
        if (w.converting == nullptr) {
            void *shared = mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE,
                                MAP_SHARED | MAP_ANONYMOUS, -1, 0);
            if (shared == MAP_FAILED) {
                perror("kestra-batch: mmap");
                exit(2);
            }
            w.converting = new (shared) std::atomic<long>(-1);
        }
        w.converting->store(-1);
        int cmd[2], res[2];
        if (pipe(cmd) != 0 || pipe(res) != 0) {
            perror("kestra-batch: pipe");
            exit(2);
        }
        fflush(nullptr);
        pid_t pid = fork();
        if (pid < 0) {
            perror("kestra-batch: fork");
            exit(2);
        }
        if (pid == 0) {
            for (worker &other : workers_)
                for (int fd : {other.cmd, other.res})
                    if (fd >= 0)
                        close(fd);
            close(cmd[1]);
            close(res[0]);
            worker_loop(options_, driver_, cmd[0], res[1], *w.converting);
        }
        close(cmd[0]);
        close(res[1]);
        fcntl(cmd[1], F_SETFD, FD_CLOEXEC);
        fcntl(res[0], F_SETFD, FD_CLOEXEC);
        w.pid = pid;
        w.cmd = cmd[1];
        w.res = res[0];
        w.tasks.clear();
        w.buffer.clear();
    }

    std::vector<worker> workers_;

  private:
    const std::vector<std::string> &options_;
    long driver_;
};

void close_fd(int &fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// The directories the workers use in the destination directories, removed at the end.
std::set<std::pair<pid_t, std::string>> scratch_dirs;

void remove_scratch_dirs() {
    for (const auto &d : scratch_dirs)
        remove_tree(scratch_dir(d.second, getpid(), d.first));
}

// Sends the tasks `ks` to the worker in one write.
void send_tasks(worker &w, const std::vector<source> &sources, const std::vector<long> &ks) {
    std::string lines;
    for (long k : ks) {
        put_task(lines, sources[static_cast<size_t>(k)].job);
        w.tasks.push_back(k);
        scratch_dirs.emplace(w.pid, sources[static_cast<size_t>(k)].job.dest_dir);
    }
    // A worker that is gone cannot take them; its end of file reports them.
    if (!lines.empty() &&
        write(w.cmd, lines.data(), lines.size()) != static_cast<ssize_t>(lines.size()))
        close_fd(w.cmd);
}

// The log of a destination directory, held open from one source to the next there. What the
// sources committed together add to it is written at once: when the driver has committed what
// it read from the workers (flush), when it turns to another directory's log, and at the end.
struct log_appender {
    std::string path;
    int fd = -1;
    std::string pending; // for `path`, not written yet
    std::set<std::string> started;

    void append(const std::string &to, const std::string &text) {
        if (to != path) {
            close_log();
            // Each run starts the directory's log afresh; the previous run's log is kept as
            // KESTRA.log.1.
            if (started.insert(to).second) {
                struct stat st;
                if (lstat(to.c_str(), &st) == 0 && rename(to.c_str(), (to + ".1").c_str()) != 0)
                    fprintf(stderr, "kestra-batch: cannot keep %s as %s.1: %s\n", to.c_str(),
                            to.c_str(), strerror(errno));
            }
            path = to;
        }
        pending += text;
    }
    void flush() {
        if (pending.empty())
            return;
        if (fd < 0)
            fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 ||
            write(fd, pending.data(), pending.size()) != static_cast<ssize_t>(pending.size())) {
            fprintf(stderr, "kestra-batch: cannot append to %s\n", path.c_str());
            if (fd >= 0)
                close(fd); // opened again for the next source
            fd = -1;
        }
        pending.clear();
    }
    void close_log() {
        flush();
        if (fd >= 0)
            close(fd);
        fd = -1;
        path.clear();
    }
};

// Directories the driver moves outputs from and into, each opened once: a rename relative to
// them walks no path but the file's name.
class dir_handles {
  public:
    ~dir_handles() {
        for (const auto &d : fds_)
            if (d.second >= 0)
                close(d.second);
    }
    int at(const std::string &dir) {
        auto it = fds_.find(dir);
        if (it == fds_.end())
            it = fds_.emplace(dir, open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)).first;
        return it->second;
    }

  private:
    std::map<std::string, int> fds_;
};

// Renames `from` (a full path) to `name` in `to_dir`, through the directories' handles where
// they could be opened.
int move_into(dir_handles &dirs, const std::string &from, const std::string &to_dir,
              const std::string &name) {
    const size_t slash = from.rfind('/');
    const int from_fd = slash == std::string::npos ? -1 : dirs.at(from.substr(0, slash));
    const int to_fd = dirs.at(to_dir);
    if (from_fd < 0 || to_fd < 0)
        return rename(from.c_str(), (to_dir + "/" + name).c_str());
    return renameat(from_fd, from.c_str() + slash + 1, to_fd, name.c_str());
}

// Moves a finished conversion's outputs into place, in name order: the script and DDL files
// by rename (each complete when it appears), the log appended to the directory's log.
void commit(const source &s, const file_result &r, bool move_outputs, log_appender &logs,
            dir_handles &dirs) {
    const task &t = s.job;
    if (move_outputs) {
        std::vector<std::pair<std::string, std::string>> names; // name, where it waits
        for (const auto &m : r.moves)
            names.emplace_back(m.second, m.first);
        if (r.has_log)
            names.emplace_back("KESTRA.log", std::string());
        std::stable_sort(names.begin(), names.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        for (const auto &n : names) {
            if (!n.second.empty()) {
                if (move_into(dirs, n.second, t.dest_dir, n.first) != 0)
                    fprintf(stderr, "kestra-batch: cannot write %s/%s: %s\n", t.dest_dir.c_str(),
                            n.first.c_str(), strerror(errno));
            } else {
                logs.append(t.dest_dir + "/" + n.first, r.log);
            }
        }
    }
    if (r.private_dir || !move_outputs)
        remove_tree(t.work_dir);
}

class progress {
  public:
    explicit progress(size_t total) : total_(total), on_(isatty(2) != 0) {}
    void show(size_t done, int units, int failed, bool force = false) {
        if (!on_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - last_ < std::chrono::milliseconds(200))
            return;
        last_ = now;
        const double s = std::chrono::duration<double>(now - start_).count();
        fprintf(stderr, "\r%zu/%zu files, %d units, %d failed, %.1f files/s\x1b[K", done, total_,
                units, failed, s > 0 ? static_cast<double>(done) / s : 0.0);
        fflush(stderr);
    }
    void clear() {
        if (on_)
            fputs("\r\x1b[K", stderr);
    }

  private:
    size_t total_;
    bool on_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_;
};

// Two sources whose outputs would be one file (two directories given as PATHs holding the
// same relative name) are refused before anything is converted.
void refuse_shared_outputs(const std::vector<source> &sources) {
    std::map<std::string, const source *> by_output;
    for (const source &s : sources) {
        const std::string out = join(s.job.dest_dir, base_name(s.job.source)) + ".pls";
        auto ins = by_output.emplace(out, &s);
        if (!ins.second)
            usage_error(ins.first->second->shown + " and " + s.shown + " would both write " +
                        s.output + "; convert them into different output directories");
    }
}

// A source that another source's output script or the log of its directory would replace (in
// place, "a.sql" beside "a.sql.pls", or a source named KESTRA.log): the run would overwrite it
// before or after it is read, so it is refused before anything is converted. Paths are compared
// through the directories' real paths, as the search compares the sources.
void refuse_outputs_over_sources(const std::vector<source> &sources) {
    // Each directory is resolved once: the sources of a tree share a few directories, and a
    // real path costs a system call for every part of the path.
    std::map<std::string, std::string> resolved;
    auto real_dir = [&resolved](const std::string &dir) -> const std::string & {
        auto at = resolved.find(dir);
        if (at == resolved.end()) {
            char real[PATH_MAX];
            at = resolved.emplace(dir, realpath(dir.c_str(), real) != nullptr ? real : dir).first;
        }
        return at->second;
    };
    std::map<std::string, const source *> by_path;
    for (const source &s : sources)
        by_path.emplace(join(real_dir(dir_name(s.job.source)), base_name(s.job.source)), &s);
    for (const source &s : sources) {
        const std::string dir = real_dir(s.job.dest_dir);
        for (const std::string &out :
             {join(dir, base_name(s.job.source)) + ".pls", join(dir, "KESTRA.log")}) {
            auto hit = by_path.find(out);
            if (hit != by_path.end())
                usage_error("the output of " + s.shown + " would replace the source " +
                            hit->second->shown +
                            "; convert into an output directory (-o) or leave it out");
        }
    }
}

// A lock on a directory this run writes into (flock on the directory itself, so nothing is
// left behind): a second run into the same directory is refused while the first runs.
struct dir_lock {
    int fd = -1;
};

std::vector<dir_lock> lock_output_dirs(std::vector<std::string> dirs) {
    std::sort(dirs.begin(), dirs.end());
    dirs.erase(std::unique(dirs.begin(), dirs.end()), dirs.end());
    std::vector<dir_lock> locks;
    for (const std::string &d : dirs) {
        dir_lock l;
        l.fd = open(d.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (l.fd < 0)
            continue; // a directory that cannot be opened is reported when it is written
        if (flock(l.fd, LOCK_EX | LOCK_NB) != 0) {
            fprintf(stderr,
                    "kestra-batch: another kestra-batch run is writing into %s; run again when "
                    "it has ended\n",
                    d.c_str());
            exit(2);
        }
        locks.push_back(l);
    }
    return locks;
}

} // namespace

int main(int argc, char **argv) {
    const auto start = std::chrono::steady_clock::now();
    const options opt = parse_options(argc, argv);
    const pid_t driver = getpid();
    // From here on an interrupt ends the run cleanly (what was converted stays, nothing half).
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // The first workers start before the search (they get their tasks once it is done); the
    // others, on a machine of many processors, once the search has found sources for them. The
    // driver's heap takes large pages after the last worker has started: they share none.
    const size_t jobs = static_cast<size_t>(opt.jobs);
    pool workers(opt.converter, driver);
    workers.workers_.resize(std::min(jobs, early_workers));
    for (worker &w : workers.workers_)
        workers.start(w);
    const bool all_started = workers.workers_.size() == jobs;
    if (all_started)
        use_large_pages_for_heap(size_t{8} << 20);
    collector found(opt, opt.outdir.empty() ? std::string() : absolute(opt.outdir));
    if (!opt.outdir.empty() && !make_dirs(found.outdir_abs))
        usage_error("cannot create the output directory " + opt.outdir);
    found.set_outdir();
    std::vector<std::string> lock_dirs; // where this run writes: held for the whole run
    if (!opt.outdir.empty())
        lock_dirs.push_back(found.outdir_abs);
    for (const std::string &p : opt.paths) {
        struct stat st;
        if (stat(p.c_str(), &st) != 0) {
            found.problems.push_back("cannot read " + p + ": " + strerror(errno));
        } else if (S_ISDIR(st.st_mode)) {
            std::string dir = p;
            while (dir.size() > 1 && dir.back() == '/')
                dir.pop_back();
            char real[PATH_MAX];
            found.root_real = realpath(dir.c_str(), real) != nullptr ? real : absolute(dir);
            found.walk(dir, "", found.root_real);
            if (opt.outdir.empty())
                lock_dirs.push_back(found.root_real);
        } else {
            found.add(p, relative_of_argument(p), st.st_size);
            if (opt.outdir.empty())
                lock_dirs.push_back(dir_name(absolute(p)));
        }
    }
    for (const std::string &p : found.problems)
        fprintf(stderr, "kestra-batch: %s\n", p.c_str());
    std::vector<source> &sources = found.sources;
    refuse_shared_outputs(sources);
    refuse_outputs_over_sources(sources);
    std::vector<dir_lock> locks = lock_output_dirs(lock_dirs);
    // One worker for each source at most: the ones beyond end at once, or more start.
    if (workers.workers_.size() < std::min(jobs, sources.size())) {
        const size_t started = workers.workers_.size();
        workers.workers_.resize(std::min(jobs, sources.size()));
        for (size_t i = started; i < workers.workers_.size(); i++)
            workers.start(workers.workers_[i]);
    } else if (sources.size() < workers.workers_.size()) {
        for (size_t i = sources.size(); i < workers.workers_.size(); i++)
            close_fd(workers.workers_[i].cmd);
        for (size_t i = sources.size(); i < workers.workers_.size(); i++) {
            waitpid(workers.workers_[i].pid, nullptr, 0);
            close_fd(workers.workers_[i].res);
        }
        workers.workers_.resize(sources.size());
    }
    if (!all_started)
        use_large_pages_for_heap(size_t{8} << 20);
    // The results are made after the workers start, in memory the driver does not share with
    // them: its writes there cost no copies of shared pages.
    std::vector<file_result> results;
    std::set<std::string> made; // destination directories made (or found) already
    for (size_t k = 0; k < sources.size(); k++) {
        source &s = sources[k];
        s.job.work_dir = work_dir_of(s.job.dest_dir, driver, static_cast<long>(k));
        s.job.driver = driver;
        s.job.index = static_cast<long>(k);
        if (made.insert(s.job.dest_dir).second)
            make_dirs(s.job.dest_dir);
    }

    std::vector<bool> done(sources.size(), false), crashed(sources.size(), false);
    size_t next = 0, committed = 0;
    int units = 0, failed = 0;
    progress bar(sources.size());
    log_appender logs;
    dir_handles dirs;
    // Larger sources first, so that no long conversion is left for the end while the other
    // workers have nothing to do; outputs are still moved into place in source order.
    std::vector<long> order(sources.size());
    for (size_t k = 0; k < order.size(); k++)
        order[k] = static_cast<long>(k);
    std::stable_sort(order.begin(), order.end(), [&](long a, long b) {
        return sources[static_cast<size_t>(a)].size > sources[static_cast<size_t>(b)].size;
    });
    // Near the end a worker holds no more than its share of the sources not yet sent, so that
    // none is left with a queue while the others have nothing to do.
    const auto held_limit = [&] {
        const size_t n = std::max<size_t>(1, workers.workers_.size()),
                     share = (order.size() - next + n - 1) / n;
        return std::max<size_t>(2, std::min(tasks_per_worker, share));
    };
    const auto feed = [&](worker &w) {
        std::vector<long> ks;
        for (size_t limit = held_limit();
             w.cmd >= 0 && next < order.size() && w.tasks.size() + ks.size() < limit;)
            ks.push_back(order[next++]);
        send_tasks(w, sources, ks);
        if (next >= order.size())
            close_fd(w.cmd); // the worker ends at end of file, after the tasks it holds
    };
    results.resize(sources.size());
    for (size_t k = 0; k < sources.size(); k++) {
        results[k].path = sources[k].shown;
        results[k].output = sources[k].output;
    }
    // The first tasks are dealt in turn, so that the largest sources go to different workers.
    {
        std::vector<std::vector<long>> dealt(workers.workers_.size());
        for (size_t round = 0, limit = held_limit(); round < limit; round++)
            for (auto &ks : dealt)
                if (next < order.size())
                    ks.push_back(order[next++]);
        for (size_t i = 0; i < dealt.size(); i++)
            send_tasks(workers.workers_[i], sources, dealt[i]);
    }
    for (worker &w : workers.workers_)
        feed(w);
    while (committed < sources.size() && !interrupted) {
        std::vector<pollfd> fds;
        for (worker &w : workers.workers_)
            fds.push_back({w.res, POLLIN, 0});
        int ready = poll(fds.data(), fds.size(), 200);
        for (size_t i = 0; ready > 0 && i < fds.size(); i++) {
            worker &w = workers.workers_[i];
            if (w.res < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            char buf[65536];
            ssize_t n = read(w.res, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                // The worker ended: the task it was converting failed with it (the oldest one
                // it held, if it ended between two tasks); a new worker takes over the others.
                int status = 0;
                close_fd(w.res);
                close_fd(w.cmd);
                waitpid(w.pid, &status, 0);
                w.pid = -1;
                const long in_conversion = w.converting->load();
                long k = w.tasks.empty() ? -1 : w.tasks.front();
                if (std::find(w.tasks.begin(), w.tasks.end(), in_conversion) != w.tasks.end())
                    k = in_conversion;
                if (k >= 0 && !done[static_cast<size_t>(k)]) {
                    file_result &r = results[static_cast<size_t>(k)];
                    r.error = WIFSIGNALED(status) ? "the conversion ended with signal " +
                                                        std::to_string(WTERMSIG(status))
                                                  : "the conversion ended with status " +
                                                        std::to_string(WEXITSTATUS(status));
                    r.output.clear();
                    done[static_cast<size_t>(k)] = true;
                    crashed[static_cast<size_t>(k)] = true; // its outputs may be incomplete
                }
                std::vector<long> rest;
                for (long t : w.tasks)
                    if (t != k)
                        rest.push_back(t);
                if ((!rest.empty() || next < order.size()) && !interrupted) {
                    workers.start(w);
                    send_tasks(w, sources, rest);
                    feed(w);
                }
                continue;
            }
            w.buffer.append(buf, static_cast<size_t>(n));
            // Each complete record answers the oldest task the worker holds.
            size_t used = 0;
            for (;;) {
                size_t nl = w.buffer.find('\n', used);
                if (nl == std::string::npos || w.tasks.empty())
                    break;
                size_t len = strtoul(w.buffer.c_str() + used, nullptr, 10);
                if (w.buffer.size() - nl - 1 < len)
                    break;
                const long k = w.tasks.front();
                w.tasks.pop_front();
                file_result &r = results[static_cast<size_t>(k)];
                file_result got;
                if (decode_result(w.buffer.data() + nl + 1, len, got)) {
                    got.path = r.path;
                    got.output = got.unreadable() ? std::string() : r.output;
                    r = std::move(got);
                } else {
                    r.error = "the conversion's result could not be read";
                    r.private_dir = true; // whatever it left, in its own directory, is removed
                }
                done[static_cast<size_t>(k)] = true;
                used = nl + 1 + len;
            }
            w.buffer.erase(0, used);
            feed(w);
        }
        while (committed < sources.size() && done[committed] && !interrupted) {
            units += static_cast<int>(results[committed].units.size());
            failed += results[committed].failed();
            commit(sources[committed], results[committed], !crashed[committed], logs, dirs);
            results[committed].moves.clear();
            results[committed].log.clear();
            committed++;
        }
        logs.flush();
        bar.show(committed, units, failed);
    }
    bar.clear();
    for (worker &w : workers.workers_) {
        if (interrupted && w.pid > 0)
            kill(w.pid, SIGTERM);
        close_fd(w.cmd);
    }
    for (worker &w : workers.workers_) {
        if (w.pid > 0)
            waitpid(w.pid, nullptr, 0);
        close_fd(w.res);
    }
    logs.close_log();
    remove_scratch_dirs();
    if (interrupted) {
        for (size_t k = committed; k < sources.size(); k++)
            remove_tree(sources[k].job.work_dir);
        fprintf(stderr,
                "kestra-batch: interrupted; the outputs of %zu of %zu sources are complete, no "
                "report written\n",
                committed, sources.size());
        return 130;
    }

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string report_dir = !opt.report.empty()   ? opt.report
                             : !opt.outdir.empty() ? opt.outdir
                                                   : ".";
    // The skipped files join the report after the sources, in the order the search met them.
    for (const passed_over &p : found.skipped) {
        file_result r;
        r.path = p.shown;
        r.skipped = p.reason;
        results.push_back(r);
    }
    // One set of counts for the console and the reports.
    const totals t = count_totals(results);
    for (const file_result &r : results) {
        if (!r.skipped.empty())
            fprintf(stderr, "kestra-batch: %s: skipped: %s\n", r.path.c_str(), r.skipped.c_str());
        else if (!r.error.empty() && !r.no_units)
            fprintf(stderr, "kestra-batch: %s: %s\n", r.path.c_str(), r.error.c_str());
        for (const unit_result &u : r.units) {
            if (!u.failed)
                continue;
            const diagnostic *d = nullptr;
            for (const diagnostic &x : u.diagnostics)
                if (x.fatal)
                    d = &x;
            fprintf(stderr, "kestra-batch: %s: %s %s (lines %d-%d) failed%s%s\n", r.path.c_str(),
                    u.kind.c_str(), u.name.empty() ? "(unnamed)" : u.name.c_str(), u.first_line,
                    u.last_line, d != nullptr ? ": " : "", d != nullptr ? d->text.c_str() : "");
        }
    }
    const int errors = static_cast<int>(found.problems.size()) + t.errors;
    std::string error;
    bool written =
        make_dirs(report_dir) && write_reports(report_dir, results, opt.converter, seconds, error);
    if (!written)
        fprintf(stderr, "kestra-batch: %s\n",
                error.empty() ? ("cannot create " + report_dir).c_str() : error.c_str());
    std::string extra;
    if (t.skipped > 0)
        extra +=
            ", " + std::to_string(t.skipped) + (t.skipped == 1 ? " file" : " files") + " skipped";
    if (t.no_units > 0)
        extra += ", " + std::to_string(t.no_units) + " with no units";
    if (t.refused > 0)
        extra += ", " + std::to_string(t.refused) + " refused";
    fprintf(
        stderr,
        "kestra-batch: %d files%s, %d units, %d failed, %d errors, %.1f s (%.1f files/s); %s%s\n",
        t.files, extra.c_str(), t.units, t.failed, errors, seconds,
        seconds > 0 ? static_cast<double>(t.files) / seconds : 0.0,
        written ? "report in " : "no report written", written ? report_dir.c_str() : "");
    failed = t.failed + t.refused;
    // Ends here without taking apart the results one by one (some 20 000 blocks for 400
    // sources) nor the converter's tables: the process's end frees them at once (0.3 ms less
    // than exit() on the bench tree). The sanitizer builds end through exit(), so that the leak
    // check runs.
    const int status = !written ? 2 : errors > 0 ? 2 : failed > 0 ? 1 : 0;
#if defined(__SANITIZE_ADDRESS__)
    std::exit(status);
#else
    fflush(nullptr);
    _exit(status);
#endif
}
