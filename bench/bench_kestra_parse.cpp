// Converter benchmark: a whole kestra run (scan, parse, the rule actions and the output
// assembly) over a large generated source, in MB/s and peak memory, against `cat` of the same
// file measured in the same run; then the same at a quarter of the size, to show that the time
// grows linearly and the peak memory not at all with the file's length; then real-style
// procedures (joins, DML from queries, cursor loops, built-ins, transactions) at a quarter size.
// With --against, another kestra program (an earlier build) converts the same sources, its runs
// alternating with this build's: the speed-up over it holds on any machine, where MB/s do not.
//   bench_kestra_parse [--against KESTRA] [MB]   (default 32)
//   bench_kestra_parse --write FILE MB        only writes the generated source (for profiling)
//   bench_kestra_parse --write-real FILE MB   the same for the real-style procedures
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "conv72.h"
#include "convstate.h"

namespace {

// Deterministic pseudo-random numbers for the generator.
struct rng {
    unsigned long long s = 0x9E3779B97F4A7C15ull;
    unsigned next(unsigned n) {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<unsigned>(s % n);
    }
};

// One statement of a procedure body, of the kinds real sources hold.
void statement(std::string &out, rng &r, int k) {
    static const char *const tables[] = {"orders", "customers", "order_lines", "invoices"};
    static const char *const cols[] = {"customer_id", "status", "amount", "paid", "order_date"};
    const char *t = tables[r.next(4)];
    const char *c = cols[r.next(5)];
    char buf[600];
    switch (r.next(9)) {
    case 0:
        snprintf(buf, sizeof buf,
                 "    select @count = count(*)\n      from %s\n     where %s = @p%d\n"
                 "       and status = 'O'\n",
                 t, c, k % 3);
        break;
    case 1:
        snprintf(buf, sizeof buf,
                 "    select o.order_id, o.amount, c.name\n      from %s o, customers c\n"
                 "     where o.customer_id = c.customer_id\n       and o.%s > %d\n"
                 "     order by o.order_id\n",
                 t, c, k);
        break;
    case 2:
        snprintf(buf, sizeof buf,
                 "    update %s\n       set %s = %s + 1, paid = amount\n"
                 "     where customer_id = @p0 and amount = paid\n",
                 t, c, c);
        break;
    case 3:
        snprintf(buf, sizeof buf,
                 "    insert into %s (customer_id, amount, status)\n"
                 "        values (@p0, %d.50, 'N')\n",
                 t, k);
        break;
    case 4:
        snprintf(buf, sizeof buf, "    delete from %s where %s = @p1 and paid >= amount\n", t, c);
        break;
    case 5:
        snprintf(buf, sizeof buf,
                 "    if @count > %d\n    begin\n        print 'too many: %d'\n"
                 "        return 1\n    end\n    else\n        select @total = @total + %d\n",
                 k, k, k);
        break;
    case 6:
        snprintf(buf, sizeof buf,
                 "    while @i < %d\n    begin\n        select @i = @i + 1\n"
                 "        exec log_step @i, 'step'\n    end\n",
                 k % 50 + 1);
        break;
    case 7:
        snprintf(buf, sizeof buf,
                 "    /* keep the totals of %s in step with %s */\n"
                 "    select @total = sum(amount - paid) from %s where %s is not null\n",
                 t, c, t, c);
        break;
    default:
        snprintf(buf, sizeof buf,
                 "    -- running balance %d\n    select @total = isnull(@total, 0) + %d\n", k, k);
        break;
    }
    out += buf;
}

// One procedure of about 2 to 8 KB.
void unit(std::string &out, rng &r, long n) {
    char head[300];
    snprintf(head, sizeof head,
             "\n-- generated procedure %ld\ncreate procedure gen_proc_%ld\n    @p0 int,\n"
             "    @p1 int,\n    @p2 varchar(20) output\nas\nbegin\n"
             "    declare @count int, @total money, @i int\n    select @i = 0, @total = 0\n",
             n, n);
    out += head;
    int statements = 10 + static_cast<int>(r.next(36));
    for (int k = 0; k < statements; k++)
        statement(out, r, k);
    out += "    return 0\nend\ngo\n";
}

// One statement of a real-style body: queries with joins and built-ins, DML from queries,
// transactions and error checks, the kinds of statements that carry most of the text of
// real procedures.
void real_statement(std::string &out, rng &r, int k) {
    static const char *const tables[] = {"orders", "customers", "order_lines", "invoices"};
    const char *t = tables[r.next(4)];
    char buf[900];
    switch (r.next(8)) {
    case 0:
        snprintf(buf, sizeof buf,
                 "    select @name = upper(ltrim(rtrim(c.name))), @since = dateadd(dd, -%d, "
                 "getdate())\n      from customers c\n     where c.customer_id = @p0\n"
                 "       and substring(c.region, 1, 2) = 'EU'\n",
                 k + 1);
        break;
    case 1:
        snprintf(buf, sizeof buf,
                 "    insert into invoices (order_id, amount, status)\n"
                 "    select o.order_id, sum(l.amount * l.quantity), 'N'\n"
                 "      from orders o, order_lines l\n"
                 "     where o.order_id = l.order_id\n       and o.customer_id = @p0\n"
                 "       and o.order_date >= @since\n     group by o.order_id\n");
        break;
    case 2:
        snprintf(buf, sizeof buf,
                 "    update %s\n       set status = 'C', amount = round(amount * 1.%02d, 2)\n"
                 "     where customer_id = @p1\n       and datediff(dd, order_date, getdate()) "
                 "> %d\n    if @@error != 0\n    begin\n        rollback transaction\n"
                 "        return 2\n    end\n",
                 t, k % 100, k + 30);
        break;
    case 3:
        snprintf(buf, sizeof buf,
                 "    select @total = isnull(sum(amount - paid), 0), @count = count(*)\n"
                 "      from %s\n     where customer_id = @p0 and status in ('O', 'P')\n",
                 t);
        break;
    case 4:
        snprintf(buf, sizeof buf,
                 "    if exists (select 1 from %s where customer_id = @p1 and amount > %d)\n"
                 "        delete from %s where customer_id = @p1 and paid >= amount\n",
                 t, k * 10, t);
        break;
    case 5:
        snprintf(buf, sizeof buf,
                 "    select @name = convert(varchar(20), @total) + ' of ' + "
                 "convert(varchar(10), @count)\n    print @name\n");
        break;
    case 6:
        snprintf(buf, sizeof buf,
                 "    select c.customer_id, c.name, count(o.order_id), max(o.order_date)\n"
                 "      from customers c, orders o\n     where c.customer_id = o.customer_id\n"
                 "       and charindex('x', c.name) = 0\n     group by c.customer_id, c.name\n"
                 "    having count(o.order_id) > %d\n     order by c.name\n",
                 k % 7 + 1);
        break;
    default:
        snprintf(buf, sizeof buf,
                 "    begin transaction\n    update customers set balance = balance - @total\n"
                 "     where customer_id = @p0\n    commit transaction\n");
        break;
    }
    out += buf;
}

// One real-style procedure: a cursor loop over a join with DML per row, between statements
// of real_statement.
void real_unit(std::string &out, rng &r, long n) {
    char head[1200];
    snprintf(head, sizeof head,
             "\n/* generated real-style procedure %ld */\ncreate procedure real_proc_%ld\n"
             "    @p0 int,\n    @p1 int,\n    @p2 varchar(20) output\nas\nbegin\n"
             "    declare @count int, @total money, @name varchar(40), @since datetime\n"
             "    declare @ord int, @amt money\n    select @count = 0, @total = 0\n"
             "    declare ord_cur cursor for\n"
             "        select o.order_id, o.amount\n          from orders o, customers c\n"
             "         where o.customer_id = c.customer_id and c.customer_id = @p0\n"
             "        for read only\n",
             n, n);
    out += head;
    int statements = 5 + static_cast<int>(r.next(12));
    for (int k = 0; k < statements; k++)
        real_statement(out, r, k);
    out += "    open ord_cur\n    fetch ord_cur into @ord, @amt\n"
           "    while @@sqlstatus = 0\n    begin\n"
           "        update order_lines set paid = amount where order_id = @ord\n"
           "        select @total = @total + isnull(@amt, 0), @count = @count + 1\n"
           "        fetch ord_cur into @ord, @amt\n    end\n"
           "    close ord_cur\n    deallocate cursor ord_cur\n";
    for (int k = 0; k < statements; k++)
        real_statement(out, r, k + statements);
    out += "    select @p2 = convert(varchar(20), @count)\n    return 0\nend\ngo\n";
}

// Writes a source of about `bytes` bytes; returns its exact size and sets `units`.
// real_style: procedures of real_unit instead of unit.
long generate(const std::string &path, long bytes, long &units, bool real_style = false) {
    FILE *f = fopen(path.c_str(), "w");
    if (f == nullptr) {
        perror(path.c_str());
        exit(1);
    }
    rng r;
    std::string chunk;
    long written = 0;
    for (units = 0; written < bytes; units++) {
        chunk.clear();
        if (real_style)
            real_unit(chunk, r, units);
        else
            unit(chunk, r, units);
        fwrite(chunk.data(), 1, chunk.size(), f);
        written += static_cast<long>(chunk.size());
    }
    fclose(f);
    return written;
}

struct measure {
    double seconds = 0; // wall time
    double user = 0;    // processor time in the program itself
    double sys = 0;     // processor time in the kernel (files)
    long peak_kb = 0;   // peak resident memory of the process
    int status = -1;
    std::string out; // what the run printed (kestra: its report)
};

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The bytes of the file at `path` (empty when it cannot be read).
std::string file_text(const std::string &path) {
    std::string text;
    if (FILE *f = fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t k;
        while ((k = fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, k);
        fclose(f);
    }
    return text;
}

// Runs `child` in a fresh process with standard output to `out_path` and standard error to
// /dev/null; wall time and the child's peak memory.
template <class F> measure in_child(F child, const std::string &out_path) {
    measure m;
    fflush(nullptr);
    double start = now();
    pid_t pid = fork();
    if (pid == 0) {
        FILE *o = freopen(out_path.c_str(), "w", stdout);
        FILE *e = freopen("/dev/null", "w", stderr);
        if (o == nullptr || e == nullptr)
            _exit(126);
        int st = child();
        fflush(nullptr);
        _exit(st);
    }
    int st = 0;
    struct rusage ru;
    while (wait4(pid, &st, 0, &ru) < 0 && errno == EINTR) {
    }
    m.seconds = now() - start;
    m.user = static_cast<double>(ru.ru_utime.tv_sec) + ru.ru_utime.tv_usec / 1e6;
    m.sys = static_cast<double>(ru.ru_stime.tv_sec) + ru.ru_stime.tv_usec / 1e6;
    m.peak_kb = ru.ru_maxrss;
    m.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    m.out = file_text(out_path);
    return m;
}

measure run_cat(const std::string &dir, const std::string &file) {
    return in_child(
        [&] {
            FILE *o = freopen("/dev/null", "w", stdout);
            if (o == nullptr)
                return 126;
            execl("/bin/cat", "cat", file.c_str(), static_cast<char *>(nullptr));
            return 127;
        },
        dir + "/cat.out");
}

measure run_kestra(const std::string &dir, const std::string &file) {
    return in_child(
        [&] {
            if (chdir(dir.c_str()) != 0)
                return 126;
            std::vector<std::string> args = {"kestra", file};
            std::vector<char *> argv;
            for (std::string &a : args)
                argv.push_back(&a[0]);
            argv.push_back(nullptr);
            // A fresh process that has converted nothing, as kestra's main() starts.
            conversion_state_untouched();
            return kestra_main(static_cast<int>(args.size()), argv.data());
        },
        dir + "/kestra.out");
}

// The program at `exe` run as kestra would be run, in `dir`.
measure run_program(const std::string &dir, const std::string &exe, const std::string &file) {
    return in_child(
        [&] {
            if (chdir(dir.c_str()) != 0)
                return 126;
            execl(exe.c_str(), "kestra", file.c_str(), static_cast<char *>(nullptr));
            return 127;
        },
        dir + "/kestra.out");
}

// Keeps in `b` the run with the least wall time (the least disturbed) and the highest peak.
void keep_best(measure &b, measure m, bool first) {
    if (first || m.seconds < b.seconds) {
        long peak = std::max(b.peak_kb, m.peak_kb);
        b = std::move(m);
        b.peak_kb = peak;
    }
}

// The best of `runs`.
template <class F> measure best(F f, int runs) {
    measure b;
    for (int i = 0; i < runs; i++)
        keep_best(b, f(), i == 0);
    return b;
}

void remove_dir(const std::string &dir) {
    if (DIR *d = opendir(dir.c_str())) {
        while (struct dirent *e = readdir(d)) {
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, ".."))
                remove((dir + "/" + e->d_name).c_str());
        }
        closedir(d);
    }
    rmdir(dir.c_str());
}

bool report(const char *label, long bytes, long units, const measure &k, const measure &c) {
    double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    bool ok = k.status == 0 && k.out.find("Successfully converted") != std::string::npos;
    printf("%s: %.1f MB, %ld procedures of %.1f KB on average%s\n", label, mb, units,
           static_cast<double>(bytes) / 1024.0 / static_cast<double>(units),
           ok ? "" : "   (conversion FAILED)");
    printf("  kestra %8.1f MB/s wall, %8.1f MB/s in the program (user), %6.2f s in the kernel;"
           " peak %6ld KB\n",
           mb / k.seconds, mb / k.user, k.sys, k.peak_kb);
    printf("  cat    %8.1f MB/s wall;%45s peak %6ld KB\n", mb / c.seconds, "", c.peak_kb);
    // On a busy machine the wall time includes waiting for a processor; the processor time
    // (user and kernel) is what one core would take alone.
    printf("  kestra %8.1f MB/s of processor time (user and kernel)\n", mb / (k.user + k.sys));
    printf("  ratio kestra/cat: time %.1f, peak memory %.2f\n", k.seconds / c.seconds,
           static_cast<double>(k.peak_kb) / static_cast<double>(c.peak_kb));
    return ok;
}

// The other program's rates and this build's speed-up over it; whether both wrote the same
// script (said, not failed: an earlier build may convert some statements otherwise).
bool report_against(const std::string &exe, long bytes, const measure &k, const measure &a,
                    bool same_script) {
    double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    bool ok = a.status == 0 && a.out.find("Successfully converted") != std::string::npos;
    printf("  against %s%s\n", exe.c_str(), ok ? "" : "   (its conversion FAILED)");
    printf("  it     %8.1f MB/s wall, %8.1f MB/s in the program (user), %6.2f s in the kernel;"
           " peak %6ld KB\n",
           mb / a.seconds, mb / a.user, a.sys, a.peak_kb);
    printf("  speed-up over it: wall %.2f, user %.2f, processor time %.2f; %s\n",
           a.seconds / k.seconds, a.user / k.user, (a.user + a.sys) / (k.user + k.sys),
           same_script ? "the same script" : "the scripts DIFFER");
    return ok;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 4 && (strcmp(argv[1], "--write") == 0 || strcmp(argv[1], "--write-real") == 0)) {
        long units = 0;
        const bool real_style = strcmp(argv[1], "--write-real") == 0;
        long bytes = generate(argv[2], atol(argv[3]) * 1024 * 1024, units, real_style);
        printf("%s: %ld bytes, %ld procedures\n", argv[2], bytes, units);
        return 0;
    }
    std::string against; // another kestra program to compare with
    int arg = 1;
    if (argc > 2 && strcmp(argv[1], "--against") == 0) {
        char *path = realpath(argv[2], nullptr); // the runs change directory
        if (path == nullptr || access(path, X_OK) != 0) {
            fprintf(stderr, "bench_kestra_parse: %s is no program to run\n", argv[2]);
            free(path);
            return 1;
        }
        against = path;
        free(path);
        arg = 3;
    }
    long mb = argc > arg ? atol(argv[arg]) : 32;
    if (mb < 4)
        mb = 4;
    const char *base = getenv("TMPDIR");
    std::string tmpl =
        std::string(base != nullptr && *base ? base : "/tmp") + "/bench_kestra_parse_XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) {
        perror("mkdtemp");
        return 1;
    }
    const std::string dir = buf.data();
    const std::string other = dir + "/against"; // the other program converts here
    if (!against.empty() && mkdir(other.c_str(), 0700) != 0) {
        perror(other.c_str());
        remove_dir(dir);
        return 1;
    }
    bool ok = true;
    printf("bench_kestra_parse: whole kestra runs on generated procedures, against cat\n");
    long sizes[] = {mb * 1024 * 1024 / 4, mb * 1024 * 1024, mb * 1024 * 1024 / 4};
    const char *labels[] = {"small", "large", "real-style"};
    for (int i = 0; i < 3; i++) {
        const std::string file = dir + "/gen.sql";
        long units = 0;
        long bytes = generate(file, sizes[i], units, i == 2);
        measure c = best([&] { return run_cat(dir, file); }, 3);
        // Each run converts into a directory without the outputs of the one before: the
        // script would otherwise be truncated in the timed run, which a first conversion
        // does not do.
        auto clear_outputs = [&] {
            remove((dir + "/gen.sql.pls").c_str());
            remove((dir + "/KESTRA.log").c_str());
        };
        const std::string other_file = other + "/gen.sql";
        auto clear_other = [&] {
            remove((other_file + ".pls").c_str());
            remove((other + "/KESTRA.log").c_str());
        };
        if (!against.empty() && link(file.c_str(), other_file.c_str()) != 0) {
            perror(other_file.c_str());
            ok = false;
            break;
        }
        // Five runs: on a shared machine one run in three or four may be slowed throughout.
        // The other program's runs alternate with these, so that both meet the same moments.
        measure k;
        measure a;
        for (int run = 0; run < 5; run++) {
            clear_outputs();
            keep_best(k, run_kestra(dir, file), run == 0);
            if (!against.empty()) {
                clear_other();
                keep_best(a, run_program(other, against, other_file), run == 0);
            }
        }
        ok = report(labels[i], bytes, units, k, c) && ok;
        if (!against.empty()) {
            const bool same = file_text(file + ".pls") == file_text(other_file + ".pls");
            ok = report_against(against, bytes, k, a, same) && ok;
            clear_other();
            remove(other_file.c_str());
        }
        clear_outputs();
    }
    if (!against.empty())
        remove_dir(other);
    remove_dir(dir);
    return ok ? 0 : 1;
}
