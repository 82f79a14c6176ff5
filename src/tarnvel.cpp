// tarnvel: splits a multi-channel time-history text file into one
// two-column file per channel (time in seconds, reading in G).
//
// The driver: banner, setup dialogue, block loop with its reports, summary
// and the final key wait.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "job.h"

job_record job;

void fail(const std::string &what) {
    stop_writer();
    std::printf("\n\n Error:  %s \n", what.c_str());
    std::fflush(stdout);
    std::exit(1);
}

void fail_sys(const std::string &name, int err) {
    fail(name + ": " + std::strerror(err));
}

namespace {

// Terminal state for the key wait, restored on every way out of it.
int tty_fd = -1;
termios tty_saved;
constexpr int kSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};
struct sigaction old_actions[sizeof kSignals / sizeof kSignals[0]];

extern "C" void on_signal(int sig) {
    // Put the terminal back, then let the signal do what it would have done.
    tcsetattr(tty_fd, TCSANOW, &tty_saved);
    signal(sig, SIG_DFL);
    raise(sig);
}

void banner() {
    std::printf("\n\n\n\n tarnvel, ver 2.0  January 2, 2003");
    std::printf("\n\n by %s ", "the tarnvel developers");
    std::printf("\n Email:  %s ", "support@tarnvel.example");
    std::printf("\n\n This program assumes that the first column is time(+hr:min:sec) \n");
    std::printf(" and that the second column is time(msec). \n\n");
}

}  // namespace

// Waits for one key on the console, unechoed and without Enter, even when
// the answers came from a file. Without a console (a batch job) it returns
// at once.
void wait_key() {
    std::fflush(stdout);
    tty_fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty_fd < 0) return;
    if (tcgetattr(tty_fd, &tty_saved) != 0) {
        close(tty_fd);
        return;
    }
    struct sigaction sa = {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &sa, &old_actions[i]);

    termios raw = tty_saved;
    raw.c_lflag &= ~(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(tty_fd, TCSANOW, &raw);

    char c;
    ssize_t r;
    do r = read(tty_fd, &c, 1); while (r < 0 && errno == EINTR);

    // Arrow and function keys send several bytes, and so does a non-ASCII
    // character: take the rest too, so nothing spills into the shell.
    if (r == 1) {
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 1;  // tenths of a second
        tcsetattr(tty_fd, TCSANOW, &raw);
        char rest[64];
        while (read(tty_fd, rest, sizeof rest) > 0) {
        }
    }

    tcsetattr(tty_fd, TCSANOW, &tty_saved);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &old_actions[i], nullptr);
    close(tty_fd);
    tty_fd = -1;
}

int run() {
    hint_huge_pages();
    banner();
    open_files();
    setup_channels();

    job.iblock = 0;
    job.iflag = 0;
    do {
        std::printf("\n   reading input data %ld ", static_cast<long>(job.iblock) + 1);
        std::fflush(stdout);
        job.irow = 0;
        for (;;) {
            read_record(job.irow);
            if (job.iflag) break;
            if (++job.irow == MAX_ROWS) break;
        }
        job.imax = job.irow;
        std::printf("\n   ic = %d   imax = %ld    iflag = %ld", job.ic, static_cast<long>(job.imax),
                    static_cast<long>(job.iflag));
        std::printf("\n   writing output data %ld \n", static_cast<long>(job.iblock) + 1);
        std::fflush(stdout);
        write_block();
        ++job.iblock;
    } while (job.iflag == 0);

    if (job.nshort > 0)
        std::printf("\n\n Warning:  %ld data line%s did not hold every value; the first is line %ld of %s."
                    "\n Values missing from a line were written as 0. \n",
                    job.nshort, job.nshort == 1 ? "" : "s", job.first_short, job.fname[0].c_str());
    close_channels();

    std::printf("\n\n Output data written to: \n");
    for (int k = 1; k < job.ic; ++k) std::printf(" %s \n", job.fname[k].c_str());
    std::printf("\n\n Program complete. \n Press any key to exit.");
    std::fflush(stdout);
    wait_key();
    if (std::ferror(stdout)) return 1;
    return 0;
}

int main() { return run(); }
