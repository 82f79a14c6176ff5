// Checks of what is converted, made on the way: the time base (steps
// between stamps, drift of the time column from the stamps) and a summary
// of every channel (extremes and when they occur, mean, RMS, flat and
// clipped channels). Both are reported after the last block.
#pragma once

#include "ring.h"

// Readies the checks of channels 1..nch (before the first batch).
void checks_start(int nch);

// The stamps of a batch, against the interval. The batches come in order,
// from one thread at a time (the writer's).
void check_time_base(const batch &b);

// Channel k's written values of a batch (scale * raw). For each channel
// the batches come in order, from the thread that formats it.
void summarize_channel(int k, const batch &b);

// The reports, for a completed run: what is wrong with the time base
// (nothing is printed when it is sound), then the channel summary.
void report_time_base();
void report_channels();
