// Exact number conversions of the record and channel formats.
//
// Each function does what the C library on this machine does for one
// conversion, byte for byte: a fast path for the plain forms that make up
// nearly all real data, and the C library itself for everything else.
#pragma once

// One "%d" conversion at s, as scanf does it: blanks skipped, then an
// optional sign and at least one digit. The value is not kept (the callers
// only need to know where it stopped). Returns 1 and sets *end past the
// number, 0 on a matching failure, -1 when s ends before the number starts.
int scan_d(const char *s, const char **end);

// One "%lf" conversion at s, as scanf does it (blanks skipped first). Returns
// 1, stores the value and sets *end past the characters scanf consumes; 0 on
// a matching failure; -1 when s ends before the number starts. On failure
// *v is left alone.
int scan_lf(const char *s, double *v, const char **end);

// Writes x as printf("%lf") does: fixed notation, six decimals, rounded to
// nearest with ties to even on the exact binary value. No terminator is
// written. Returns the end of the text; at most FORMAT_LF_MAX bytes.
char *format_lf(char *out, double x);
constexpr int FORMAT_LF_MAX = 320;  // "-" + 309 integer digits + "." + 6 decimals, rounded up
