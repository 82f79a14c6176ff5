// Small helpers shared by the tests that run the program.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The whole content of a file ("" if it does not exist).
inline std::string slurp(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

namespace testutil {
namespace fs = std::filesystem;

inline void spit(const fs::path &p, const std::string &text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
}

// How a test starts the program, beyond its folder and streams.
struct run_options {
    std::vector<std::string> args;  // command-line arguments
    long address_space = 0;         // a limit on its memory, bytes (0: none)
    int seconds = 300;              // it is killed, and the test fails, after this long
};

// Runs the program in dir with stdin from `in` and stdout to `out`, in a new
// session (no controlling terminal). Returns the exit status, or 128 + the
// signal.
inline int run_tarnvel(const fs::path &dir, const fs::path &in, const fs::path &out, const run_options &o = {}) {
    std::vector<std::string> args = o.args;
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        if (o.address_space > 0) {
            rlimit rl{static_cast<rlim_t>(o.address_space), static_cast<rlim_t>(o.address_space)};
            setrlimit(RLIMIT_AS, &rl);
        }
        if (chdir(dir.c_str()) != 0) _exit(126);
        int i = open(in.c_str(), O_RDONLY);
        int fo = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (i < 0 || fo < 0) _exit(126);
        dup2(i, 0);
        dup2(fo, 1);
        dup2(fo, 2);
        std::vector<char *> argv{const_cast<char *>("tarnvel")};
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(TARNVEL_BIN, argv.data());
        _exit(127);
    }
    int status = 0;
    for (int waited = 0;; ++waited) {
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        if (waited > o.seconds * 100) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "tarnvel did not end within " << o.seconds << " s";
            return -1;
        }
        usleep(10000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline fs::path fresh_scratch(const std::string &name) {
    fs::path d = fs::path(SCRATCH_DIR) / name;
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

}  // namespace testutil
