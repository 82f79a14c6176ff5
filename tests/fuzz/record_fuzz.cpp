// Fuzz target: the record matcher against sscanf with the record format.
// First byte: how many values follow the clock (1..21); the rest: the line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "record.h"

static std::uint64_t bits(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    const int nval = 1 + data[0] % MAX_FIELDS;
    const std::string line(reinterpret_cast<const char *>(data) + 1, size - 1);  // a C string up to any NUL

    std::string fmt = "+%d:%d:%lf";
    for (int k = 0; k < nval; ++k) fmt += " %lf";
    fmt += " \n";
    double ref[MAX_FIELDS], got[MAX_FIELDS];
    for (int k = 0; k < MAX_FIELDS; ++k) ref[k] = got[k] = -7.25;
    int h, m;
    double s, *r = ref;
    const int rc = std::sscanf(line.c_str(), fmt.c_str(), &h, &m, &s, r, r + 1, r + 2, r + 3, r + 4, r + 5, r + 6,
                               r + 7, r + 8, r + 9, r + 10, r + 11, r + 12, r + 13, r + 14, r + 15, r + 16, r + 17,
                               r + 18, r + 19, r + 20);
    const int mine = match_record(line.c_str(), nval, got);
    if (mine != rc) {
        std::fprintf(stderr, "count %d, C library %d\n", mine, rc);
        std::abort();
    }
    for (int k = 0; k < nval; ++k)
        if (bits(got[k]) != bits(ref[k])) {
            std::fprintf(stderr, "field %d: %a, C library %a\n", k, got[k], ref[k]);
            std::abort();
        }
    return 0;
}
