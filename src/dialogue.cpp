// Setup dialogue: the questions, the input file, the header skip, the column
// limits and the channel files.
//
// Answers are whitespace-separated tokens on standard input (answers.h).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "answers.h"
#include "fail.h"
#include "job.h"
#include "lines.h"
#include "platform.h"

namespace {

// The answers could not be read (standard input is a folder, say): that is
// no end of the answers, and says why.
void check_answers() {
    if (std::ferror(stdin)) fail_sys("standard input", errno ? errno : EIO);
}

// Everything printed so far is shown before an answer is awaited.
std::optional<std::string> ask_word() {
    std::fflush(stdout);
    errno = 0;
    std::optional<std::string> w = read_word(stdin);
    if (!w) check_answers();
    return w;
}

bool ask_long(std::int64_t &out, std::string *typed = nullptr) {
    std::fflush(stdout);
    errno = 0;
    const bool ok = read_long(stdin, out, typed);
    if (!ok) check_answers();
    return ok;
}

// A real answer must be a number from its first character to its last: a
// scale factor misread would silently write a whole channel wrong.
double ask_real(const std::string &what) {
    std::optional<std::string> w = ask_word();
    if (!w) fail(what + " is missing: the answers ended");
    double v;
    if (!parse_real(*w, v)) fail(what + " is not a number: " + *w);
    return v;
}

}  // namespace

void open_files() {
    std::printf("\n\n The input file must be an ASCII text file. ");
    std::printf("\n\n Enter input filename:\n");
    std::optional<std::string> name = ask_word();
    if (!name) fail("the input filename is missing: the answers ended");
    job.fname[0] = *name;

    job.fp[0] = std::fopen(job.fname[0].c_str(), "rb");
    int err = errno;
    // A folder is no input, whether the system opens it (POSIX) or refuses
    // it for want of permission (Windows): say what it is.
    file_id in;
    if (job.fp[0] ? identify(job.fp[0], &in) && in.directory : identify(job.fname[0].c_str(), &in) && in.directory) {
        if (job.fp[0]) std::fclose(job.fp[0]);
        job.fp[0] = nullptr;
        err = EISDIR;
    }
    if (!job.fp[0]) {
        std::printf(" Failed to open file: %s \n", job.fname[0].c_str());
        fail_sys(job.fname[0], err);
    }
    std::printf(" File: %s opened. \n", job.fname[0].c_str());

    std::printf("\n\n Enter output filename prefix: (example:  testdata )\n");
    std::optional<std::string> prefix = ask_word();
    if (!prefix) fail("the output filename prefix is missing: the answers ended");
    job.prefix = *prefix;
    for (int k = 1; k <= MAX_CHAN; ++k) job.fname[k] = job.prefix + "." + std::to_string(k);
}

void setup_channels() {
    std::printf("\n\n How many data columns does the file have excluding the time columns? \n");
    std::int64_t ncol = 0;
    ask_long(ncol);

    std::printf("\n\n Enter the number of header lines to skip. \n");
    std::int64_t nhead = 0;
    std::string nhead_typed;
    ask_long(nhead, &nhead_typed);

    std::printf("\n\n Set first time point as zero?  1=yes  2=no \n");
    std::int64_t izero = 0;
    ask_long(izero);
    job.izero = (izero == 1 || izero == 2) ? static_cast<int>(izero) : 1;

    // Header lines, echoed as read. The skip stops where the input ends.
    for (std::int64_t h = 0; h < nhead; ++h) {
        if (!next_line()) {
            std::printf("\n\n Warning:  the input ended after %lld of %s header lines \n", static_cast<long long>(h),
                        nhead_typed.c_str());
            break;
        }
        std::printf("\n\n ");
        std::fwrite(job.line, 1, strnlen(job.line, job.linelen), stdout);
        std::printf(" ");
    }

    if (ncol > MAX_CHAN) fail("maximum column limit=21");
    if (ncol < 1) fail("minimum column limit=2");
    job.ic = static_cast<int>(ncol) + 1;

    // Never empty the input: refuse a prefix that names it as a channel file.
    file_id in;
    if (!identify(job.fp[0], &in)) fail_sys(job.fname[0], errno);
    for (int k = 1; k < job.ic; ++k) {
        file_id out;
        if (identify(job.fname[k].c_str(), &out) && same_file(out, in))
            fail("the output file " + job.fname[k] + " is the input file " + job.fname[0] +
                 "; nothing was written");
    }

    for (int k = 1; k < job.ic; ++k) {
        // Written past stdio, in binary, with the system's own line end.
        job.fp[k] = std::fopen(job.fname[k].c_str(), "wb");
        if (!job.fp[k]) fail_sys(job.fname[k], errno);
        // Two channels in one file (a name linked to another) would mix their lines.
        file_id out, prev;
        if (!identify(job.fp[k], &out)) fail_sys(job.fname[k], errno);
        for (int j = 1; j < k; ++j)
            if (out.regular && identify(job.fp[j], &prev) && same_file(prev, out))
                fail("the output files " + job.fname[j] + " and " + job.fname[k] +
                     " are the same file");
        std::printf("\n\n Enter the scale factor for channel %ld (G/volt):   \n", static_cast<long>(k));
        job.scale[k] = ask_real("the scale factor for channel " + std::to_string(k));
    }
}
