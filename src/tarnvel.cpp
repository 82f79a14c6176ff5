// tarnvel: splits a multi-channel time-history text file into one
// two-column file per channel (time in seconds, reading in G).
//
// The driver: banner, setup dialogue, block loop with its reports, summary
// and the final key wait.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "checks.h"
#include "fail.h"
#include "job.h"
#include "platform.h"

job_record job;

namespace {

void banner() {
    std::printf("\n\n\n\n tarnvel, ver 2.0  January 2, 2003");
    std::printf("\n\n by %s ", "the tarnvel developers");
    std::printf("\n Email:  %s ", "support@tarnvel.example");
    std::printf("\n\n This program assumes that the first column is time(+hr:min:sec) \n");
    std::printf(" and that the second column is time(msec). \n\n");
}

const char kHelp[] =
    "Usage: tarnvel [-n] < answers\n"
    "       tarnvel --help | --version\n"
    "\n"
    "Splits a multi-channel time-history text file into one text file per\n"
    "channel. Each input line after the header holds a clock time\n"
    "(+hours:minutes:seconds), a millisecond stamp and 1 to 20 readings in\n"
    "volts; channel k is written to PREFIX.k as lines of the time in seconds\n"
    "and the reading times the channel's scale factor, in G.\n"
    "\n"
    "The program asks, on standard output, and reads the answers from\n"
    "standard input, so that a file of answers can drive it:\n"
    "  1. the input file name\n"
    "  2. the output file name prefix\n"
    "  3. the number of data columns, not counting the two time columns (1-20)\n"
    "  4. the number of header lines to skip\n"
    "  5. whether the time column starts at zero: 1 yes, 2 no (from the first stamp)\n"
    "  6. one scale factor per channel, in G per volt\n"
    "It then converts the file, reports each block of 1,000,000 lines, checks\n"
    "the time base, summarizes every channel, and waits for a key.\n"
    "\n"
    "Options:\n"
    "  -n, --no-wait  end without waiting for a key (for batch runs)\n"
    "      --help     show this help and end\n"
    "      --version  show the version and end\n"
    "Other arguments are ignored.\n"
    "\n"
    "Exit status: 0 when the conversion is complete; 1 when it failed (the\n"
    "message says why), or when standard output could not be written.\n"
    "\n"
    "Manual: man tarnvel (doc/tarnvel.1 in the source).\n";

// Options before anything else: --help and --version end the run at
// once. Anything the program does not know is ignored, as it always was.
// Returns -1 to go on, or the exit status.
int options(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strcmp(a, "--help") == 0) {
            std::fputs(kHelp, stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
        if (std::strcmp(a, "--version") == 0) {
            std::fputs("tarnvel 2.0\n", stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
        if (std::strcmp(a, "-n") == 0 || std::strcmp(a, "--no-wait") == 0) job.no_wait = true;
    }
    return -1;
}

// Running out of memory: a long line or answer under a memory limit. The
// channel files made so far are not whole.
[[noreturn]] void out_of_memory() {
    std::string what = "out of memory";
    if (job.nline > 0) what += " reading line " + std::to_string(job.nline + 1) + " of " + job.fname[0];
    std::string made;
    for (int k = 1; k <= MAX_CHAN; ++k)
        if (job.fp[k]) made += (made.empty() ? "" : ", ") + job.fname[k];
    if (!made.empty()) what += "; incomplete: " + made;
    fail(what);
}

}  // namespace

int run(int argc, char **argv) {
    if (int status = options(argc, argv); status >= 0) return status;
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
    end_conversion();
    report_time_base();
    report_channels();

    std::printf("\n\n Output data written to: \n");
    for (int k = 1; k < job.ic; ++k) std::printf(" %s \n", job.fname[k].c_str());
    std::printf("\n\n Program complete. \n Press any key to exit.");
    std::fflush(stdout);
    if (!job.no_wait) wait_key();
    if (std::ferror(stdout)) return 1;
    return 0;
}

int main(int argc, char **argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        out_of_memory();
    }
}
