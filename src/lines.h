// Reading the input line by line, lines of any length, through one reused
// buffer (the input fields of `job`).
#pragma once

#include <cstddef>

constexpr std::size_t IN_CHUNK = std::size_t{1} << 20;  // bytes read from the input at a time
constexpr std::size_t MAX_LINE = std::size_t{1} << 28;  // longest input line taken, bytes, line feed aside

// Reads the next input line into job.line/linelen, with its line feed if it
// has one; the byte after it may be overwritten (by a terminator). Returns
// false at the end of the input. A read error, or a line longer than
// MAX_LINE, ends the run with a message.
bool next_line();
