// ns per number: tarnvel's reader and printer against the C library.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "numio.h"

namespace {

std::vector<std::string> tokens(const char *fmt) {
    std::mt19937_64 rng(1);
    std::normal_distribution<double> d(0, 0.3);
    std::vector<std::string> v;
    char b[64];
    for (int i = 0; i < 4096; ++i) {
        std::snprintf(b, sizeof b, fmt, d(rng));
        v.push_back(b);
    }
    return v;
}

std::vector<double> values() {
    std::mt19937_64 rng(2);
    std::normal_distribution<double> d(0, 3);
    std::vector<double> v(4096);
    for (double &x : v) x = d(rng);
    return v;
}

void BM_scan_lf(benchmark::State &st, const char *fmt) {
    auto t = tokens(fmt);
    std::size_t i = 0;
    for (auto _ : st) {
        double v;
        const char *e;
        scan_lf(t[i++ & 4095].c_str(), &v, &e);
        benchmark::DoNotOptimize(v);
    }
}
void BM_strtod(benchmark::State &st, const char *fmt) {
    auto t = tokens(fmt);
    std::size_t i = 0;
    for (auto _ : st) benchmark::DoNotOptimize(std::strtod(t[i++ & 4095].c_str(), nullptr));
}
void BM_sscanf(benchmark::State &st, const char *fmt) {
    auto t = tokens(fmt);
    std::size_t i = 0;
    for (auto _ : st) {
        double v;
        std::sscanf(t[i++ & 4095].c_str(), "%lf", &v);
        benchmark::DoNotOptimize(v);
    }
}
void BM_format_lf(benchmark::State &st) {
    auto v = values();
    std::size_t i = 0;
    char b[FORMAT_LF_MAX];
    for (auto _ : st) {
        benchmark::DoNotOptimize(format_lf(b, v[i++ & 4095]));
        benchmark::ClobberMemory();
    }
}
void BM_snprintf(benchmark::State &st) {
    auto v = values();
    std::size_t i = 0;
    char b[FORMAT_LF_MAX];
    for (auto _ : st) {
        benchmark::DoNotOptimize(std::snprintf(b, sizeof b, "%lf", v[i++ & 4095]));
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(BM_scan_lf, fixed, "%.6f");
BENCHMARK_CAPTURE(BM_strtod, fixed, "%.6f");
BENCHMARK_CAPTURE(BM_sscanf, fixed, "%.6f");
BENCHMARK_CAPTURE(BM_scan_lf, sci, "%.6e");
BENCHMARK_CAPTURE(BM_strtod, sci, "%.6e");
BENCHMARK_CAPTURE(BM_sscanf, sci, "%.6e");
BENCHMARK(BM_format_lf);
BENCHMARK(BM_snprintf);

}  // namespace

BENCHMARK_MAIN();
