// Starts the reference service host (or another server of the loopback tests)
// as a child process on a free port for a test, and stops exactly that child
// again. Header-only, for any Linux test.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace qmhost {

inline long msSince(std::chrono::steady_clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t)
            .count());
}

// qmhost as a child process: started with the given arguments (and a
// --max-seconds limit unless one is given), its port read from the first line
// it prints; stopped with SIGTERM (then SIGKILL) when destroyed.
class HostProcess {
  public:
    HostProcess(const HostProcess &) = delete;
    HostProcess &operator=(const HostProcess &) = delete;
    // `ready` is the start of the line the child prints once it listens; the
    // port follows its last colon.
    HostProcess(const std::string &binary, std::vector<std::string> args,
                const std::string &ready = "qmhost listening on 127.0.0.1:") {
        args.insert(args.begin(), binary);
        if (std::find(args.begin(), args.end(), "--max-seconds") == args.end()) {
            args.push_back("--max-seconds"); // never outlive the test for long
            args.push_back("120");
        }
        // Everything the child needs is prepared before fork: after it, a
        // multi-threaded parent's child may only call exec-safe functions.
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (pid_ < 0) {
            close(out[0]);
            close(out[1]);
            return;
        }
        close(out[1]);
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        firstLine_ = line;
        std::size_t colon = line.rfind(':');
        if (line.rfind(ready, 0) == 0 && colon != std::string::npos)
            port_ = std::atoi(line.c_str() + colon + 1);
    }
    ~HostProcess() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGTERM);
            if (waitFor(5000) < 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
    }
    // Exit status (128 + signal when killed), or -1 if the child is still
    // running after ms. Waits only for this child, never for any other.
    int waitFor(long ms) {
        if (reaped_)
            return exitStatus_;
        if (pid_ <= 0)
            return -1;
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        int status = 0;
        while (msSince(start) < ms) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return exitStatus_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    const std::string &firstLine() const { return firstLine_; }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
    bool reaped_ = false;
    int exitStatus_ = -1;
    std::string firstLine_;
};

} // namespace qmhost
