// The out-of-line parts of the number conversions: the C library for the
// forms the inline fast paths leave to it, and the digit table.
#include "numio.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace numio_detail {

// "00" "01" ... "99"
const char kDigits2[201] =
    "0001020304050607080910111213141516171819"
    "2021222324252627282930313233343536373839"
    "4041424344454647484950515253545556575859"
    "6061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char *put_uint(char *p, std::uint64_t v) {
    if (v < 10) {
        *p = static_cast<char>('0' + v);
        return p + 1;
    }
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
    const std::size_t n = static_cast<std::size_t>(tmp + sizeof tmp - t);
    std::memcpy(p, t, n);
    return p + n;
}

// scanf says how much of the text is the number; its value is strtod's of
// exactly those characters, as glibc's scanf works it out (some C
// libraries' scanf rounds worse than their strtod).
int scan_lf_libc(const char *p, double *v, const char **end) {
    double x;
    int n = 0;
    const int rc = std::sscanf(p, "%lf%n", &x, &n);
    if (rc == 1) {
        const std::string token(p, static_cast<std::size_t>(n));
        *v = std::strtod(token.c_str(), nullptr);
        *end = p + n;
        return 1;
    }
    return rc == EOF ? -1 : 0;
}

// Infinities and NaNs as glibc prints them, sign included; the rest (huge
// numbers) by the C library.
char *format_lf_libc(char *out, double x) {
    if (std::isnan(x) || std::isinf(x)) {
        const char *t = std::isnan(x) ? (std::signbit(x) ? "-nan" : "nan") : (x < 0 ? "-inf" : "inf");
        const std::size_t n = std::strlen(t);
        std::memcpy(out, t, n);
        return out + n;
    }
    char buf[FORMAT_LF_MAX + 8];
    const int n = std::snprintf(buf, sizeof buf, "%lf", x);
    std::memcpy(out, buf, static_cast<std::size_t>(n));
    return out + n;
}

}  // namespace numio_detail
