// libFuzzer target for the converter's scanner and parser: each input is a whole kestra run
// (kestra_main) on a source file made of the input's bytes, with options chosen by its first
// byte. Bad input must end in a report, never in a crash, a hang or a write past a buffer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "conv72.h"

namespace {

std::string g_dir; // the runs' directory
std::string g_cwd; // the fuzzer's directory (corpus, artifacts)

// Empties the run directory: the log appends across runs and the scripts are per input.
void clean_dir() {
    DIR *d = opendir(".");
    if (d == nullptr)
        return;
    std::vector<std::string> names;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    }
    closedir(d);
    for (const std::string &n : names)
        remove(n.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // A directory of the fuzzer's own for the source, the scripts, the log and the work files;
    // each run changes into it and back. Crash artifacts still go to the fuzzer's directory.
    char tmpl[] = "/tmp/kestra_fuzz_parse_XXXXXX";
    char cwd[4096];
    if (mkdtemp(tmpl) == nullptr || getcwd(cwd, sizeof cwd) == nullptr) {
        perror("kestra_fuzz_parse");
        abort();
    }
    g_dir = tmpl;
    g_cwd = cwd;
    bool has_prefix = false;
    for (int i = 1; i < *argc; i++)
        has_prefix = has_prefix || strncmp((*argv)[i], "-artifact_prefix=", 17) == 0;
    if (!has_prefix) {
        static std::string prefix = "-artifact_prefix=" + g_cwd + "/";
        static std::vector<char *> args((*argv), (*argv) + *argc);
        args.insert(args.begin() + 1, &prefix[0]);
        args.push_back(nullptr);
        *argc += 1;
        *argv = args.data();
    }
    // The converter's banner, reports and trace go nowhere. Only the stdio streams are
    // replaced: libFuzzer and the sanitizers keep writing to file descriptor 2.
    stdout = fopen("/dev/null", "w");
    stderr = fopen("/dev/null", "w");
    if (stdout == nullptr || stderr == nullptr)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (chdir(g_dir.c_str()) != 0)
        abort();
    clean_dir();
    std::vector<std::string> args = {"kestra"};
    if (size > 0) {
        const uint8_t opts = data[0];
        static const char *const flags[] = {"-P", "-B", "-X", "-N", "-C", "-A"};
        for (int bit = 0; bit < 6; bit++)
            if (opts & (1u << bit))
                args.push_back(flags[bit]);
        switch (opts >> 6) {
        case 1:
            args.push_back("-O1");
            break;
        case 2:
            args.push_back("-O2");
            break;
        case 3:
            args.push_back("-D"); // the parser trace, to /dev/null
            break;
        default:
            break;
        }
        data++;
        size--;
    }
    FILE *src = fopen("in.sql", "wb");
    if (src == nullptr)
        abort();
    if (size > 0 && fwrite(data, 1, size, src) != size)
        abort();
    fclose(src);
    args.push_back("in.sql");

    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int status = kestra_main(static_cast<int>(args.size()), argv.data());
    // 0 after a completed run (converted or not), 1 for the token limit; nothing else.
    if (status != 0 && status != 1 && status != 10)
        abort();
    if (chdir(g_cwd.c_str()) != 0)
        abort();
    return 0;
}
