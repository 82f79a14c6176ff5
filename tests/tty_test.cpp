// The final key wait on a real terminal: the program runs with its answers
// redirected from a file and a pseudo-terminal as its controlling terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "testutil.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

bool same_settings(const termios &a, const termios &b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// A run of tarnvel on a one-line record, answers from a file, standard
// output to a file, the pty's slave side as its controlling terminal.
struct PtyRun {
    int master = -1, slave = -1;
    pid_t pid = -1;
    fs::path dir, out;
    termios before{};

    explicit PtyRun(const char *option = nullptr) {
        dir = fs::path(SCRATCH_DIR) / "tty";
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::ofstream(dir / "rec.txt") << "+0:0:0 0 1\n+0:0:0 1 2\n";
        std::ofstream(dir / "answers") << "rec.txt acc 1 0 1 1\n";
        out = dir / "stdout";
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return;
        tcgetattr(slave, &before);
        pid = fork();
        if (pid == 0) {
            setsid();
            ioctl(slave, TIOCSCTTY, 0);
            if (chdir(dir.c_str()) != 0) _exit(126);
            int in = open("answers", O_RDONLY);
            int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(in, 0);
            dup2(o, 1);
            dup2(o, 2);
            close(master);
            close(slave);
            execl(TARNVEL_BIN, "tarnvel", option, static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    ~PtyRun() {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(master);
        close(slave);
    }
    bool waiting_for_key() {  // the prompt is out and the terminal is in key mode
        for (int i = 0; i < 1000; ++i) {
            termios now;
            tcgetattr(slave, &now);
            if (slurp(out).find("Press any key to exit.") != std::string::npos && !(now.c_lflag & ICANON)) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    bool running() { return waitpid(pid, nullptr, WNOHANG) == 0; }
    int wait_end() {  // exit status, or 128 + signal; -1 if it does not end
        for (int i = 0; i < 500; ++i) {
            int st;
            if (waitpid(pid, &st, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    void press(const char *bytes) { ASSERT_EQ(write(master, bytes, strlen(bytes)), (ssize_t)strlen(bytes)); }
    int unread() {
        int n = 0;
        ioctl(slave, FIONREAD, &n);
        return n;
    }
    termios settings() {
        termios t;
        tcgetattr(slave, &t);
        return t;
    }
};

TEST(KeyWait, WaitsForOneKeyAndRestoresTheTerminal) {
    struct {
        const char *name, *keys;
    } keys[] = {{"letter", "x"}, {"Enter", "\r"}, {"arrow key", "\x1b[A"}, {"function key", "\x1b[15~"},
                {"non-ASCII character", "\xc3\xa9"}};
    for (const auto &k : keys) {
        SCOPED_TRACE(k.name);
        PtyRun r;
        ASSERT_GT(r.pid, 0);
        ASSERT_TRUE(r.waiting_for_key());
        EXPECT_FALSE(r.settings().c_lflag & ECHO);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(r.running()) << "ended without a key";
        r.press(k.keys);
        EXPECT_EQ(r.wait_end(), 0);
        EXPECT_TRUE(same_settings(r.settings(), r.before)) << "terminal settings not restored";
        EXPECT_EQ(r.unread(), 0) << "bytes of the key left for the shell";
        EXPECT_EQ(slurp(r.dir / "acc.1"), " 0.000000 1.000000\n 0.001000 2.000000\n");
    }
}

TEST(KeyWait, CtrlCRestoresTheTerminal) {
    PtyRun r;
    ASSERT_GT(r.pid, 0);
    ASSERT_TRUE(r.waiting_for_key());
    r.press("\x03");
    EXPECT_EQ(r.wait_end(), 128 + SIGINT);
    EXPECT_TRUE(same_settings(r.settings(), r.before)) << "terminal settings not restored";
    // Everything was written before the wait began.
    EXPECT_EQ(slurp(r.dir / "acc.1"), " 0.000000 1.000000\n 0.001000 2.000000\n");
}

TEST(KeyWait, NoWaitOptionEndsWithoutAKey) {
    for (const char *option : {"-n", "--no-wait"}) {
        SCOPED_TRACE(option);
        PtyRun r(option);
        ASSERT_GT(r.pid, 0);
        EXPECT_EQ(r.wait_end(), 0);
        EXPECT_NE(slurp(r.out).find("Press any key to exit."), std::string::npos);
        EXPECT_TRUE(same_settings(r.settings(), r.before));
    }
}

// Ctrl-Z during the wait, then `fg`, under a shell with job control: the
// terminal is put back while the program is stopped, and the wait goes on
// in single-key mode after it continues.
TEST(KeyWait, StopAndContinue) {
    const fs::path dir = fs::path(SCRATCH_DIR) / "tty_stop";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "rec.txt") << "+0:0:0 0 1\n+0:0:0 1 2\n";
    std::ofstream(dir / "answers") << "rec.txt acc 1 0 1 1\n";
    const fs::path out = dir / "stdout";
    int master, slave;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios before;
    tcgetattr(slave, &before);
    int to_test[2], to_shell[2];
    ASSERT_EQ(pipe(to_test), 0);
    ASSERT_EQ(pipe(to_shell), 0);

    // The "shell": leads a session on the pty and runs tarnvel as a
    // foreground job in a process group of its own.
    const pid_t shell = fork();
    if (shell == 0) {
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        signal(SIGTTOU, SIG_IGN);
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            tcsetpgrp(slave, getpid());
            signal(SIGTTOU, SIG_DFL);
            if (chdir(dir.c_str()) != 0) _exit(126);
            int in = open("answers", O_RDONLY);
            int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(in, 0);
            dup2(o, 1);
            execl(TARNVEL_BIN, "tarnvel", static_cast<char *>(nullptr));
            _exit(127);
        }
        setpgid(job, job);
        tcsetpgrp(slave, job);
        if (write(to_test[1], &job, sizeof job) != sizeof job) _exit(125);
        int st;
        char c = 'x';
        waitpid(job, &st, WUNTRACED);
        c = WIFSTOPPED(st) ? 's' : 'e';
        if (write(to_test[1], &c, 1) != 1) _exit(125);
        if (c != 's') _exit(124);
        if (read(to_shell[0], &c, 1) != 1) _exit(125);  // the test says: fg
        tcsetpgrp(slave, job);
        kill(-job, SIGCONT);
        waitpid(job, &st, 0);
        _exit(WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st));
    }
    pid_t job = -1;
    ASSERT_EQ(read(to_test[0], &job, sizeof job), static_cast<ssize_t>(sizeof job));
    // Whatever happens below, nothing is left running.
    struct reaper {
        pid_t shell, job;
        ~reaper() {
            if (job > 0) kill(job, SIGKILL);
            if (shell > 0) {
                kill(shell, SIGKILL);
                waitpid(shell, nullptr, 0);
            }
        }
    } reap{shell, job};
    auto raw_mode = [&] {
        termios t;
        tcgetattr(slave, &t);
        return !(t.c_lflag & ICANON) && !(t.c_lflag & ECHO);
    };
    bool waiting = false;
    for (int i = 0; i < 1000 && !waiting; ++i) {
        waiting = slurp(out).find("Press any key to exit.") != std::string::npos && raw_mode();
        if (!waiting) std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(waiting);
    ASSERT_EQ(write(master, "\x1a", 1), 1);  // Ctrl-Z
    char c = 0;
    pollfd pf{to_test[0], POLLIN, 0};
    ASSERT_EQ(poll(&pf, 1, 10000), 1) << "neither stopped nor ended";
    ASSERT_EQ(read(to_test[0], &c, 1), 1);
    ASSERT_EQ(c, 's') << "not stopped";
    termios now;
    tcgetattr(slave, &now);
    EXPECT_TRUE(same_settings(now, before)) << "terminal not put back while stopped";

    ASSERT_EQ(write(to_shell[1], "f", 1), 1);
    bool back = false;
    for (int i = 0; i < 500 && !back; ++i) {
        back = raw_mode();
        if (!back) std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(back) << "not in single-key mode after fg";
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(waitpid(shell, nullptr, WNOHANG), 0) << "ended without a key";
    ASSERT_EQ(write(master, "y", 1), 1);
    int st = 0;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(shell, &st, WNOHANG) == shell) break;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
    if (WIFEXITED(st)) reap.shell = reap.job = 0;  // both ended, and reaped
    tcgetattr(slave, &now);
    EXPECT_TRUE(same_settings(now, before));
    int n = 0;
    ioctl(slave, FIONREAD, &n);
    EXPECT_EQ(n, 0) << "the key was left for the shell";
    close(master);
    close(slave);
}

}  // namespace
