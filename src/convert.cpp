// The conversion: the driver's two calls. read_record parses one input line
// into the batch being filled; full batches go to the writer thread, which
// formats them into channel text and writes it; write_block ends a block.
//
// The time column needs the sample interval before its first row is
// written, so the first batches are held back until the interval is known
// (see seek_interval). Meanwhile the writer has nothing to do.
//
// The reader may format a share of the channels itself (channels 1..split
// of each batch) so that neither thread waits long on the other; the share
// follows whichever side had to wait.
#include <cstring>

#include "channels.h"
#include "checks.h"
#include "fail.h"
#include "lines.h"
#include "record.h"
#include "ring.h"
#include "text.h"

namespace {

batch *filling = nullptr;       // the batch read_record is filling
batch *held[MAX_ROWS / BATCH + 2];  // filled batches kept back until the time column is fixed
int nheld = 0;

// The reader's share of the formatting.
int split = 0;                  // channels 1..split of the next batch handed over
int last_split = 0;             // those of the last one
constexpr int WINDOW = 16;      // batches between two changes of the share
int window_batches = 0, window_reader_waits = 0;
long window_writer_waits0 = 0;

// The first rows' stamps, for the interval.
double stamp_prev = 0.0;        // stamp of the row before the one just read
bool stamped_prev = false;      // ... and whether its line supplied it
double stamp_row0 = 0.0, stamp_row1 = 0.0;
bool stamped_row0 = false, stamped_row1 = false;

// Fixes the time column: rows `from` and from+1 gave the interval, in ms
// (from is -1 when no two rows did, and the interval is then 0).
void fix_time(long from, double step_ms) {
    job.dt_row = from;
    job.dt_ms = step_ms;
    job.dt = step_ms * 0.001;
    job.t0 = stamp_row0 * 0.001;
    job.timed = true;
}

// Called for each row of the run while the interval is not known. It comes
// from the first two rows in a row, counting from row 1, whose lines both
// supplied their stamp: normally rows 1 and 2. A stray line among the first
// rows (a blank, a text line, a cut record) would otherwise give a wrong
// interval to the whole time column.
void seek_interval(long n, double stamp, bool stamped) {
    if (n == 0) {
        stamp_row0 = stamp;
        stamped_row0 = stamped;
    } else if (n == 1) {
        stamp_row1 = stamp;
        stamped_row1 = stamped;
    } else if (stamped && stamped_prev) {
        fix_time(n - 1, stamp - stamp_prev);
        return;
    }
    stamp_prev = stamp;
    stamped_prev = stamped;
}

// At the end of the first block with the interval still open: no two rows
// in a row after row 0 supplied their stamps. Rows 0 and 1 give it if they
// did (an input of two rows), else it is 0.
void settle_interval() {
    if (stamped_row0 && stamped_row1)
        fix_time(0, stamp_row1 - stamp_row0);
    else
        fix_time(-1, 0.0);
}

// Channels k1..k2 of a batch: summarized, then formatted and written.
int convert_channels(batch &b, int k1, int k2, int *k) {
    for (int c = k1; c <= k2; ++c) summarize_channel(c, b);
    return format_channels(b, k1, k2, k);
}

// The writer's work on a batch: the time base checked, its channels done.
int consume(batch &b, int *k) {
    check_time_base(b);
    return convert_channels(b, b.split + 1, job.ic - 1, k);
}

void check_writer() {
    int k = 0;
    if (int err = ring_error(&k)) fail_sys(job.fname[k], err);
}

// Moves the share towards the side that waited: the reader takes a channel
// more when it waited for free batches, one less when the writer waited
// for work.
void adjust_share(bool reader_waited) {
    window_reader_waits += reader_waited;
    if (++window_batches < WINDOW) return;
    const long ww = ring_writer_waits() - window_writer_waits0;
    if (window_reader_waits >= WINDOW * 3 / 4 && ww <= WINDOW / 8 && split < job.ic - 1)
        ++split;
    else if (ww >= WINDOW * 3 / 4 && window_reader_waits <= WINDOW / 8 && split > 0)
        --split;
    window_batches = window_reader_waits = 0;
    window_writer_waits0 += ww;
}

// Formats the reader's share of a filled batch and hands it to the writer.
void publish(batch *b) {
    b->split = split;
    if (split > last_split) {
        // Channels the writer had: it finishes their earlier rows first.
        int k = 0;
        if (int err = ring_drain(&k)) fail_sys(job.fname[k], err);
    }
    last_split = split;
    int k = 0;
    if (int err = convert_channels(*b, 1, split, &k)) fail_sys(job.fname[k], err);
    ring_publish(b);
}

void publish_held() {
    for (int h = 0; h < nheld; ++h) publish(held[h]);
    nheld = 0;
}

void end_batch() {
    batch *b = filling;
    filling = nullptr;
    held[nheld++] = b;
    if (job.timed) {
        publish_held();
        check_writer();
    }
}

void start() {
    job.line_of_row0 = job.nline + 1;
    checks_start(job.ic - 1);
    channels_start(job.ic - 1);
    ring_start(job.ic - 1, consume);
    on_fail(ring_stop);
    split = last_split = (job.ic - 1) / 10;
}

}  // namespace

void read_record(int i) {
    if (!filling) {
        if (job.iblock == 0 && i == 0) start();
        if (!next_line()) {
            job.iflag = 1;
            return;
        }
        bool waited;
        filling = ring_take(!job.timed, &waited);
        filling->row0 = static_cast<long>(job.iblock) * MAX_ROWS + i;
        filling->n = 0;
        filling->timed_text = false;
        if (job.timed) adjust_share(waited);
    } else if (!next_line()) {
        job.iflag = 1;
        return;
    }
    // End the line at its line feed (or just past its last byte, where the
    // buffer always has one spare) so that it is a C string for the matcher.
    char *s = const_cast<char *>(job.line);
    std::size_t len = job.linelen;
    if (len > 0 && s[len - 1] == '\n') --len;
    s[len] = '\0';

    batch &b = *filling;
    const int r = b.n++;
    const int nval = job.ic;  // the stamp and ic-1 data columns
    const int got = match_record(s, nval, b.stamp + r, BATCH);
    if (got < 3 + nval) {
        // Values a line does not supply are 0.
        if (job.nshort++ == 0) job.first_short = job.nline;
        for (int v = got > 3 ? got - 3 : 0; v < nval; ++v) b.stamp[r + static_cast<std::ptrdiff_t>(v) * BATCH] = 0.0;
    }
    b.supplied[r] = static_cast<unsigned char>(got > 3 ? got - 3 : 0);
    if (!job.timed) seek_interval(b.row0 + r, b.stamp[r], got >= 4);
    if (b.n == BATCH) end_batch();
}

// Rows 0 to imax-1 of the block have been read: the last batch goes to the
// writer, which is waited for, so that a failed write is reported before the
// next block is read.
void write_block() {
    if (filling) end_batch();
    if (!job.timed) {
        settle_interval();
        publish_held();
    }
    int k = 0;
    if (int err = ring_drain(&k)) fail_sys(job.fname[k], err);
}

void end_conversion() {
    ring_stop();
    close_channels();
}
