// What the program needs of the operating system beyond standard C and C++:
// file identity, raw reads and writes, and the console key wait. One
// implementation per system (platform_posix.cpp, platform_windows.cpp);
// nothing else in the program depends on the system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// How a line of a text file ends here: the channel files are text files,
// written in binary mode with this end.
#if defined(_WIN32)
inline constexpr char LINE_END[] = "\r\n";
#else
inline constexpr char LINE_END[] = "\n";
#endif
inline constexpr int LINE_END_LEN = sizeof LINE_END - 1;

// Which file an open stream or a name refers to, so that two names of one
// file (a link, a second path) are known as one.
struct file_id {
    std::uint64_t volume;  // device or volume serial number
    std::uint64_t index;   // inode or file index on that volume
    bool regular;          // a regular file (not a device, pipe or folder)
    bool directory;        // a folder
};

// The identity of an open stream, or of a name; false (errno set) when it
// cannot be had (for a name: there is no such file).
bool identify(std::FILE *f, file_id *id);
bool identify(const char *name, file_id *id);
inline bool same_file(const file_id &a, const file_id &b) { return a.volume == b.volume && a.index == b.index; }

// Reads up to n bytes from the stream's file, past its stdio buffer (the
// stream itself is never read through). Returns the bytes read, 0 at the
// end, or -1 with *err set. Interrupted reads are retried.
long read_bytes(std::FILE *f, char *buf, std::size_t n, int *err);

// Writes n bytes to the stream's file, past its stdio buffer: all of them,
// or returns the errno of the failed write (0 when all went).
int write_bytes(std::FILE *f, const char *p, std::size_t n);

// Waits for one key on the console, unechoed and without Enter, even when
// standard input is a file. A modifier key alone does not count. Without a
// console (a batch job, a service) it returns at once. The console is left
// as it was found on every way out, a signal included.
void wait_key();
