// Rows into channel text: each row of a batch becomes the line
// " <time> <scale * value>\n" of each channel's file, both numbers as
// printf's "%lf" writes them.
#pragma once

#include "job.h"
#include "ring.h"

// The time column's value for run row n: n * dt, plus the first stamp when
// the time-zero answer is 2.
inline double time_of(long n) {
    const double t = static_cast<double>(n) * job.dt;
    return job.izero == 2 ? job.t0 + t : t;
}

// Formats the rows of b for channels k1..k2 and appends them to those
// channels' text, writing out each buffer as it fills. The batch's time text
// is made on the first call. Returns 0, or the errno of a failed write and
// its channel in *k.
int format_channels(batch &b, int k1, int k2, int *k);
