#include "text.h"

#include <cstring>

#include "channels.h"
#include "numio.h"
#include "platform.h"

namespace {

// " <time> " of each row of the batch, once, for all its channels.
void format_times(batch &b) {
    // The time base is copied first: job's fields share cache lines with
    // what the reader updates for every line, and the text stores below
    // would otherwise make the compiler load them again for every row.
    const time_base tb = job_time_base();
    char *e = b.times;
    for (int c = 0; c < b.n; ++c) {
        b.tpos[c] = static_cast<unsigned>(e - b.times);
        *e++ = ' ';
        e = format_lf(e, tb.time_of(b.row0 + c));
        *e++ = ' ';
    }
    b.tpos[b.n] = static_cast<unsigned>(e - b.times);
    b.timed_text = true;
}

}  // namespace

// Channel by channel, so that each pass reads one table and appends to one
// buffer, both in order.
int format_channels(batch &b, int k1, int k2, int *k_failed) {
    if (k1 > k2) return 0;
    if (!b.timed_text) format_times(b);
    constexpr std::size_t ROOM = 2 * FORMAT_LF_MAX + 8;  // the longest line, and then some
    for (int k = k1; k <= k2; ++k) {
        channel_text &out = channel_out[k];
        const double sk = job.scale[k];
        const double *raw = b.val[k];
        char *o = out.buf + out.len;
        char *const full = out.buf + OUT_BUF - ROOM;
        for (int c = 0; c < b.n; ++c) {
            if (o > full) {
                out.len = static_cast<std::size_t>(o - out.buf);
                if (int err = flush_channel(k)) {
                    *k_failed = k;
                    return err;
                }
                o = out.buf;
            }
            const unsigned tl = b.tpos[c + 1] - b.tpos[c];
            std::memcpy(o, b.times + b.tpos[c], tl);
            o = format_lf(o + tl, sk * raw[c]);
            std::memcpy(o, LINE_END, LINE_END_LEN);
            o += LINE_END_LEN;
        }
        out.len = static_cast<std::size_t>(o - out.buf);
    }
    return 0;
}
