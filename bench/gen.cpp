// Deterministic workload generator: a recorder file of ROWS lines of NCH
// channels sampled at 5 kHz, values in fixed ("fixed") or scientific ("sci")
// notation.
//   gen ROWS NCH fixed|sci > file
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <random>

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: gen ROWS NCH fixed|sci\n");
        return 2;
    }
    const long rows = std::atol(argv[1]);
    const int nch = std::atoi(argv[2]);
    const bool sci = std::strcmp(argv[3], "sci") == 0;
    std::mt19937_64 rng(20030102);
    std::normal_distribution<double> noise(0.0, 0.02);
    static char buf[1 << 16];
    std::setvbuf(stdout, buf, _IOFBF, sizeof buf);
    std::printf("synthetic bench record, %d channels, 5000 samples/s\n", nch);
    for (long r = 0; r < rows; ++r) {
        const double t = r / 5000.0;
        std::printf("+%02ld:%02ld:%09.6f %.1f", (long)(t / 3600) % 24, (long)(t / 60) % 60, t - 60 * (long)(t / 60),
                    r * 0.2);
        for (int k = 0; k < nch; ++k) {
            double v = 0.4 * std::sin(0.001 * r * (k + 1)) + noise(rng);
            std::printf(sci ? " %.6e" : " %.6f", v);
        }
        std::putchar('\n');
    }
    return 0;
}
