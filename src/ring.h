// The rows on their way from the reader to the writer: a small ring of
// batches, reused for the whole run, and the hand-over between the two
// threads.
//
// The reader (the main thread) fills a batch, hands it over, and takes the
// next free one; a second thread, the writer, takes the batches in order,
// passes each to the consumer it was given, and frees it. The ring holds
// RING batches, and more only while the reader holds batches back (until the
// time column is fixed): at most a block's rows.
#pragma once

#include <memory>

#include "job.h"

constexpr int BATCH = 8192;  // rows in a batch
constexpr int RING = 4;      // batches in the ring

struct batch {
    long row0;                  // run row number of the first row: block * MAX_ROWS + row in block (reader)
    int n;                      // rows held: 0..BATCH (reader)
    int split;                  // the reader formats channels 1..split, the writer the rest: 0..ic-1 (reader)
    double *stamp;              // [BATCH] millisecond stamps (read_record)
    unsigned char *supplied;    // [BATCH] values the line supplied: the stamp, then channel 1 ...: 0..ic (read_record)
    double *val[MAX_CHAN + 1];  // val[k][row]: raw value of column k, volts; [0] unused (read_record)
    char *times;                // " <time> " of each row, made by the first to format the batch
    unsigned *tpos;             // [BATCH + 1] where each row's text starts in `times`
    bool timed_text;            // `times` is filled

    std::unique_ptr<double[]> values_;        // storage behind stamp and val
    std::unique_ptr<unsigned char[]> flags_;  // behind supplied
    std::unique_ptr<char[]> text_;            // behind times
    std::unique_ptr<unsigned[]> tpos_;        // behind tpos
};

// The writer's work on one batch: returns 0, or the errno of a failed write
// and its channel in *k.
using batch_consumer = int (*)(batch &b, int *k);

// Makes the ring for `nch` channels and starts the writer with `consume`.
// Without a second thread, ring_publish consumes each batch itself.
void ring_start(int nch, batch_consumer consume);

// A free batch for the reader, waiting for the writer to free one. With
// `grow`, takes a new one instead of waiting (the reader is holding batches
// back and the writer has nothing). Returns whether the reader had to wait.
batch *ring_take(bool grow, bool *waited);

// Hands a filled batch to the writer. The batches go in the order given.
void ring_publish(batch *b);

// Waits until the writer has finished every batch handed over. Returns the
// first failed write's errno (0 if none) and its channel in *k.
int ring_drain(int *k);

// A failed write so far, without waiting: errno or 0, channel in *k.
int ring_error(int *k);

// Times the writer found nothing to do, so far.
long ring_writer_waits();

// Stops the writer at once, wherever it is; safe to call at any time from
// the reader, and more than once.
void ring_stop();
