// The number conversions on another system, against glibc's answers.
//   numio_golden write FILE   (on Linux) records what glibc's sscanf("%lf"),
//                             fscanf("%ld") and snprintf("%lf") give for a
//                             fixed set of tokens and doubles
//   numio_golden check FILE   (anywhere) checks tarnvel's own conversions
//                             against that record: the Windows build under
//                             wine must give glibc's results, whatever its
//                             own C library does.
// Ends with "N passed, N failed".
#include <cinttypes>
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


// The tokens: odd and boundary forms, then random ones of every shape.
std::vector<std::string> tokens() {
    std::vector<std::string> t = {
        "0", "-0", "+0", "0.0", "-0.0", "5.", ".5", "+.5", "-.5", "-0.012345", "+1.5", "00012", "1e5", "1E+05",
        "-1.234567e-03", "1.5e-300", "123456789012345678901234567890",
        "0.1000000000000000055511151231257827021181583404541015625", "0.0078125", "4.37146941", "1e308", "1e309",
        "-1e309", "1e-400", "4.9406564584124654e-324", "2.4703282292062327e-324", "2.4703282292062328e-324",
        "2.2250738585072011e-308", "1.7976931348623157e308", "1.7976931348623159e308", "9007199254740993",
        "9007199254740992.5", "1e", "1e+", "1ex", "1.2.3", "0x", "0x1p-1074", "0X1.8P3", "-0x.8p1", "inf", "-inf",
        "infinity", "infx", "nan", "-nan", "nan(123)", "na", "", " ", "+", "-", ".", "9,81", "abc", "  \t-1.5",
        "1.5\r", "1.5:", std::string(400, '9') + ".5e-500", "0." + std::string(300, '0') + "1"};
    std::mt19937_64 rng(2026);
    char b[64];
    for (int i = 0; i < 20000; ++i) {
        switch (i % 4) {
        case 0: std::snprintf(b, sizeof b, "%.17g", from_bits(rng())); break;
        case 1: std::snprintf(b, sizeof b, "%.*f", static_cast<int>(rng() % 12), std::ldexp(double(rng() % 100000000), -int(rng() % 30))); break;
        case 2: std::snprintf(b, sizeof b, "%.*e", static_cast<int>(rng() % 20), std::ldexp(double(rng() % 1000000), int(rng() % 2000) - 1000)); break;
        default: std::snprintf(b, sizeof b, "%.*g", static_cast<int>(1 + rng() % 25), from_bits(rng())); break;
        }
        t.push_back(b);
    }
    return t;
}

std::vector<double> doubles() {
    std::vector<double> d = {0.0, -0.0, 0.5e-6, 1.5e-6, 2.5e-6, -2.5e-6, 0.0000005, 9.2233720368547758e18,
                             1e300, -1.7976931348623157e308, 4.9e-324, 123456.0000005, INFINITY, -INFINITY,
                             std::nan(""), -std::nan("")};
    std::mt19937_64 rng(2027);
    for (int i = 0; i < 20000; ++i)
        d.push_back(i % 2 ? from_bits(rng()) : std::ldexp(double(rng() % 2000001) - 1000000.0, -int(rng() % 40)));
    return d;
}

std::vector<std::string> answers() {
    return {"5", "-7", "+3", "4294967298", "-4294967298", "9223372036854775807", "9223372036854775808",
            "99999999999999999999", "-99999999999999999999", "  12x", "x", "-", "+-2", "007"};
}

// read_long on a text, through a temporary file: ok, value, where it stopped.
std::string long_result(const std::string &text) {
    std::FILE *f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    std::int64_t v = 12345;
    const bool ok = read_long(f, v);
    char b[96];
    std::snprintf(b, sizeof b, "%d %" PRId64 " %ld", ok, v, std::ftell(f));
    std::fclose(f);
    return b;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: numio_golden write|check FILE\n");
        return 2;
    }
    const bool write = std::strcmp(argv[1], "write") == 0;
    std::FILE *f = std::fopen(argv[2], write ? "w" : "r");
    if (!f) return 2;
    long passed = 0, failed = 0;
    auto expect = [&](const std::string &what, const std::string &mine, const std::string &ref) {
        if (mine == ref) {
            ++passed;
        } else if (failed++ < 20) {
            std::printf("%s: %s, glibc %s\n", what.c_str(), mine.c_str(), ref.c_str());
        }
    };
    char line[4096];
    auto next = [&] { return std::fgets(line, sizeof line, f) ? std::string(line, std::strcspn(line, "\n")) : std::string(); };

    for (const std::string &t : tokens()) {
        char b[96];
        if (write) {
            double x = from_bits(0x7ff4deadbeef0001ull);
            int n = -1;
            const int rc = std::sscanf(t.c_str(), "%lf%n", &x, &n);
            std::fprintf(f, "%d %d %016" PRIx64 "\n", rc == EOF ? -1 : rc, rc == 1 ? n : -1, bits_of(x));
            continue;
        }
        double x = from_bits(0x7ff4deadbeef0001ull);
        const char *end = nullptr;
        const int rc = scan_lf(t.c_str(), &x, &end);
        std::snprintf(b, sizeof b, "%d %d %016" PRIx64, rc, rc == 1 ? int(end - t.c_str()) : -1, bits_of(x));
        expect("scan [" + t + "]", b, next());
    }
    for (double d : doubles()) {
        char b[FORMAT_LF_MAX + 8];
        if (write) {
            std::snprintf(b, sizeof b, "%lf", d);
            std::fprintf(f, "%s\n", b);
            continue;
        }
        *format_lf(b, d) = '\0';
        char w[40];
        std::snprintf(w, sizeof w, "print %016" PRIx64, bits_of(d));
        expect(w, b, next());
    }
    for (const std::string &a : answers()) {
        if (write) {
            std::FILE *t = std::tmpfile();
            std::fputs(a.c_str(), t);
            std::rewind(t);
            long v = 12345;
            const int rc = std::fscanf(t, "%ld", &v);
            std::fprintf(f, "%d %ld %ld\n", rc == 1, v, std::ftell(t));
            std::fclose(t);
            continue;
        }
        expect("answer [" + a + "]", long_result(a), next());
    }
    std::fclose(f);
    if (write) return 0;
    std::printf("numbers: %ld passed, %ld failed\n", passed, failed);
    return failed ? 1 : 0;
}
