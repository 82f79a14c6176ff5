// The system interface on POSIX systems: st_dev/st_ino identity, read(2)
// and write(2), and the key wait on /dev/tty with termios.
#include "platform.h"

#include <cerrno>
#include <csignal>
#include <iterator>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

void fill(const struct stat &st, file_id *id) {
    id->volume = static_cast<std::uint64_t>(st.st_dev);
    id->index = static_cast<std::uint64_t>(st.st_ino);
    id->regular = S_ISREG(st.st_mode);
    id->directory = S_ISDIR(st.st_mode);
}

}  // namespace

bool identify(std::FILE *f, file_id *id) {
    struct stat st;
    if (fstat(fileno(f), &st) != 0) return false;
    fill(st, id);
    return true;
}

bool identify(const char *name, file_id *id) {
    struct stat st;
    if (stat(name, &st) != 0) return false;
    fill(st, id);
    return true;
}

long read_bytes(std::FILE *f, char *buf, std::size_t n, int *err) {
    for (;;) {
        const ssize_t r = ::read(fileno(f), buf, n);
        if (r >= 0) return static_cast<long>(r);
        if (errno != EINTR) {
            *err = errno;
            return -1;
        }
    }
}

int write_bytes(std::FILE *f, const char *p, std::size_t n) {
    const int fd = fileno(f);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return 0;
}

// ---- The key wait ------------------------------------------------------

namespace {

// Terminal state for the key wait, put back on every way out of it.
int tty_fd = -1;
termios tty_saved, tty_raw;
constexpr int kSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};
struct sigaction old_actions[std::size(kSignals)];
struct sigaction our_action;

extern "C" void on_signal(int sig) {
    const int saved_errno = errno;
    tcsetattr(tty_fd, TCSANOW, &tty_saved);
    // Let the signal do what it would have done: end the process, or stop
    // it (Ctrl-Z). After a stop the shell's `fg` continues here, and the
    // wait goes on in single-key mode.
    signal(sig, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    sigaction(sig, &our_action, nullptr);
    tcsetattr(tty_fd, TCSANOW, &tty_raw);
    errno = saved_errno;
}

}  // namespace

void wait_key() {
    tty_fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty_fd < 0) return;
    if (tcgetattr(tty_fd, &tty_saved) != 0) {
        close(tty_fd);
        return;
    }
    our_action = {};
    our_action.sa_handler = on_signal;
    sigemptyset(&our_action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &our_action, &old_actions[i]);

    tty_raw = tty_saved;
    tty_raw.c_lflag &= ~(ICANON | ECHO);
    tty_raw.c_cc[VMIN] = 1;
    tty_raw.c_cc[VTIME] = 0;
    tcsetattr(tty_fd, TCSANOW, &tty_raw);

    char c;
    ssize_t r;
    do r = read(tty_fd, &c, 1); while (r < 0 && errno == EINTR);

    // Arrow and function keys send several bytes, and so does a non-ASCII
    // character: take the rest too, so nothing spills into the shell.
    if (r == 1) {
        termios drain = tty_raw;
        drain.c_cc[VMIN] = 0;
        drain.c_cc[VTIME] = 1;  // tenths of a second
        tcsetattr(tty_fd, TCSANOW, &drain);
        char rest[64];
        while (read(tty_fd, rest, sizeof rest) > 0) {
        }
    }

    tcsetattr(tty_fd, TCSANOW, &tty_saved);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &old_actions[i], nullptr);
    close(tty_fd);
    tty_fd = -1;
}
