#include "numio.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// isspace() of the "C" locale, which the program never leaves.
inline bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
inline bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// "00" "01" ... "99"
constexpr char kDigits2[] =
    "0001020304050607080910111213141516171819"
    "2021222324252627282930313233343536373839"
    "4041424344454647484950515253545556575859"
    "6061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline char *put2(char *p, unsigned v) {
    std::memcpy(p, kDigits2 + 2 * v, 2);
    return p + 2;
}

// Decimal digits of v, no leading zeros ("0" for 0).
inline char *put_uint(char *p, std::uint64_t v) {
    char tmp[20];
    char *t = tmp + sizeof tmp;
    while (v >= 100) {
        t -= 2;
        std::memcpy(t, kDigits2 + 2 * (v % 100), 2);
        v /= 100;
    }
    if (v >= 10) {
        t -= 2;
        std::memcpy(t, kDigits2 + 2 * v, 2);
    } else {
        *--t = static_cast<char>('0' + v);
    }
    std::size_t n = tmp + sizeof tmp - t;
    std::memcpy(p, t, n);
    return p + n;
}

char *format_lf_slow(char *out, double x) {
    char buf[FORMAT_LF_MAX + 8];
    int n = std::snprintf(buf, sizeof buf, "%lf", x);
    std::memcpy(out, buf, n);
    return out + n;
}

}  // namespace

int scan_d(const char *s, const char **end) {
    const char *p = s;
    while (is_space(*p)) ++p;
    if (*p == '\0') return -1;
    if (*p == '+' || *p == '-') ++p;
    if (!is_digit(*p)) return 0;
    while (is_digit(*p)) ++p;
    *end = p;
    return 1;
}

int scan_lf(const char *s, double *v, const char **end) {
    const char *p = s;
    while (is_space(*p)) ++p;
    if (*p == '\0') return -1;

    // Fast path: [sign] digits [. digits] [e [sign] digits], ended by a blank
    // or the end of the text. For such a token scanf consumes exactly the
    // token and stores strtod's correctly rounded value. Up to 19 significant
    // digits are gathered into an integer on the way; when that integer and
    // the power of ten are both exact doubles, one IEEE multiplication or
    // division gives the correctly rounded value (Clinger). Other plain
    // tokens go to from_chars, which is also correctly rounded; anything
    // else goes to the C library below.
    {
        const char *q = p;
        const bool neg = *q == '-';
        if (*q == '+' || *q == '-') ++q;
        std::uint64_t mant = 0;
        int sig = 0;     // significant digits gathered in mant
        int exp10 = 0;   // value = mant * 10^exp10
        bool exact = true;
        std::size_t ndig = 0;
        for (; is_digit(*q); ++q, ++ndig) {
            if (sig < 19) {
                mant = mant * 10 + static_cast<unsigned>(*q - '0');
                sig += mant != 0;
            } else {
                exact = false;
            }
        }
        if (*q == '.') {
            ++q;
            for (; is_digit(*q); ++q, ++ndig) {
                if (sig < 19) {
                    mant = mant * 10 + static_cast<unsigned>(*q - '0');
                    sig += mant != 0;
                    --exp10;
                } else {
                    exact = false;
                }
            }
        }
        if (ndig == 0) goto slow;
        if (*q == 'e' || *q == 'E') {
            ++q;
            const bool eneg = *q == '-';
            if (*q == '+' || *q == '-') ++q;
            const char *e = q;
            int ev = 0;
            for (; is_digit(*q); ++q)
                if (ev < 100000) ev = ev * 10 + (*q - '0');
            if (q == e) goto slow;  // "1e": scanf eats the 'e', strtod does not
            exp10 += eneg ? -ev : ev;
        }
        if (*q != '\0' && !is_space(*q)) goto slow;

        static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        double x;
        if (exact && mant == 0) {
            x = 0.0;
        } else if (exact && mant <= (std::uint64_t{1} << 53) && exp10 >= -22 && exp10 <= 22) {
            x = static_cast<double>(mant);
            x = exp10 < 0 ? x / kPow10[-exp10] : x * kPow10[exp10];
        } else {
            auto r = std::from_chars(neg ? p : (*p == '+' ? p + 1 : p), q, x, std::chars_format::general);
            if (r.ec != std::errc() || r.ptr != q) goto slow;  // out of range: strtod's ERANGE values
            *v = x;
            *end = q;
            return 1;
        }
        *v = neg ? -x : x;
        *end = q;
        return 1;
    }

slow:
    double x;
    int n = 0;
    int rc = std::sscanf(p, "%lf%n", &x, &n);
    if (rc == 1) {
        *v = x;
        *end = p + n;
        return 1;
    }
    return rc == EOF ? -1 : 0;
}

char *format_lf(char *out, double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const bool neg = bits >> 63;
    const int be = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
    if (be == 0x7ff) return format_lf_slow(out, x);  // inf, nan

    // x = m * 2^e exactly.
    const std::uint64_t m = be ? (frac | (std::uint64_t{1} << 52)) : frac;
    const int e = be ? be - 1075 : -1074;
    if (e > 10) return format_lf_slow(out, x);  // |x| >= 2^63

    // n = x * 10^6 rounded to nearest, ties to even, exactly.
    using u128 = unsigned __int128;
    u128 n;
    const u128 p = static_cast<u128>(m) * 1000000u;  // < 2^73
    if (e >= 0) {
        n = p << e;
    } else {
        const int s = -e;
        if (s > 74) {
            n = 0;  // p < 2^73 < half of 2^s: rounds to zero
        } else {
            const u128 q = p >> s;
            const u128 r = p - (q << s);
            const u128 half = static_cast<u128>(1) << (s - 1);
            n = q + ((r > half || (r == half && (q & 1))) ? 1 : 0);
        }
    }

    char *o = out;
    if (neg) *o++ = '-';  // printf keeps the sign of -0.0 and of tiny negatives
    std::uint64_t ip, fp;
    if (n >> 64) {
        ip = static_cast<std::uint64_t>(n / 1000000u);
        fp = static_cast<std::uint64_t>(n % 1000000u);
    } else {
        const std::uint64_t n64 = static_cast<std::uint64_t>(n);
        ip = n64 / 1000000u;
        fp = n64 % 1000000u;
    }
    o = put_uint(o, ip);
    *o++ = '.';
    const unsigned f = static_cast<unsigned>(fp);
    o = put2(o, f / 10000);
    o = put2(o, f / 100 % 100);
    o = put2(o, f % 100);
    return o;
}
