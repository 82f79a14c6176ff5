// The program end to end: run in a scratch folder with prepared answers on
// standard input and no controlling terminal (so the key wait returns at
// once), then compare the transcript, the exit status and the files.
//
// Each folder under cases/ is one case:
//   answers            what is typed, fed to standard input
//   args               optional: command-line arguments, one a line
//   files/             copied into the scratch folder first (the inputs)
//   setup              optional shell script run in the scratch folder next
//   expected/stdout    the whole transcript, byte for byte
//   expected/status    the exit status
//   expected/files/    every file the run must leave, byte for byte; a run
//                      may create no other file, and inputs stay untouched
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ring.h"
#include "testutil.h"

using namespace testutil;

namespace fs = std::filesystem;

namespace {

std::set<std::string> names_in(const fs::path &dir) {
    std::set<std::string> s;
    for (const auto &e : fs::recursive_directory_iterator(dir)) s.insert(fs::relative(e.path(), dir).string());
    return s;
}

void check_case(const fs::path &c) {
    const std::string name = c.filename().string();
    const fs::path work = fresh_scratch(name) / "run";
    fs::create_directories(work);
    if (fs::exists(c / "files")) fs::copy(c / "files", work, fs::copy_options::recursive);
    if (fs::exists(c / "setup")) {
        std::string cmd = "cd '" + work.string() + "' && bash '" + (c / "setup").string() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << "setup of " << name;
    }
    const std::set<std::string> before = names_in(work);
    const fs::path out = work.parent_path() / "stdout";

    // args: the command-line arguments, one a line.
    run_options o;
    std::istringstream args(slurp(c / "args"));
    for (std::string a; std::getline(args, a);) o.args.push_back(a);
    const int status = run_tarnvel(work, c / "answers", out, o);

    EXPECT_EQ(slurp(out), slurp(c / "expected" / "stdout")) << "transcript";
    EXPECT_EQ(std::to_string(status) + "\n", slurp(c / "expected" / "status")) << "exit status";

    std::set<std::string> expected;
    const fs::path ef = c / "expected" / "files";
    if (fs::exists(ef)) {
        for (const auto &e : fs::recursive_directory_iterator(ef)) {
            if (!e.is_regular_file()) continue;
            const std::string rel = fs::relative(e.path(), ef).string();
            expected.insert(rel);
            ASSERT_TRUE(fs::exists(work / rel)) << rel << " missing";
            EXPECT_EQ(slurp(work / rel), slurp(e.path())) << rel;
        }
    }
    for (const std::string &n : names_in(work)) {
        if (!before.count(n) && !expected.count(n)) ADD_FAILURE() << "unexpected file " << n;
        // Inputs the case does not expect to change are as they were.
        const fs::path orig = c / "files" / n;
        if (!expected.count(n) && fs::is_regular_file(orig) && !fs::is_symlink(work / n)) {
            EXPECT_EQ(slurp(work / n), slurp(orig)) << n << " changed";
        }
    }
}

TEST(EndToEnd, CaseFolders) {
    std::vector<fs::path> cases;
    for (const auto &e : fs::directory_iterator(CASES_DIR))
        if (e.is_directory()) cases.push_back(e.path());
    std::sort(cases.begin(), cases.end());
    ASSERT_FALSE(cases.empty());
    for (const fs::path &c : cases) {
        SCOPED_TRACE("case " + c.filename().string());
        check_case(c);
    }
}

// ---- Generated inputs: the block boundaries at one million rows ----------

// Writes `rows` data lines of one channel: stamp r ms, value r / 1e6 volts.
void write_ramp(const fs::path &p, long rows) {
    std::FILE *f = std::fopen(p.c_str(), "w");
    std::fprintf(f, "recorder header\n");
    for (long r = 0; r < rows; ++r) std::fprintf(f, "+0:0:%ld.%03ld %ld %.6f\n", r / 1000, r % 1000, r, r / 1e6);
    std::fclose(f);
}

std::string line_of(double t, double v) {
    char b[128];
    std::snprintf(b, sizeof b, " %lf %lf\n", t, v);
    return b;
}

std::string block_reports(const std::string &transcript) {
    std::string r;
    std::istringstream s(transcript);
    for (std::string l; std::getline(s, l);)
        if (l.find("imax =") != std::string::npos) r += l + "\n";
    return r;
}

// The channel file holds one line per row; time keeps rising across blocks.
void check_ramp_output(const fs::path &p, long rows) {
    std::ifstream f(p, std::ios::binary);
    std::string l;
    long n = 0;
    while (std::getline(f, l)) {
        if (n == 0 || n == rows - 1 || n % 999983 == 0 || n == 1000000 || n == 999999) {
            ASSERT_EQ(l + "\n", line_of(n * 0.001, 2.0 * ((double)n / 1e6))) << "row " << n;
        }
        ++n;
    }
    EXPECT_EQ(n, rows);
}

TEST(EndToEnd, BlockBoundaries) {
    struct {
        long rows;
        const char *reports;
    } cases[] = {
        {1000000,
         "   ic = 2   imax = 1000000    iflag = 0\n"
         "   ic = 2   imax = 0    iflag = 1\n"},
        {2000001,
         "   ic = 2   imax = 1000000    iflag = 0\n"
         "   ic = 2   imax = 1000000    iflag = 0\n"
         "   ic = 2   imax = 1    iflag = 1\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rows);
        fs::path work = fresh_scratch("rows" + std::to_string(c.rows));
        write_ramp(work / "ramp.txt", c.rows);
        spit(work / "answers", "ramp.txt ramp 1 1 1 2\n");
        ASSERT_EQ(run_tarnvel(work, work / "answers", work / "stdout"), 0);
        const std::string t = slurp(work / "stdout");
        EXPECT_EQ(block_reports(t), c.reports);
        EXPECT_EQ(t.find("Warning"), std::string::npos);
        EXPECT_NE(t.find("Program complete"), std::string::npos);
        check_ramp_output(work / "ramp.1", c.rows);
        fs::remove_all(work);
    }
}

// A file that is no text (no line feed in hundreds of megabytes) ends with a
// message, not with memory exhausted.
TEST(EndToEnd, LineWithoutEnd) {
    fs::path work = fresh_scratch("noend");
    {
        std::ofstream f(work / "blob.bin", std::ios::binary);
        const std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 300; ++i) f << chunk;
    }
    spit(work / "answers", "blob.bin out 1 0 1 1\n");
    EXPECT_EQ(run_tarnvel(work, work / "answers", work / "stdout"), 1);
    const std::string t = slurp(work / "stdout");
    EXPECT_NE(t.find("Error:  line 1 of blob.bin is longer than 256 MiB; is it a text file?"), std::string::npos) << t;
    EXPECT_EQ(t.find("Program complete"), std::string::npos);
    fs::remove_all(work);
}

// ---- Whole runs against the plain stdio conversion ----------------------

// A messy record: plain values, odd but valid tokens, short and junk lines,
// CRLF ends, blanks and tabs, and lines far longer than a recorder's.
std::string messy_record(int rows, int nch, unsigned seed, int junk_head = 0) {
    std::mt19937 rng(seed);
    const char *odd[] = {"0x1p-3", "inf", "-inf", "nan", "-nan", "1e", "1e+", "5.", "+.5", "-0", "-0.0000001",
                         "0.0078125", "1e300", "-1.7976931348623157e308", "4.9e-324", "9,81", "abc", "1.2.3",
                         "00012", "0.1000000000000000055511151231257827021181583404541015625"};
    std::string s = "a header line\n";
    char b[64];
    for (int r = 0; r < rows; ++r) {
        if (r < junk_head) {
            s += "no stamp yet\n";
            continue;
        }
        switch (rng() % 50) {
        case 0: s += "\n"; continue;
        case 1: s += "not a record\n"; continue;
        case 2: s += "+12:00:00\n"; continue;
        default: break;
        }
        std::snprintf(b, sizeof b, "+12:%lu:%lu.%lu %d", static_cast<unsigned long>(rng() % 60),
                      static_cast<unsigned long>(rng() % 60), static_cast<unsigned long>(rng() % 1000), r * 2);
        s += b;
        const int n = (rng() % 40 == 0) ? static_cast<int>(rng() % nch) : nch + static_cast<int>(rng() % 2);
        for (int k = 0; k < n; ++k) {
            s += (rng() % 5 == 0) ? "\t" : " ";
            if (rng() % 25 == 0) {
                s += odd[rng() % (sizeof odd / sizeof odd[0])];
            } else {
                std::snprintf(b, sizeof b, (rng() & 1) ? "%.6f" : "%.9e",
                              std::ldexp(static_cast<double>(static_cast<int>(rng() % 2000001) - 1000000), -20));
                s += b;
            }
            if (rng() % 200 == 0) s += std::string(400, ' ');
        }
        s += (rng() % 10 == 0) ? "\r\n" : "\n";
    }
    return s;
}

struct stdio_case {
    int rows, nch, izero;
    const char *scales;
    int junk_head = 0;  // lines without a record before the first
};

// Converts a messy record with tarnvel and with the plain stdio program;
// every channel file must be the same.
void expect_same_as_stdio(const stdio_case &c, unsigned seed) {
    SCOPED_TRACE(std::to_string(c.rows) + " rows, " + std::to_string(c.nch) + " channels");
    fs::path work = fresh_scratch("stdio" + std::to_string(c.nch) + "_" + std::to_string(c.rows));
    spit(work / "rec.txt", messy_record(c.rows, c.nch, seed, c.junk_head));
    const std::string common = std::to_string(c.nch) + " 1 " + std::to_string(c.izero) + " " + c.scales;
    spit(work / "answers", "rec.txt t " + common + "\n");
    ASSERT_EQ(run_tarnvel(work, work / "answers", work / "stdout"), 0);
    fs::create_directories(work / "ref");
    const std::string cmd = "cd '" + work.string() + "' && " STDIO_BIN " rec.txt ref/t " + common;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int k = 1; k <= c.nch; ++k) {
        const std::string name = "t." + std::to_string(k);
        const std::string mine = slurp(work / name), ref = slurp(work / "ref" / name);
        ASSERT_EQ(mine.size(), ref.size()) << name;
        EXPECT_TRUE(mine == ref) << name << " differs";
    }
    EXPECT_NE(slurp(work / "stdout").find("Warning"), std::string::npos);
    fs::remove_all(work);
}

TEST(EndToEnd, SameFilesAsPlainStdio) {
    const stdio_case cases[] = {
        {20000, 5, 1, "1 -2.5 0 9.81 1e-3"},
        {5000, 1, 2, "-1"},
        {3000, 20, 1, "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"},
        {1000100, 1, 1, "3"},  // short lines in the second block take nothing from the first
    };
    unsigned seed = 1;
    for (const auto &c : cases) expect_same_as_stdio(c, seed++);
}

// The rows go from the reader to the writer in batches of BATCH through a
// ring of RING: inputs that end just before, on and after a batch, on the
// ring's wrap, on a block boundary (which falls inside a batch) and on the
// first batch after it; with twenty channels the reader formats a share of
// them, which moves during a long run.
TEST(EndToEnd, SameFilesAsPlainStdioAtTheRingsEdges) {
    const char *twenty = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20";
    const stdio_case cases[] = {
        {BATCH - 1, 2, 1, "1 -1"},
        {BATCH, 2, 2, "1 -1"},
        {BATCH + 1, 2, 1, "1 -1"},
        {RING * BATCH, 3, 1, "1 2 3"},
        {RING * BATCH + 1, 20, 1, twenty},
        {RING * BATCH * 5 + BATCH / 2, 20, 2, twenty},
        {MAX_ROWS, 1, 1, "2"},
        {MAX_ROWS + BATCH, 1, 1, "2"},  // ends on the first full batch of the second block
        // No stamps for more rows than the ring holds: they are held back
        // until the interval is known, the ring growing meanwhile.
        {RING * BATCH * 3, 4, 2, "1 2 3 4", RING * BATCH + 5},
    };
    unsigned seed = 100;
    for (const auto &c : cases) expect_same_as_stdio(c, seed++);
}

}  // namespace
