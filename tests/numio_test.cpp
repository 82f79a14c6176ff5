// The number conversions and the record matcher against the C library:
// same return values, same characters consumed, same bits stored, same text.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "answers.h"
#include "bits.h"
#include "numio.h"
#include "record.h"

namespace {

const double kUntouched = from_bits(0x7ff4deadbeef0001ull);  // a NaN no conversion makes

std::string hex(double x) {
    char b[40];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(bits_of(x)));
    return b;
}

// ---- scan_lf / scan_d against sscanf ----------------------------------

void expect_scan_like_libc(const std::string &s) {
    double ref = kUntouched, got = kUntouched;
    int n = -1;
    int rc = std::sscanf(s.c_str(), "%lf%n", &ref, &n);
    const char *end = nullptr;
    int mine = scan_lf(s.c_str(), &got, &end);
    ASSERT_EQ(mine, rc == EOF ? -1 : rc) << "token [" << s << "]";
    EXPECT_EQ(bits_of(got), bits_of(ref)) << "token [" << s << "] " << hex(got) << " vs " << hex(ref);
    if (rc == 1) {
        EXPECT_EQ(end - s.c_str(), n) << "token [" << s << "]";
    }
}

void expect_scan_d_like_libc(const std::string &s) {
    int ref = 0, n = -1;
    int rc = std::sscanf(s.c_str(), "%d%n", &ref, &n);
    const char *end = nullptr;
    int mine = scan_d(s.c_str(), &end);
    ASSERT_EQ(mine, rc == EOF ? -1 : rc) << "token [" << s << "]";
    if (rc == 1) {
        EXPECT_EQ(end - s.c_str(), n) << "token [" << s << "]";
    }
}

const char *kTokens[] = {
    // plain forms of the fast path
    "0", "-0", "+0", "0.0", "-0.0", "5.", ".5", "+.5", "-.5", "-0.012345", "+1.5", "00012", "1e5",
    "1E+05", "-1.234567e-03", "1.5e-300", "123456789012345678901234567890",
    "0.1000000000000000055511151231257827021181583404541015625", "0.0078125",
    // range limits: overflow, underflow, subnormals, the rounding edges around them
    "1e308", "1e309", "-1e309", "1e-400", "-1e-400", "4.9406564584124654e-324",
    "2.4703282292062327e-324", "2.4703282292062328e-324", "2.2250738585072011e-308",
    "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623158e308",
    "1.7976931348623159e308", "9007199254740993", "9007199254740992.5",
    // forms the C library handles
    "1e", "1e+", "1e-", "1ex", "1.5e5x", "1.2.3", "1e5.3", "0x", "0X", "0x1p", "0x1p-1074", "0X1.8P3",
    "-0x.8p1", "0xg", "inf", "-inf", "+INF", "infinity", "Infinity", "infinite", "infx", "in", "nan",
    "-nan", "NAN", "nan(123)", "na", "n", "i",
    // not numbers
    "", " ", "\t", "+", "-", ".", "-.", "+-1", "e5", ".e5", "9,81", ",5", "abc", "\r", "x1",
    // blanks before, junk after
    "  \t-1.5", "\v\f\r 2", "1.5\r", "1.5,", "1.5:", "1.5+", "1.5-2", "7\0008",
};

TEST(ScanLf, MatchesLibcOnBoundaryAndOddTokens) {
    for (const char *t : kTokens) expect_scan_like_libc(t);
    expect_scan_like_libc(std::string(800, '9') + ".5e-500");
    expect_scan_like_libc("0." + std::string(400, '0') + "1");
}

TEST(ScanLf, MatchesLibcOnRandomTokens) {
    std::mt19937_64 rng(12345);
    const std::string alphabet = "0123456789012345678901234567890123456789..eE+-xXpPinfatyINF ,\t\r";
    char buf[64];
    for (int i = 0; i < 200000 * SWEEP; ++i) {
        std::string s;
        switch (rng() % 4) {
        case 0: {  // random junk from the number alphabet
            int len = static_cast<int>(rng() % 12);
            for (int k = 0; k < len; ++k) s += alphabet[rng() % alphabet.size()];
            break;
        }
        case 1: {  // any double, printed round-trip or in hex
            double x = from_bits(rng());
            std::snprintf(buf, sizeof buf, (rng() & 1) ? "%.17g" : "%a", x);
            s = buf;
            break;
        }
        case 2: {  // fixed notation as recorders write it
            std::uniform_real_distribution<double> d(-10, 10);
            std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(rng() % 10), d(rng));
            s = buf;
            break;
        }
        default: {  // scientific, with exponents across the whole range
            std::snprintf(buf, sizeof buf, "%.*e", static_cast<int>(rng() % 20),
                          std::ldexp(static_cast<double>(rng() % 1000000), static_cast<int>(rng() % 2200) - 1100));
            s = buf;
            break;
        }
        }
        expect_scan_like_libc(s);
        if (HasFatalFailure()) return;
    }
}

TEST(ScanD, MatchesLibc) {
    for (const char *t : {"0", "-1", "+12", "  7:", "\t-0x5", "+", "-", "+-3", "", " ", "a", "99999999999999999999",
                          "12.5", "1e3"})
        expect_scan_d_like_libc(t);
}

// ---- format_lf against snprintf ---------------------------------------

void expect_format_like_libc(double x) {
    char ref[400], got[400];
    int n = std::snprintf(ref, sizeof ref, "%lf", x);
    char *e = format_lf(got, x);
    ASSERT_EQ(std::string(got, e), std::string(ref, n)) << "bits " << hex(x);
}

TEST(FormatLf, MatchesLibcOnBoundaries) {
    std::vector<double> xs = {0.0, -0.0, 1.0, -1.0, 0.5, 1e-6, 5e-7, -5e-7, 4.9999999999999998e-7,
                              -1e-9, -1e-300, DBL_MIN, -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, DBL_MAX, -DBL_MAX,
                              INFINITY, -INFINITY, NAN, -NAN, 0.0015, -2.5, 0.0078125, 0.0234375, 1.8446744073709552e13,
                              9.2233720368547758e18, 9007199254740993.0, 123456.1234565, 999999.9999995};
    // Around the edges of the fast paths: 2^63, the 64-bit product limit, and
    // the binades where the plain 64-bit shift starts and stops (2^44, 2^-11).
    for (double edge : {std::ldexp(1.0, 63), std::ldexp(1.0, 64) / 1e6, 1e6, 0.5e-6, std::ldexp(1.0, 44),
                        std::ldexp(1.0, 43), std::ldexp(1.0, -10), std::ldexp(1.0, -11), std::ldexp(1.0, -12)}) {
        xs.push_back(edge);
        xs.push_back(std::nextafter(edge, 0));
        xs.push_back(std::nextafter(edge, INFINITY));
    }
    // Exact ties of the sixth decimal are the odd multiples of 2^-7; pin both
    // sides of each, too.
    for (int m = -4001; m <= 4001; m += 2) {
        double t = m / 128.0;
        xs.push_back(t);
        xs.push_back(std::nextafter(t, -INFINITY));
        xs.push_back(std::nextafter(t, INFINITY));
    }
    for (double x : xs) expect_format_like_libc(x);
}

TEST(FormatLf, MatchesLibcOnRandomDoubles) {
    std::mt19937_64 rng(777);
    for (int i = 0; i < 1000000 * SWEEP; ++i) {
        double x;
        switch (rng() % 3) {
        case 0: x = from_bits(rng()); break;                                   // every exponent
        case 1: x = std::ldexp(static_cast<double>(rng() >> 11), -static_cast<int>(rng() % 80)); break;  // small values
        default: x = static_cast<double>(static_cast<std::int64_t>(rng() % 2000001) - 1000000) / 1e6; break;  // recorder data
        }
        if (rng() & 1) x = -x;
        expect_format_like_libc(x);
        if (HasFatalFailure()) return;
    }
}

// ---- match_record against sscanf with the record format ---------------

std::string record_format(int nval) {
    std::string f = "+%d:%d:%lf";
    for (int k = 0; k < nval; ++k) f += " %lf";
    return f + " \n";
}

void expect_record_like_libc(const std::string &line, int nval) {
    double ref[MAX_FIELDS + 3], got[MAX_FIELDS];
    for (double &d : ref) d = kUntouched;
    for (double &d : got) d = kUntouched;
    int h, m;
    double sec;
    double *r = ref;
    int rc = std::sscanf(line.c_str(), record_format(nval).c_str(), &h, &m, &sec, r, r + 1, r + 2, r + 3, r + 4,
                         r + 5, r + 6, r + 7, r + 8, r + 9, r + 10, r + 11, r + 12, r + 13, r + 14, r + 15, r + 16,
                         r + 17, r + 18, r + 19, r + 20);
    int mine = match_record(line.c_str(), nval, got);
    ASSERT_EQ(mine, rc) << "line [" << line << "] nval " << nval;
    for (int k = 0; k < nval; ++k)
        ASSERT_EQ(bits_of(got[k]), bits_of(ref[k])) << "line [" << line << "] field " << k;
}

TEST(MatchRecord, MatchesLibcOnTypicalAndBrokenLines) {
    const char *lines[] = {
        "+12:30:05.25 250 0.0123 -0.0456", "+12:30:05.25\t250\t0.0123\t-0.0456\r\n", "+0:0:0 1 2 3 4 5 6 7",
        "+12:30:05.25 250 0.0123", "12:30:05.25 250 0.0123 -0.0456", " +12:30:05.25 250 1 2", "", "\n", "+",
        "+ ", "+-", "+12", "+12:", "+12 :30:5 1 2", "+12: 30: 5 1 2", "+1:2:3", "+1:2:3 ", "+1:2:x 1 2",
        "+1:2:3 4 abc 5", "+1:2:3 4 1e 5", "+1:2:3 4 0x1p3 inf nan", "+1:2:3 4 1,5 2", "+1:2:3.4.5 6 7",
        "+99999999999:2:3 4 5 6", "+1:2:3 4 5 6 7 8 9 extra columns", "+1:2:3\v4\f5\r6",
    };
    for (const char *l : lines)
        for (int nval : {1, 2, 3, 5, 21}) expect_record_like_libc(l, nval);
}

TEST(MatchRecord, MatchesLibcOnRandomLines) {
    std::mt19937_64 rng(4242);
    const char *seps[] = {" ", "\t", "  ", " \t", "\r", ""};
    const char *vals[] = {"0.0123", "-1.234567e-03", "5", "1e", "abc", "inf", "-nan", "0x1.8p1", ".", "+.5", "9,81", "-0"};
    char buf[48];
    for (int i = 0; i < 20000 * SWEEP; ++i) {
        std::string l = (rng() % 10) ? "+" : "";
        l += std::to_string(rng() % 24) + ":" + std::to_string(rng() % 60) + ":";
        std::snprintf(buf, sizeof buf, "%.3f", (rng() % 60000) / 1000.0);
        l += buf;
        int nfield = static_cast<int>(rng() % 23);
        for (int k = 0; k < nfield; ++k) {
            l += seps[rng() % 6];
            if (rng() % 8) {
                std::snprintf(buf, sizeof buf, (rng() & 1) ? "%.6f" : "%.6e", ((int)(rng() % 2000001) - 1000000) / 1e6);
                l += buf;
            } else {
                l += vals[rng() % 12];
            }
        }
        if (rng() % 2) l += "\r\n";
        expect_record_like_libc(l, 1 + static_cast<int>(rng() % MAX_FIELDS));
        if (HasFatalFailure()) return;
    }
}

// ---- Answers: read_long against fscanf("%ld") on the same bytes ---------

void expect_read_long_like_libc(const std::string &text) {
    std::string a = text, b = text;  // fmemopen wants writable buffers
    std::FILE *fa = fmemopen(a.data(), a.size() ? a.size() : 1, "r");
    std::FILE *fb = fmemopen(b.data(), b.size() ? b.size() : 1, "r");
    if (text.empty()) {
        std::fgetc(fa);
        std::fgetc(fb);
    }
    long ref = 12345, got = 12345;
    const int rc = std::fscanf(fa, "%ld", &ref);
    const bool ok = read_long(fb, got);
    EXPECT_EQ(ok, rc == 1) << "[" << text << "]";
    EXPECT_EQ(got, ref) << "[" << text << "]";
    EXPECT_EQ(std::ftell(fb), std::ftell(fa)) << "[" << text << "] stops elsewhere";
    // what is left is the same for the next question
    EXPECT_EQ(std::fgetc(fb), std::fgetc(fa)) << "[" << text << "]";
    std::fclose(fa);
    std::fclose(fb);
}

TEST(Answers, ReadLongMatchesLibc) {
    for (const char *t : {"20", "  7\n", "-3 x", "+4", "0021", "abc", "-x", "+-1", "- 1", "", " ", "12abc", "1.5",
                          "9223372036854775807", "9223372036854775808", "-9223372036854775808",
                          "-9223372036854775809", "99999999999999999999999", "4294967298", "\t\n\v\f\r5"})
        expect_read_long_like_libc(t);
    std::mt19937_64 rng(99);
    const std::string alphabet = "0123456789+- \tx.";
    for (int i = 0; i < 20000 * SWEEP; ++i) {
        std::string t;
        const int len = static_cast<int>(rng() % 25);
        for (int k = 0; k < len; ++k) t += alphabet[rng() % alphabet.size()];
        expect_read_long_like_libc(t);
        if (HasFailure()) return;
    }
}

TEST(Answers, RealsMustBeWholeNumbers) {
    struct {
        const char *word;
        bool ok;
        double value;
    } cases[] = {{"9.81", true, 9.81}, {"-2", true, -2}, {"1e3", true, 1000}, {"+.5", true, 0.5}, {"0x10", true, 16},
                 {"9,81", false, 0}, {"abc", false, 0}, {"1e", false, 0}, {"1.5x", false, 0}, {"", false, 0},
                 {"nan(1)", false, 0}};
    for (const auto &c : cases) {
        double v = -1;
        EXPECT_EQ(parse_real(c.word, v), c.ok) << c.word;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.word;
        }
    }
}

}  // namespace
