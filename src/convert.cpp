// Block conversion: input lines into the row tables, row tables into the
// channel files.
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "job.h"
#include "numio.h"
#include "record.h"

namespace {

// Moves the unread tail to the front of the buffer and reads more input
// after it, growing the buffer when the tail already fills it (a line longer
// than the buffer). Sets ineof at the end of the input.
void refill() {
    std::vector<char> &b = job.inbuf;
    const std::size_t tail = job.inlen - job.inpos;
    if (job.inpos > 0) {
        std::memmove(b.data(), b.data() + job.inpos, tail);
        job.inpos = 0;
        job.inlen = tail;
    }
    if (b.size() < IN_CHUNK + 1) b.resize(IN_CHUNK + 1);
    if (b.size() - 1 - job.inlen < IN_CHUNK / 2) b.resize(2 * (b.size() - 1) + 1);

    const int fd = fileno(job.fp[0]);
    for (;;) {
        ssize_t r = ::read(fd, b.data() + job.inlen, b.size() - 1 - job.inlen);
        if (r > 0) {
            job.inlen += static_cast<std::size_t>(r);
            return;
        }
        if (r == 0) {
            job.ineof = true;
            return;
        }
        if (errno != EINTR) fail_sys(job.fname[0], errno);
    }
}

// Appends channel k's pending text to its file.
void flush_channel(int k) {
    const char *p = job.outbuf[k];
    std::size_t left = job.outlen[k];
    const int fd = fileno(job.fp[k]);
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            fail_sys(job.fname[k], errno);
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    job.outlen[k] = 0;
}

}  // namespace

// Reads the next input line, whatever its length, into job.line/linelen
// (with its line feed, if it has one). Returns false at the end of the
// input; a read error ends the run with a message.
bool next_line() {
    for (;;) {
        const char *start = job.inbuf.data() + job.inpos;
        const std::size_t avail = job.inlen - job.inpos;
        if (avail > 0) {
            const char *nl = static_cast<const char *>(std::memchr(start, '\n', avail));
            if (nl || job.ineof) {
                job.line = start;
                job.linelen = nl ? static_cast<std::size_t>(nl - start) + 1 : avail;
                job.inpos += job.linelen;
                ++job.nline;
                return true;
            }
        } else if (job.ineof) {
            return false;
        }
        refill();
    }
}

void read_record(int i) {
    if (!next_line()) {
        job.iflag = 1;
        return;
    }
    // End the line at its line feed (or just past its last byte, where the
    // buffer always has one spare) so that it is a C string for the matcher.
    char *s = const_cast<char *>(job.line);
    std::size_t n = job.linelen;
    if (n > 0 && s[n - 1] == '\n') --n;
    s[n] = '\0';

    double v[MAX_FIELDS] = {};  // values a line does not supply are 0.0
    const int nval = job.ic;    // the stamp and ic-1 data columns
    const int got = match_record(s, nval, v);
    if (got < 3 + nval) {
        if (job.nshort++ == 0) job.first_short = job.nline;
    }
    job.tmsec[i] = v[0];
    for (int k = 1; k < nval; ++k) job.chan[k][i] = v[k];
}

void write_block() {
    if (job.iblock == 0) {
        // One sample interval for the whole run, from the stamps of rows 1
        // and 2; from rows 0 and 1 when the input has only two rows; none
        // when it has fewer.
        if (job.imax >= 3)
            job.dt = (job.tmsec[2] - job.tmsec[1]) * 0.001;
        else if (job.imax == 2)
            job.dt = (job.tmsec[1] - job.tmsec[0]) * 0.001;
        else
            job.dt = 0.0;
        job.t0 = job.tmsec[0] * 0.001;
    }

    const int nch = job.ic - 1;
    const double base = static_cast<double>(job.iblock) * MAX_ROWS;
    char tline[2 * FORMAT_LF_MAX + 4];
    for (int c = 0; c < job.imax; ++c) {
        double t = (base + c) * job.dt;
        if (job.izero == 2) t = job.t0 + t;

        // " <time> " is the same for every channel of the row.
        char *e = tline;
        *e++ = ' ';
        e = format_lf(e, t);
        *e++ = ' ';
        const std::size_t tlen = static_cast<std::size_t>(e - tline);

        for (int k = 1; k <= nch; ++k) {
            if (job.outlen[k] > OUT_BUF - sizeof tline - FORMAT_LF_MAX - 2) flush_channel(k);
            char *o = job.outbuf[k] + job.outlen[k];
            std::memcpy(o, tline, tlen);
            o = format_lf(o + tlen, job.scale[k] * job.chan[k][c]);
            *o++ = '\n';
            job.outlen[k] = static_cast<std::size_t>(o - job.outbuf[k]);
        }
    }
}

// Writes out what is pending and closes every channel file, checking each,
// so that no failure goes unreported.
void close_channels() {
    for (int k = 1; k < job.ic; ++k) {
        flush_channel(k);
        std::FILE *f = job.fp[k];
        job.fp[k] = nullptr;
        if (std::fclose(f) != 0) fail_sys(job.fname[k], errno);
    }
}
