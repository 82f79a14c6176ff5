// Fuzz target: the dialogue's integer answer reader against fscanf("%ld")
// on the same bytes: success, value, and what is left for the next answer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "answers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    std::string a(reinterpret_cast<const char *>(data), size), b = a;
    std::FILE *fa = fmemopen(a.data(), a.size(), "r");
    std::FILE *fb = fmemopen(b.data(), b.size(), "r");
    // Two answers in a row, as the dialogue reads them.
    for (int i = 0; i < 2; ++i) {
        long ref = 12345, got = 12345;
        const int rc = std::fscanf(fa, "%ld", &ref);
        const bool ok = read_long(fb, got);
        if (ok != (rc == 1) || got != ref || std::ftell(fa) != std::ftell(fb)) {
            std::fprintf(stderr, "read_long: %d %ld at %ld, C library %d %ld at %ld\n", ok, got, std::ftell(fb), rc, ref,
                         std::ftell(fa));
            std::abort();
        }
    }
    std::fclose(fa);
    std::fclose(fb);
    return 0;
}
