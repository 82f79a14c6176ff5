#include "lines.h"

#include <cstring>

#include "fail.h"
#include "job.h"
#include "platform.h"

namespace {

// Makes room after the held input and reads more into it: moves the
// unfinished line to the front, and grows the buffer when that line already
// fills most of it. Sets ineof at the end of the input.
void refill() {
    std::vector<char> &b = job.inbuf;
    const std::size_t tail = job.inlen - job.inpos;
    if (job.inpos > 0) {
        std::memmove(b.data(), b.data() + job.inpos, tail);
        job.inpos = 0;
        job.inlen = tail;
    }
    // The buffer is data, then one spare byte for a terminator. It grows by
    // doubling, up to what the longest line taken needs: MAX_LINE bytes and
    // its line feed.
    if (b.size() < IN_CHUNK + 1) b.resize(IN_CHUNK + 1);
    const std::size_t most = MAX_LINE + 1;
    std::size_t cap = b.size() - 1;
    if (cap - job.inlen < IN_CHUNK / 2 && cap < most) {
        cap = cap * 2 < most ? cap * 2 : most;
        b.resize(cap + 1);
    }
    int err = 0;
    const long r = read_bytes(job.fp[0], b.data() + job.inlen, cap - job.inlen, &err);
    if (r < 0) fail_sys(job.fname[0], err);
    if (r == 0) job.ineof = true;
    job.inlen += static_cast<std::size_t>(r);
}

}  // namespace

bool next_line() {
    for (;;) {
        char *start = job.inbuf.data() + job.inpos;
        const std::size_t avail = job.inlen - job.inpos;
        // Only the bytes not searched yet: a long line arriving through a
        // pipe in small pieces is searched once, not once per piece.
        const char *nl = avail > job.inscan
                             ? static_cast<const char *>(std::memchr(start + job.inscan, '\n', avail - job.inscan))
                             : nullptr;
        if (nl || (job.ineof && avail > 0)) {
            job.line = start;
            job.linelen = nl ? static_cast<std::size_t>(nl - start) + 1 : avail;
            job.inpos += job.linelen;
            job.inscan = 0;
            ++job.nline;
            return true;
        }
        if (job.ineof) return false;
        job.inscan = avail;
        // Lines of any sensible length are read whole; one without end is
        // no text file.
        if (avail > MAX_LINE)
            fail("line " + std::to_string(job.nline + 1) + " of " + job.fname[0] + " is longer than " +
                 std::to_string(MAX_LINE >> 20) + " MiB; is it a text file?");
        refill();
    }
}
