// Exact number conversions of the record and channel formats.
//
// Each function does what the C library on this machine does for one
// conversion, byte for byte: a fast path for the plain forms that make up
// nearly all real data, inline here, and the C library itself for
// everything else, out of line in numio.cpp.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr int FORMAT_LF_MAX = 320;  // "-" + 309 integer digits + "." + 6 decimals, rounded up

namespace numio_detail {

// isspace() of the "C" locale, which the program never leaves.
inline bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
inline bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

int scan_lf_libc(const char *p, double *v, const char **end);
char *format_lf_libc(char *out, double x);
char *put_uint(char *p, std::uint64_t v);
extern const char kDigits2[201];

}  // namespace numio_detail

// One "%d" conversion at s, as scanf does it: blanks skipped, then an
// optional sign and at least one digit. The value is not kept (the callers
// only need to know where it stopped). Returns 1 and sets *end past the
// number, 0 on a matching failure, -1 when s ends before the number starts.
inline int scan_d(const char *s, const char **end) {
    using namespace numio_detail;
    const char *p = s;
    while (is_space(*p)) ++p;
    if (*p == '\0') return -1;
    if (*p == '+' || *p == '-') ++p;
    if (!is_digit(*p)) return 0;
    while (is_digit(*p)) ++p;
    *end = p;
    return 1;
}

// One "%lf" conversion at s, as scanf does it (blanks skipped first). Returns
// 1, stores the value and sets *end past the characters scanf consumes; 0 on
// a matching failure; -1 when s ends before the number starts. On failure
// *v is left alone. With Keep false the value is not worked out, nor stored:
// only where the number ends (a field that is matched and thrown away).
template <bool Keep = true>
inline int scan_lf(const char *s, double *v, const char **end) {
    using namespace numio_detail;
    const char *p = s;
    while (is_space(*p)) ++p;
    if (*p == '\0') return -1;

    // Fast path: [sign] digits [. digits] [e [sign] digits], ended by a blank
    // or the end of the text. For such a token scanf consumes exactly the
    // token and stores strtod's correctly rounded value. The digits are
    // gathered into an integer in one pass; when there are at most 19 of
    // them and that integer and the power of ten are both exact doubles, one
    // IEEE multiplication or division gives the correctly rounded value
    // (Clinger). Other plain tokens (more digits, larger exponents) go to
    // from_chars, also correctly rounded; anything else to the C library.
    const char *q = p;
    const bool neg = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    const char *int0 = q;
    std::uint64_t mant = 0;
    for (; is_digit(*q); ++q) mant = mant * 10 + static_cast<unsigned>(*q - '0');
    std::ptrdiff_t ndig = q - int0;
    int exp10 = 0;
    if (*q == '.') {
        const char *frac0 = ++q;
        for (; is_digit(*q); ++q) mant = mant * 10 + static_cast<unsigned>(*q - '0');
        ndig += q - frac0;
        exp10 = -static_cast<int>(q - frac0);
    }
    if (ndig == 0) return scan_lf_libc(p, v, end);
    if (*q == 'e' || *q == 'E') {
        ++q;
        const bool eneg = *q == '-';
        if (*q == '+' || *q == '-') ++q;
        const char *e = q;
        int ev = 0;
        for (; is_digit(*q); ++q)
            if (ev < 100000) ev = ev * 10 + (*q - '0');
        if (q == e) return scan_lf_libc(p, v, end);  // "1e": scanf eats the 'e', strtod does not
        exp10 += eneg ? -ev : ev;
    }
    if (*q != '\0' && !is_space(*q)) return scan_lf_libc(p, v, end);
    if constexpr (!Keep) {
        *end = q;  // any such token is a number to scanf, even one out of range
        return 1;
    }

    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    double x;
    if (ndig <= 19 && mant <= (std::uint64_t{1} << 53) && exp10 >= -22 && exp10 <= 22) {
        x = static_cast<double>(mant);
        x = exp10 < 0 ? x / kPow10[-exp10] : x * kPow10[exp10];
    } else {
        auto r = std::from_chars(*p == '+' ? p + 1 : p, q, x, std::chars_format::general);
        if (r.ec != std::errc() || r.ptr != q) return scan_lf_libc(p, v, end);  // strtod's ERANGE values
        *v = x;
        *end = q;
        return 1;
    }
    *v = neg ? -x : x;
    *end = q;
    return 1;
}

// Writes x as printf("%lf") does: fixed notation, six decimals, rounded to
// nearest with ties to even on the exact binary value. No terminator is
// written. Returns the end of the text; at most FORMAT_LF_MAX bytes.
inline char *format_lf(char *out, double x) {
    using namespace numio_detail;
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const bool neg = bits >> 63;
    const int be = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
    if (be == 0x7ff) return format_lf_libc(out, x);  // inf, nan

    // x = m * 2^e exactly.
    const std::uint64_t m = be ? (frac | (std::uint64_t{1} << 52)) : frac;
    const int e = be ? be - 1075 : -1074;
    if (e > 10) return format_lf_libc(out, x);  // |x| >= 2^63

    // n = x * 10^6 rounded to nearest, ties to even, exactly.
    using u128 = unsigned __int128;
    const u128 p = static_cast<u128>(m) * 1000000u;  // < 2^73
    std::uint64_t ip, fp;
    if (e <= -9 && e >= -63) {
        // The usual range: the quotient fits 64 bits and the remainder the
        // low word, so plain 64-bit shifts do.
        const int s = -e;
        const std::uint64_t lo = static_cast<std::uint64_t>(p);
        const std::uint64_t hi = static_cast<std::uint64_t>(p >> 64);
        std::uint64_t n = (hi << (64 - s)) | (lo >> s);
        const std::uint64_t r = lo & ((std::uint64_t{1} << s) - 1);
        const std::uint64_t half = std::uint64_t{1} << (s - 1);
        n += (r > half) | ((r == half) & n);
        ip = n / 1000000u;
        fp = n % 1000000u;
    } else {
        u128 n;
        if (e >= 0) {
            n = p << e;
        } else if (-e > 74) {
            n = 0;  // p < 2^73 < half of 2^s: rounds to zero
        } else {
            const int s = -e;
            const u128 q = p >> s;
            const u128 r = p - (q << s);
            const u128 half = static_cast<u128>(1) << (s - 1);
            n = q + ((r > half || (r == half && (q & 1))) ? 1 : 0);
        }
        ip = static_cast<std::uint64_t>(n / 1000000u);
        fp = static_cast<std::uint64_t>(n % 1000000u);
    }

    char *o = out;
    if (neg) *o++ = '-';  // printf keeps the sign of -0.0 and of tiny negatives
    if (ip < 10) {
        *o++ = static_cast<char>('0' + ip);
    } else if (ip < 100) {
        std::memcpy(o, kDigits2 + 2 * ip, 2);
        o += 2;
    } else {
        o = put_uint(o, ip);
    }
    *o++ = '.';
    const unsigned f = static_cast<unsigned>(fp);
    std::memcpy(o, kDigits2 + 2 * (f / 10000), 2);
    std::memcpy(o + 2, kDigits2 + 2 * (f / 100 % 100), 2);
    std::memcpy(o + 4, kDigits2 + 2 * (f % 100), 2);
    return o + 6;
}
