#include "channels.h"

#include <cerrno>
#include <memory>

#include "fail.h"
#include "job.h"
#include "platform.h"

channel_text channel_out[MAX_CHAN + 1];

namespace {
std::unique_ptr<char[]> storage[MAX_CHAN + 1];
}

void channels_start(int nch) {
    for (int k = 1; k <= nch; ++k) {
        storage[k].reset(new char[OUT_BUF]);
        channel_out[k] = {storage[k].get(), 0};
    }
}

int flush_channel(int k) {
    channel_text &c = channel_out[k];
    if (c.len == 0) return 0;
    const int err = write_bytes(job.fp[k], c.buf, c.len);
    if (err == 0) c.len = 0;
    return err;
}

void close_channels() {
    for (int k = 1; k < job.ic; ++k) {
        if (int err = flush_channel(k)) fail_sys(job.fname[k], err);
        std::FILE *f = job.fp[k];
        job.fp[k] = nullptr;
        if (std::fclose(f) != 0) fail_sys(job.fname[k], errno);
    }
}
