// tarnvel: splits a multi-channel time-history text file into one
// two-column file per channel (time in seconds, reading in G).
//
// The driver: banner, setup dialogue, block loop with its reports, summary
// and the final key wait.
#include <cstdio>

#include "checks.h"
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

}  // namespace

int run(int, char **) {
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
    wait_key();
    if (std::ferror(stdout)) return 1;
    return 0;
}

int main(int argc, char **argv) { return run(argc, argv); }
