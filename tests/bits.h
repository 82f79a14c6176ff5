// A double's bit pattern and back, for comparisons in which -0.0 is not 0.0
// and every NaN is itself.
#pragma once

#include <cstdint>
#include <cstring>

inline std::uint64_t bits_of(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
inline double from_bits(std::uint64_t b) {
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}
