// Fuzz target: the number reader against sscanf("%lf%n") and ("%d%n") on the
// input as text, and the number printer against snprintf("%lf") on its
// first eight bytes as a double.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "numio.h"

static std::uint64_t bits(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const char *s = text.c_str();

    double ref = -7.25, got = -7.25;
    int n = -1;
    int rc = std::sscanf(s, "%lf%n", &ref, &n);
    const char *end = nullptr;
    int mine = scan_lf(s, &got, &end);
    if (mine != (rc == EOF ? -1 : rc) || bits(got) != bits(ref) || (rc == 1 && end - s != n)) {
        std::fprintf(stderr, "scan_lf: %d %a %td, C library %d %a %d\n", mine, got, end ? end - s : -1, rc, ref, n);
        std::abort();
    }

    int iref = 0;
    n = -1;
    rc = std::sscanf(s, "%d%n", &iref, &n);
    end = nullptr;
    mine = scan_d(s, &end);
    if (mine != (rc == EOF ? -1 : rc) || (rc == 1 && end - s != n)) {
        std::fprintf(stderr, "scan_d: %d, C library %d\n", mine, rc);
        std::abort();
    }

    if (size >= 8) {
        double x;
        std::memcpy(&x, data, sizeof x);
        char a[FORMAT_LF_MAX + 8], b[FORMAT_LF_MAX + 8];
        const int na = std::snprintf(a, sizeof a, "%lf", x);
        char *e = format_lf(b, x);
        if (std::string(a, na) != std::string(b, static_cast<std::size_t>(e - b))) {
            std::fprintf(stderr, "format_lf(%a): %s, C library %s\n", x, std::string(b, static_cast<std::size_t>(e - b)).c_str(), a);
            std::abort();
        }
    }
    return 0;
}
