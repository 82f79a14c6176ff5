// The channel files: one text buffer each, written out when full and at
// the end. The files themselves are opened by the dialogue (job.fp[k]).
#pragma once

#include <cstddef>

constexpr std::size_t OUT_BUF = std::size_t{1} << 18;  // bytes of text buffered per channel file

struct channel_text {
    char *buf;        // OUT_BUF bytes of pending text (channels_start)
    std::size_t len;  // bytes pending: 0..OUT_BUF
};

// channel_out[k] for channels 1..ic-1. Each channel is written by one thread
// at a time: whichever formats its rows (text.h).
extern channel_text channel_out[];

// Makes the buffers of channels 1..nch.
void channels_start(int nch);

// Writes out channel k's pending text. Returns 0 or the errno of the write.
int flush_channel(int k);

// Writes out what is pending and closes every channel file, checking each,
// so that no failure goes unreported (it ends the run with a message).
void close_channels();
