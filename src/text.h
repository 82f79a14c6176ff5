// Rows into channel text: each row of a batch becomes the line
// " <time> <scale * value>\n" of each channel's file, both numbers as
// printf's "%lf" writes them.
#pragma once

#include "job.h"
#include "ring.h"

// Formats the rows of b for channels k1..k2 and appends them to those
// channels' text, writing out each buffer as it fills. The batch's time text
// is made on the first call. Returns 0, or the errno of a failed write and
// its channel in *k.
int format_channels(batch &b, int k1, int k2, int *k);
