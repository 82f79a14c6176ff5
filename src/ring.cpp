#include "ring.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "numio.h"

namespace {

constexpr int MAX_SLOTS = MAX_ROWS / BATCH + 2;  // a whole block held back, and the one being filled

struct {
    std::mutex m;
    std::condition_variable cv;
    batch *queue[MAX_SLOTS];  // handed over, not yet finished: a FIFO
    int qhead = 0, qlen = 0;
    batch *free_[MAX_SLOTS];  // free batches: a stack
    int nfree = 0;
    int nslots = 0;           // batches made
    bool quit = false;
    int err = 0, errk = 0;    // first failed write
    long waits = 0;           // times the writer found the queue empty
} ring;

std::unique_ptr<batch> slots[MAX_SLOTS];
int nchan = 0;
batch_consumer consumer = nullptr;
std::thread writer;
bool threaded = false;

batch *make_batch() {
    auto b = std::make_unique<batch>();
    b->values_.reset(new double[static_cast<std::size_t>(nchan + 1) * BATCH]);
    b->flags_.reset(new unsigned char[BATCH]);
    b->text_.reset(new char[static_cast<std::size_t>(BATCH) * (FORMAT_LF_MAX + 2)]);
    b->tpos_.reset(new unsigned[BATCH + 1]);
    b->stamp = b->values_.get();
    for (int k = 1; k <= nchan; ++k) b->val[k] = b->values_.get() + static_cast<std::size_t>(k) * BATCH;
    b->supplied = b->flags_.get();
    b->times = b->text_.get();
    b->tpos = b->tpos_.get();
    slots[ring.nslots] = std::move(b);
    return slots[ring.nslots++].get();
}

void record_error(int err, int k) {
    if (err && !ring.err) {
        ring.err = err;
        ring.errk = k;
    }
}

void writer_main() {
    std::unique_lock<std::mutex> lk(ring.m);
    for (;;) {
        if (ring.qlen == 0 && !ring.quit) {
            ++ring.waits;
            ring.cv.wait(lk, [] { return ring.quit || ring.qlen > 0; });
        }
        if (ring.quit) return;
        batch *b = ring.queue[ring.qhead];
        const bool failed = ring.err != 0;
        lk.unlock();
        // After a failed write nothing more is written; the batches still
        // go round so that the reader gets to report the failure.
        int k = 0, err = failed ? 0 : consumer(*b, &k);
        lk.lock();
        record_error(err, k);
        ring.qhead = (ring.qhead + 1) % MAX_SLOTS;
        --ring.qlen;
        ring.free_[ring.nfree++] = b;
        ring.cv.notify_all();
    }
}

}  // namespace

void ring_start(int nch, batch_consumer consume) {
    nchan = nch;
    consumer = consume;
    for (int i = 0; i < RING; ++i) ring.free_[ring.nfree++] = make_batch();
    try {
        writer = std::thread(writer_main);
        threaded = true;
    } catch (const std::system_error &) {
        threaded = false;  // the reader writes each batch itself
    }
}

batch *ring_take(bool grow, bool *waited) {
    std::unique_lock<std::mutex> lk(ring.m);
    *waited = false;
    if (ring.nfree == 0 && grow && ring.nslots < MAX_SLOTS) return make_batch();
    if (ring.nfree == 0) {
        *waited = true;
        ring.cv.wait(lk, [] { return ring.nfree > 0; });
    }
    return ring.free_[--ring.nfree];
}

void ring_publish(batch *b) {
    if (!threaded) {
        int k = 0;
        const int err = ring.err ? 0 : consumer(*b, &k);
        std::lock_guard<std::mutex> lk(ring.m);
        record_error(err, k);
        ring.free_[ring.nfree++] = b;
        return;
    }
    {
        std::lock_guard<std::mutex> lk(ring.m);
        ring.queue[(ring.qhead + ring.qlen) % MAX_SLOTS] = b;
        ++ring.qlen;
    }
    ring.cv.notify_all();
}

int ring_drain(int *k) {
    std::unique_lock<std::mutex> lk(ring.m);
    ring.cv.wait(lk, [] { return ring.qlen == 0 || !threaded || ring.quit; });
    *k = ring.errk;
    return ring.err;
}

int ring_error(int *k) {
    std::lock_guard<std::mutex> lk(ring.m);
    *k = ring.errk;
    return ring.err;
}

long ring_writer_waits() {
    std::lock_guard<std::mutex> lk(ring.m);
    return ring.waits;
}

void ring_stop() {
    if (!writer.joinable()) return;
    {
        std::lock_guard<std::mutex> lk(ring.m);
        ring.quit = true;
    }
    ring.cv.notify_all();
    writer.join();
}
