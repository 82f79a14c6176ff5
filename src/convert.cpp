// Block conversion: input lines into the row tables, row tables into the
// channel files.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <sys/mman.h>
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
    if (b.size() - 1 - job.inlen < IN_CHUNK / 2) {
        // Lines of any sensible length are read whole; one without end is
        // no text file.
        if (b.size() - 1 >= MAX_LINE)
            fail("line " + std::to_string(job.nline + 1) + " of " + job.fname[0] + " is longer than " +
                 std::to_string(MAX_LINE >> 20) + " MiB; is it a text file?");
        b.resize(2 * (b.size() - 1) + 1);
    }

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

// Appends channel k's pending text to its file. Returns 0, or the errno of
// the failed write.
int flush_channel(int k) {
    const char *p = job.outbuf[k];
    std::size_t left = job.outlen[k];
    const int fd = fileno(job.fp[k]);
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    job.outlen[k] = 0;
    return 0;
}

// ---- The writer ------------------------------------------------------
//
// A second thread formats and writes the rows of the current block while
// the reader is still filling its later rows. The reader hands rows over in
// batches; write_block waits until the writer has finished the block, so
// the tables are never refilled under it. Only the writer touches outbuf,
// outlen, dt and t0 while it runs; only the reader calls fail().

constexpr int BATCH = 8192;  // rows handed over at a time

struct {
    std::mutex m;
    std::condition_variable cv;
    int block = 0;      // block the reader is filling
    int ready = 0;      // rows of it stored so far
    bool end = false;   // the block is complete: ready == imax
    int done = -1;      // last block the writer has finished
    bool quit = false;  // stop at once
    int err = 0;        // first failed write: errno ...
    int errk = 0;       // ... and channel
} hand;
std::thread writer;
bool no_writer = false;  // no thread could be had: write_block writes each block itself

// The sample interval, from the first rows of the run (see write_block).
void set_interval(int nrows) {
    if (nrows >= 3)
        job.dt = (job.tmsec[2] - job.tmsec[1]) * 0.001;
    else if (nrows == 2)
        job.dt = (job.tmsec[1] - job.tmsec[0]) * 0.001;
    else
        job.dt = 0.0;
    job.t0 = job.tmsec[0] * 0.001;
}

// Formats rows [from, to) of block b into the channel buffers. Returns 0,
// or the errno of a failed write and its channel in *k_failed.
//
// The rows go in slices of BATCH: first the time of every row of the slice,
// once, then channel by channel, so that each pass reads one table and
// appends to one buffer, both in order.
int write_rows(int b, int from, int to, int *k_failed) {
    static char times[BATCH * (FORMAT_LF_MAX + 2)];  // " <time> " of each row of a slice
    static unsigned tpos[BATCH + 1];                  // where each row's text starts in `times`
    const int nch = job.ic - 1;
    const double base = static_cast<double>(b) * MAX_ROWS;

    for (int c0 = from; c0 < to; c0 += BATCH) {
        const int c1 = to - c0 < BATCH ? to : c0 + BATCH;
        char *e = times;
        for (int c = c0; c < c1; ++c) {
            tpos[c - c0] = static_cast<unsigned>(e - times);
            double t = (base + c) * job.dt;
            if (job.izero == 2) t = job.t0 + t;
            *e++ = ' ';
            e = format_lf(e, t);
            *e++ = ' ';
        }
        tpos[c1 - c0] = static_cast<unsigned>(e - times);

        for (int k = 1; k <= nch; ++k) {
            const double sk = job.scale[k];
            const double *raw = job.chan[k];
            for (int c = c0; c < c1; ++c) {
                if (job.outlen[k] > OUT_BUF - 2 * FORMAT_LF_MAX - 8) {
                    if (int err = flush_channel(k)) {
                        *k_failed = k;
                        return err;
                    }
                }
                char *o = job.outbuf[k] + job.outlen[k];
                const unsigned tl = tpos[c - c0 + 1] - tpos[c - c0];
                std::memcpy(o, times + tpos[c - c0], tl);
                o = format_lf(o + tl, sk * raw[c]);
                *o++ = '\n';
                job.outlen[k] = static_cast<std::size_t>(o - job.outbuf[k]);
            }
        }
    }
    return 0;
}

constexpr std::uintptr_t HUGE_PAGE = 2 << 20;

// Has the kernel provide the pages of the tables the first block will fill
// now, on this thread, rather than one fault at a time under the reader.
// Only a head start: the pages' contents are not touched, and a kernel
// without MADV_POPULATE_WRITE simply leaves the faults to the reader.
void populate_tables() {
#ifdef MADV_POPULATE_WRITE
    const std::uintptr_t page = HUGE_PAGE;
    auto populate = [&](const double *table, int chunk) {
        const auto lo = reinterpret_cast<std::uintptr_t>(table) + static_cast<std::uintptr_t>(chunk) * page;
        const auto hi = reinterpret_cast<std::uintptr_t>(table + MAX_ROWS);
        if (lo >= hi) return false;
        const std::uintptr_t a = lo & ~(std::uintptr_t{4095});
        const std::uintptr_t z = std::min(hi, lo + page);
        madvise(reinterpret_cast<void *>(a), z - a, MADV_POPULATE_WRITE);
        return true;
    };
    // In row order, so that the pages arrive ahead of the reader.
    for (int chunk = 0;; ++chunk) {
        bool any = populate(job.tmsec, chunk);
        for (int k = 1; k < job.ic; ++k) any = populate(job.chan[k], chunk) || any;
        if (!any) break;
        std::lock_guard<std::mutex> lk(hand.m);
        if (hand.quit) break;
    }
#endif
}

void writer_main() {
    populate_tables();
    int b = 0;          // block being written
    int w = 0;          // rows of it written
    bool failed = false;
    for (;;) {
        int ready;
        bool end;
        {
            // The first rows wait until the interval can be known.
            const int need = (b == 0 && w == 0) ? 3 : w + 1;
            std::unique_lock<std::mutex> lk(hand.m);
            hand.cv.wait(lk, [&] { return hand.quit || (hand.block == b && (hand.ready >= need || hand.end)); });
            if (hand.quit) return;
            ready = hand.ready;
            end = hand.end;
        }
        if (b == 0 && w == 0) set_interval(ready);
        if (!failed) {
            int k = 0;
            if (int err = write_rows(b, w, ready, &k)) {
                failed = true;
                std::lock_guard<std::mutex> lk(hand.m);
                hand.err = err;
                hand.errk = k;
            }
        }
        w = ready;
        if (end) {
            {
                std::lock_guard<std::mutex> lk(hand.m);
                hand.done = b;
            }
            hand.cv.notify_all();
            ++b;
            w = 0;
        }
    }
}

// Hands the first `rows` rows of the current block to the writer; `end`
// when the block is complete. A write that has failed ends the run here.
void hand_over(int rows, bool end) {
    if (no_writer) return;
    int err, k;
    {
        std::lock_guard<std::mutex> lk(hand.m);
        hand.ready = rows;
        hand.end = end;
        err = hand.err;
        k = hand.errk;
    }
    hand.cv.notify_all();
    if (err) fail_sys(job.fname[k], err);
}

}  // namespace

// The row tables are large and touched once per block: huge pages spare the
// kernel tens of thousands of page faults. Only a hint; nothing depends on it.
void hint_huge_pages() {
    const auto lo = (reinterpret_cast<std::uintptr_t>(&job.tmsec) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const auto hi = reinterpret_cast<std::uintptr_t>(&job.chan + 1) & ~(HUGE_PAGE - 1);
    if (hi > lo) madvise(reinterpret_cast<void *>(lo), hi - lo, MADV_HUGEPAGE);
}

void stop_writer() {
    if (!writer.joinable()) return;
    {
        std::lock_guard<std::mutex> lk(hand.m);
        hand.quit = true;
    }
    hand.cv.notify_all();
    writer.join();
}

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
    // The writer starts with the first row, to prepare the tables meanwhile.
    if (i == 0 && !writer.joinable() && !no_writer) {
        try {
            writer = std::thread(writer_main);
        } catch (const std::system_error &) {
            no_writer = true;
        }
    }
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
    if ((i + 1) % BATCH == 0) hand_over(i + 1, false);
}

// Writes rows 0 to imax-1 of the block to the channel files: the writer
// has been at it since the first rows came in; this hands over the rest and
// waits for it to finish.
//
// Row n of the run (counted across blocks) has time n * dt, where dt comes
// once, from the first block: the stamps of rows 1 and 2, or of rows 0 and 1
// when the input has only two rows, in milliseconds. Time-zero answer 2 adds
// the first row's stamp.
void write_block() {
    int err, k;
    if (no_writer) {
        if (job.iblock == 0) set_interval(job.imax);
        if ((err = write_rows(job.iblock, 0, job.imax, &k))) fail_sys(job.fname[k], err);
        return;
    }
    hand_over(job.imax, true);
    {
        std::unique_lock<std::mutex> lk(hand.m);
        hand.cv.wait(lk, [] { return hand.done == job.iblock; });
        err = hand.err;
        k = hand.errk;
        // The tables may now be refilled: open the next block.
        hand.block = job.iblock + 1;
        hand.ready = 0;
        hand.end = false;
    }
    if (err) fail_sys(job.fname[k], err);
}

// Writes out what is pending and closes every channel file, checking each,
// so that no failure goes unreported.
void close_channels() {
    stop_writer();
    for (int k = 1; k < job.ic; ++k) {
        if (int err = flush_channel(k)) fail_sys(job.fname[k], err);
        std::FILE *f = job.fp[k];
        job.fp[k] = nullptr;
        if (std::fclose(f) != 0) fail_sys(job.fname[k], errno);
    }
}
