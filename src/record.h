// Matching one data line against the record format
//   "+%d:%d:%lf" followed by " %lf" nval times and " \n"
// (clock hours, minutes, seconds; then the millisecond stamp and the data
// columns), exactly as sscanf does with that format.
#pragma once

#include <cstddef>

constexpr int MAX_FIELDS = 21;  // stamp + up to 20 data columns

// s: the line, ended by a NUL (the line feed may be there or not: the format
// ends in blanks, which match anything or nothing). nval: 1..MAX_FIELDS.
// Stores the stamp and the data values that match into v[0], v[stride], ...
// v[(nval-1)*stride] and leaves the others alone. Returns what sscanf
// returns: the number of conversions done (the three clock fields
// included), or -1 when the line ends before the first conversion.
int match_record(const char *s, int nval, double *v, std::ptrdiff_t stride = 1);
