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

    PtyRun() {
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
            execl(TARNVEL_BIN, "tarnvel", static_cast<char *>(nullptr));
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

}  // namespace
