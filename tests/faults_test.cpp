// Faults found by trying to break the program: very long lines arriving
// through a pipe, and running out of memory.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <sys/stat.h>

#include "lines.h"
#include "testutil.h"

using namespace testutil;

namespace {

// Writes `text` into the FIFO at p in pieces of 4 KiB, as a slow producer
// would; a reader that searched the whole unfinished line again for every
// piece would take minutes over a line of hundreds of MiB.
void feed_fifo(const fs::path &p, const std::string &text) {
    std::FILE *f = std::fopen(p.c_str(), "w");
    if (!f) return;
    for (std::size_t at = 0; at < text.size(); at += 4096) {
        const std::size_t n = std::min<std::size_t>(4096, text.size() - at);
        if (std::fwrite(text.data() + at, 1, n, f) != n) break;
        std::fflush(f);
    }
    std::fclose(f);
}

TEST(Faults, LongLinesThroughAPipe) {
    struct {
        std::size_t length;  // of the long line, line feed aside
        bool newline;
        int status;
        const char *says;
    } cases[] = {
        {MAX_LINE, true, 0, "Program complete"},  // the longest line taken
        {MAX_LINE + 1, false, 1, "Error:  line 2 of in.fifo is longer than 256 MiB; is it a text file?"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.length);
        const fs::path work = fresh_scratch("pipe");
        ASSERT_EQ(mkfifo((work / "in.fifo").c_str(), 0644), 0);
        // A record with a long tail of blanks, which the format allows.
        std::string text = "+0:0:0 0 1.5\n+0:0:0 1 2.5";
        text.resize(13 + c.length, ' ');
        if (c.newline) text += "\n+0:0:0 2 3.5\n";
        spit(work / "answers", "in.fifo acc 1 0 1 2\n");
        std::thread producer(feed_fifo, work / "in.fifo", std::move(text));
        run_options o;
        o.seconds = 120;
        const int status = run_tarnvel(work, work / "answers", work / "stdout", o);
        producer.join();
        EXPECT_EQ(status, c.status);
        const std::string t = slurp(work / "stdout");
        EXPECT_NE(t.find(c.says), std::string::npos) << t.substr(t.size() > 2000 ? t.size() - 2000 : 0);
        if (c.status == 0) {
            EXPECT_EQ(slurp(work / "acc.1"), " 0.000000 3.000000\n 0.001000 5.000000\n 0.002000 7.000000\n");
        }
        fs::remove_all(work);
    }
}

// Under a limit on its address space the program runs out of memory on a
// huge answer or a huge line: it says so, names the channel files left
// incomplete, and ends with status 1 (not with an uncaught exception).
TEST(Faults, OutOfMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under an address-space limit";
#endif
    const long limit = 256L << 20;
    const std::string huge(400u << 20, 'x');
    struct {
        const char *name;
        std::string answers, input, says;
    } cases[] = {
        {"answer word", huge + "\n", "", "Error:  out of memory \n"},
        {"input line", "rec.txt acc 1 0 1 1\n", "+0:0:0 0 1\n" + huge + "\n",
         "Error:  out of memory reading line 2 of rec.txt; incomplete: acc.1 \n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path work = fresh_scratch("oom");
        spit(work / "answers", c.answers);
        if (!c.input.empty()) spit(work / "rec.txt", c.input);
        run_options o;
        o.address_space = limit;
        EXPECT_EQ(run_tarnvel(work, work / "answers", work / "stdout", o), 1);
        const std::string t = slurp(work / "stdout");
        EXPECT_NE(t.find(c.says), std::string::npos) << t;
        EXPECT_EQ(t.find("Program complete"), std::string::npos);
        fs::remove_all(work);
    }
}

}  // namespace
