/* Starts the C client test (c_client.c) in a Windows directory of its own:
 * writes qm32.ini and the message file into a fresh temporary directory,
 * points WINDIR at it and runs the client, whose library starts at load and
 * reads them. A separate program because the client loads the library
 * before its first line runs (and wine sets WINDIR for every program it
 * starts, so the test's environment cannot carry it).
 * Usage: c_client_run CLIENT [ARGS...]; exits with the client's status. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#define SEP "\\"
#else
#include <sys/wait.h>
#include <unistd.h>
#define SEP "/"
#endif

static char g_dir[1024];

static int makeDir(void) {
#ifdef _WIN32
    char base[MAX_PATH];
    DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n >= sizeof base)
        return -1;
    for (unsigned i = 0; i < 1000; ++i) {
        snprintf(g_dir, sizeof g_dir, "%sqm32cclient_%lu_%u", base, GetCurrentProcessId(), i);
        if (CreateDirectoryA(g_dir, NULL))
            return 0;
    }
    return -1;
#else
    const char *base = getenv("TMPDIR");
    snprintf(g_dir, sizeof g_dir, "%s/qm32cclient_XXXXXX", base && *base ? base : "/tmp");
    return mkdtemp(g_dir) ? 0 : -1;
#endif
}

static void path(char *out, size_t size, const char *name) {
    snprintf(out, size, "%s" SEP "%s", g_dir, name);
}

static int writeFile(const char *name, const char *text) {
    char p[1200];
    path(p, sizeof p, name);
    FILE *f = fopen(p, "w");
    if (!f)
        return -1;
    fputs(text, f);
    return fclose(f);
}

static void removeAll(void) {
    static const char *const names[] = {"qm32.ini",   "qmmsg.ini",        "finance.err",
                                        "qmperf.ini", "qm32_shared_data", "qm32_shared_data.lock"};
    char p[1200];
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        path(p, sizeof p, names[i]);
        remove(p);
    }
#ifdef _WIN32
    RemoveDirectoryA(g_dir);
#else
    rmdir(g_dir);
#endif
}

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: c_client_run CLIENT [ARGS...]\n");
        return 2;
    }
    if (makeDir() != 0) {
        fprintf(stderr, "c_client_run: no temporary directory\n");
        return 2;
    }
    char msg[1200], ini[4096];
    path(msg, sizeof msg, "qmmsg.ini");
    int len =
        snprintf(ini, sizeof ini, "[32-bit Architecture]\nMessageFile=%s\nDebugLevel=1\n", msg);
    const char *port = getenv("QMHOST_PORT");
    if (port && *port)
        snprintf(ini + len, sizeof ini - (size_t)len,
                 "\n[QMHOST]\nSvcHost=127.0.0.1\nSvcPort=%s\nSvcHostType=A\nDatabaseID=FINDB\n"
                 "SvcTimeout=10\n",
                 port);
    if (writeFile("qm32.ini", ini) != 0 ||
        writeFile("qmmsg.ini", "[ERR_Messages]\n30008=Logon failed.\n30010=Library failure.\n") !=
            0) {
        fprintf(stderr, "c_client_run: cannot write into %s\n", g_dir);
        removeAll();
        return 2;
    }
    int status;
#ifdef _WIN32
    SetEnvironmentVariableA("WINDIR", g_dir);
    _putenv_s("WINDIR", g_dir);
    intptr_t rc = _spawnv(_P_WAIT, argv[1], (const char *const *)(argv + 1));
    status = rc < 0 ? 2 : (int)rc;
#else
    setenv("WINDIR", g_dir, 1);
    pid_t pid = fork();
    if (pid == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int ws = 0;
    status = pid < 0 || waitpid(pid, &ws, 0) != pid ? 2
             : WIFEXITED(ws)                        ? WEXITSTATUS(ws)
                                                    : 128 + WTERMSIG(ws);
#endif
    if (status != 0) {
        char log[1200];
        path(log, sizeof log, "finance.err");
        FILE *f = fopen(log, "r");
        if (f) {
            char line[512];
            fprintf(stderr, "c_client_run: the client's log:\n");
            while (fgets(line, sizeof line, f))
                fputs(line, stderr);
            fclose(f);
        }
    }
    removeAll();
    return status;
}
