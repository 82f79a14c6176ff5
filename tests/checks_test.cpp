// What the program reports about the recording it converts: the time base
// and the channel summary, on generated recordings, against an independent
// reading of the files it wrote.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "testutil.h"

using namespace testutil;

namespace {

// The summary's line for channel k, split into words.
std::vector<std::string> summary_of(const std::string &transcript, int k) {
    const std::size_t at = transcript.find("Channel summary");
    EXPECT_NE(at, std::string::npos);
    std::istringstream s(transcript.substr(at));
    std::string line;
    std::getline(s, line);
    std::getline(s, line);
    while (std::getline(s, line)) {
        std::istringstream w(line);
        std::vector<std::string> words;
        for (std::string x; w >> x;) words.push_back(x);
        if (!words.empty() && words[0] == std::to_string(k)) return words;
    }
    ADD_FAILURE() << "no summary line for channel " << k;
    return {};
}

std::string lf(double x) {
    char b[400];
    std::snprintf(b, sizeof b, "%lf", x);
    return b;
}

// Writes a one-channel recording at 1 kHz.
void write_recording(const fs::path &p, long rows, double (*signal)(long), const char *fmt) {
    std::FILE *f = std::fopen(p.c_str(), "w");
    std::fprintf(f, "generated\n");
    for (long r = 0; r < rows; ++r) {
        std::fprintf(f, "+0:0:%ld.%03ld %ld", r / 1000, r % 1000, r);
        std::fputc(' ', f);
        std::fprintf(f, fmt, signal(r));
        std::fputc('\n', f);
    }
    std::fclose(f);
}

double clipped_sine(long r) { return std::clamp(std::sin(2 * M_PI * r / 50.0), -0.8, 0.8); }
double fast_sine(long r) { return 0.4 * std::sin(2 * M_PI * r / 20.0 + 0.3); }
double slow_sine(long r) { return 0.4 * std::sin(2 * M_PI * r / 10000.0); }
double noise(long r) {
    static std::mt19937_64 rng(5);
    static std::normal_distribution<double> d(0, 0.1);
    (void)r;
    return d(rng);
}
// A quiet record with one shock pulse that overdrives the amplifier: the
// top of the half sine is cut at 2.0 for a few samples.
double clipped_shock(long r) {
    static std::mt19937_64 rng(9);
    static std::uniform_real_distribution<double> d(-0.01, 0.01);
    const long start = 12345, len = 40;
    const double q = d(rng);
    if (r < start || r >= start + len) return q;
    return std::min(3.0 * std::sin(M_PI * (r - start) / len) + q, 2.0);
}

TEST(Checks, ClippedChannelsAreMarkedAndCleanOnesAreNot) {
    struct {
        double (*signal)(long);
        const char *fmt;
        bool clipped;
        const char *what;
    } channels[] = {
        {clipped_sine, "%.6f", true, "a sine held at its rails for several samples a cycle"},
        {fast_sine, "%.6f", false, "a clean sine, 20 samples a cycle"},
        {slow_sine, "%.6f", false, "a clean sine, 10,000 samples a cycle: its peaks repeat their top value"},
        {slow_sine, "%.3f", false, "the same written with three decimals: longer runs at the top"},
        {noise, "%.6f", false, "random noise"},
        {clipped_shock, "%.6f", true, "one shock pulse cut flat at its top"},
    };
    const fs::path work = fresh_scratch("clipping");
    for (std::size_t k = 0; k < std::size(channels); ++k) {
        SCOPED_TRACE(channels[k].what);
        write_recording(work / "rec.txt", 30000, channels[k].signal, channels[k].fmt);
        spit(work / "answers", "rec.txt acc 1 1 1 1\n");
        ASSERT_EQ(run_tarnvel(work, work / "answers", work / "stdout"), 0);
        const auto words = summary_of(slurp(work / "stdout"), 1);
        ASSERT_GE(words.size(), 7u);
        const bool marked = words.size() == 8 && words[7] == "clipped";
        EXPECT_EQ(marked, channels[k].clipped) << slurp(work / "stdout");
    }
}

TEST(Checks, TheBundledExampleHasNoWarnings) {
    const fs::path work = fresh_scratch("example");
    fs::copy(fs::path(EXAMPLES_DIR) / "shaker.txt", work / "shaker.txt");
    ASSERT_EQ(run_tarnvel(work, fs::path(EXAMPLES_DIR) / "shaker.answers", work / "stdout"), 0);
    const std::string t = slurp(work / "stdout");
    EXPECT_EQ(t.find("Warning"), std::string::npos) << t;
    EXPECT_EQ(t.find("clipped"), std::string::npos) << t;
    EXPECT_EQ(t.find("flat"), std::string::npos) << t;
}

// The summary against the written files themselves: extremes, the first
// time each occurs, mean and RMS, worked out again from the text of the
// files, across several batches and with short lines among the records.
TEST(Checks, SummaryMatchesTheWrittenFiles) {
    const fs::path work = fresh_scratch("summary");
    std::mt19937_64 rng(11);
    std::string rec = "header\n";
    const long rows = 30011;
    char b[200];
    for (long r = 0; r < rows; ++r) {
        if (rng() % 997 == 0) {
            rec += "dropout\n";
            continue;
        }
        // Values that stay distinct once scaled and written with six decimals.
        std::snprintf(b, sizeof b, "+1:2:%ld.%03ld %ld %.4f %.5f %d\n", r / 1000, r % 1000, r,
                      static_cast<double>(static_cast<long>(rng() % 20001) - 10000) / 1e4,
                      std::sin(r * 0.01) * 3 + 50.0, static_cast<int>(rng() % 7) - 3);
        rec += b;
    }
    spit(work / "rec.txt", rec);
    spit(work / "answers", "rec.txt out 3 1 1 9.80665 -0.5 1e-3\n");
    ASSERT_EQ(run_tarnvel(work, work / "answers", work / "stdout"), 0);
    const std::string t = slurp(work / "stdout");
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE("channel " + std::to_string(k));
        std::ifstream f(work / ("out." + std::to_string(k)));
        std::string ts, vs, tmin, tmax, smin, smax;
        double vmin = INFINITY, vmax = -INFINITY;
        long double sum = 0, sq = 0;
        long n = 0;
        while (f >> ts >> vs) {
            const double v = std::strtod(vs.c_str(), nullptr);
            if (v < vmin) vmin = v, smin = vs, tmin = ts;
            if (v > vmax) vmax = v, smax = vs, tmax = ts;
            sum += v;
            sq += static_cast<long double>(v) * v;
            ++n;
        }
        ASSERT_EQ(n, rows);
        const auto w = summary_of(t, k);
        ASSERT_GE(w.size(), 7u);
        EXPECT_EQ(w[1], smin);
        EXPECT_EQ(w[2], tmin);
        EXPECT_EQ(w[3], smax);
        EXPECT_EQ(w[4], tmax);
        // The files hold the values rounded to six decimals: the mean and RMS
        // of those agree with tarnvel's to within that rounding.
        EXPECT_NEAR(std::strtod(w[5].c_str(), nullptr), static_cast<double>(sum / n), 1.5e-6);
        EXPECT_NEAR(std::strtod(w[6].c_str(), nullptr), static_cast<double>(std::sqrt(sq / n)), 1.5e-6);
    }
}

// Two blocks and one row: samples dropped in the second block are found
// there, and the extremes are those of the whole run.
TEST(Checks, HoldAcrossBlocks) {
    const fs::path work = fresh_scratch("gap");
    {
        std::FILE *f = std::fopen((work / "ramp.txt").c_str(), "w");
        std::fprintf(f, "header\n");
        for (long r = 0, ms = 0; r < 2000001; ++r, ++ms) {
            if (r == 1500000) ms += 3;  // three samples lost
            std::fprintf(f, "+0:0:0 %ld %.6f\n", ms, (r % 1000) / 1000.0 - (r == 1700000 ? 5.0 : 0.0));
        }
        std::fclose(f);
    }
    spit(work / "answers", "ramp.txt ramp 1 1 1 2\n");
    ASSERT_EQ(run_tarnvel(work, work / "answers", work / "stdout"), 0);
    const std::string t = slurp(work / "stdout");
    EXPECT_NE(t.find(" Warning:  1 step between stamps differs from the sample interval of 1.000000 ms by more than"
                     " half of it;\n the first is at line 1500002 of ramp.txt: 4.000000 ms where 1.000000 ms was"
                     " expected."),
              std::string::npos)
        << t;
    EXPECT_NE(t.find("the stamps advance 2000.003000 s, the time column 2000.000000 s."), std::string::npos) << t;
    const auto w = summary_of(t, 1);
    ASSERT_GE(w.size(), 7u);
    EXPECT_EQ(w[1], lf(2 * -5.0));      // row 1,700,000, in the second block
    EXPECT_EQ(w[2], lf(1700000 * 0.001));
    EXPECT_EQ(w[3], lf(2 * 0.999));     // first at row 999
    EXPECT_EQ(w[4], lf(0.999));
    fs::remove_all(work);
}

}  // namespace
