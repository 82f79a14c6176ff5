#include "record.h"

#include "numio.h"

int match_record(const char *s, int nval, double *v, std::ptrdiff_t stride) {
    if (*s == '\0') return -1;
    if (*s != '+') return 0;
    const char *p = s + 1;
    int n = 0;

    // hours ':' minutes ':'
    for (int k = 0; k < 2; ++k) {
        int r = scan_d(p, &p);
        if (r <= 0) return (r < 0 && n == 0) ? -1 : n;
        ++n;
        if (*p != ':') return n;  // a literal: no blanks skipped before it
        ++p;
    }
    double sec;
    if (scan_lf<false>(p, &sec, &p) <= 0) return n;  // the clock takes no part in the output
    ++n;
    for (int k = 0; k < nval; ++k) {
        if (scan_lf(p, &v[k * stride], &p) <= 0) return n;
        ++n;
    }
    return n;
}
