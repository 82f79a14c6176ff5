// The checks of the recording: the time base against its stamps, and each
// channel's summary, gathered batch by batch as the rows go by.
#include "checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string>
#include <vector>

#include "numio.h"

namespace {

// ---- Time base -------------------------------------------------------------

struct {
    bool prev_ok = false;     // the row before supplied its stamp
    double prev = 0.0;        // ... which was this, ms
    long irregular = 0;       // steps off the interval by more than half of it
    long first_row = -1;      // run row of the first such step's second row
    double first_step = 0.0;  // ... and the step found there, ms
    long row_a = -1, row_b = -1;  // the first and the last row that supplied a stamp
    double stamp_a = 0.0, stamp_b = 0.0;
} tb;

// An interval the time column can rise by.
bool sound_interval() { return job.dt > 0.0 && std::isfinite(job.dt); }

// ---- Channels --------------------------------------------------------------

// A value the channel sits at for runs of samples: its largest or smallest.
struct rail {
    double value;    // the extreme so far
    long row;        // run row where it first occurs; -1 before any value
    long run;        // samples at it in a row, up to the last one summarized
    bool steep;      // the current run was entered by a large step
    long runs;       // runs of 3 or more, entered steeply: clipping
};

struct channel_summary {
    rail hi, lo;
    double sum, sum_c;      // sum of the values, and its compensation (Neumaier)
    double sq, sq_c;        // sum of their squares, likewise
    long n;                 // values summarized
    int has_last;           // values summarized so far, up to 2
    double last, last2;     // the last value summarized, and the one before
};

channel_summary summary[MAX_CHAN + 1];

// Adds x to the compensated sum (s, c): the lost low-order part of each
// addition is kept in c, so that millions of values sum as if exactly.
void add_compensated(double &s, double &c, double x) {
    const double t = s + x;
    if (std::fabs(s) >= std::fabs(x))
        c += (s - t) + x;
    else
        c += (x - t) + s;
    s = t;
}

// How far the values of a batch step from one to the next: on average,
// and at the least (the resolution the values are written with). Against
// these a step onto a rail counts as large.
struct steps {
    double mean, least;
};
steps step_sizes(const double *raw, double sk, int n, const channel_summary &cs) {
    double total = 0.0, least = INFINITY;
    long count = 0;
    double prev = cs.last;
    bool have = cs.has_last > 0;
    for (int c = 0; c < n; ++c) {
        const double v = sk * raw[c];
        const double d = std::fabs(v - prev);
        if (have && std::isfinite(d)) {
            total += d;
            ++count;
            if (d > 0.0 && d < least) least = d;
        }
        prev = v;
        have = true;
    }
    return {count ? total / count : 0.0, least};
}

// Follows the runs of samples at the rail's value through a batch. A run
// counts as clipping when it is 3 samples or longer and the signal came
// onto the rail fast: one of its last two steps before the run at least
// half the batch's mean step and more than twice its least step. That is a
// signal stopped at a limit. A smooth peak also repeats its top value when
// it is written with few decimals, but it creeps up to it by the last
// digit. Only values the lines supplied count: the zeros written for a
// short line are no reading.
void follow_rail(rail &r, const batch &b, int k, double sk, const channel_summary &cs) {
    const double *raw = b.val[k];
    const int n = b.n;
    bool sized = false;  // the batch's steps, worked out when a run starts
    steps st{};
    double prev = cs.last, prev2 = cs.last2;
    int have = cs.has_last;
    for (int c = 0; c < n; ++c) {
        const double v = sk * raw[c];
        if (v == r.value && b.supplied[c] > k) {
            if (r.run == 0) {
                if (!sized) {
                    st = step_sizes(raw, sk, n, cs);
                    sized = true;
                }
                double onto = have >= 1 ? std::fabs(v - prev) : 0.0;
                if (have >= 2) onto = std::max(onto, std::fabs(prev - prev2));
                r.steep = onto >= 0.5 * st.mean && onto > 2.0 * st.least;
            }
            if (++r.run == 3 && r.steep) ++r.runs;
        } else {
            r.run = 0;
        }
        prev2 = prev;
        prev = v;
        have = have < 2 ? have + 1 : 2;
    }
}

// A new extreme, first seen at run row `row`: the runs counted so far were
// at another value.
void new_rail(rail &r, double value, long row) {
    r.value = value;
    r.row = row;
    r.run = 0;
    r.runs = 0;
}

// First index of v in the batch's values.
int find(const double *raw, double sk, int n, double v) {
    for (int c = 0; c < n; ++c)
        if (sk * raw[c] == v) return c;
    return -1;
}

// The smallest and largest of sk * raw[0..n-1], NaN passed over (+inf and
// -inf when there is no number), and the sums of the values and of their
// squares. Eight lanes side by side: the batch sums' rounding errors stay
// far below the printed digits, and the compensated totals do the rest.
void extremes_and_sums(const double *raw, double sk, int n, double *lo, double *hi, double *sum, double *sumsq) {
    double mn = INFINITY, mx = -INFINITY, s = 0.0, q = 0.0;
    int c = 0;
#if defined(__SSE2__)
    // minpd(v, m) is v < m ? v : m, as the loop below: a NaN v leaves m.
    const __m128d k = _mm_set1_pd(sk);
    __m128d mn2[4], mx2[4], s2[4], q2[4];
    for (int l = 0; l < 4; ++l) {
        mn2[l] = _mm_set1_pd(INFINITY);
        mx2[l] = _mm_set1_pd(-INFINITY);
        s2[l] = q2[l] = _mm_setzero_pd();
    }
    for (; c + 8 <= n; c += 8)
        for (int l = 0; l < 4; ++l) {
            const __m128d v = _mm_mul_pd(_mm_loadu_pd(raw + c + 2 * l), k);
            mn2[l] = _mm_min_pd(v, mn2[l]);
            mx2[l] = _mm_max_pd(v, mx2[l]);
            s2[l] = _mm_add_pd(s2[l], v);
            q2[l] = _mm_add_pd(q2[l], _mm_mul_pd(v, v));
        }
    for (int l = 0; l < 4; ++l) {
        double t[2];
        _mm_storeu_pd(t, mn2[l]);
        for (double x : t) mn = x < mn ? x : mn;
        _mm_storeu_pd(t, mx2[l]);
        for (double x : t) mx = x > mx ? x : mx;
        _mm_storeu_pd(t, s2[l]);
        s += t[0] + t[1];
        _mm_storeu_pd(t, q2[l]);
        q += t[0] + t[1];
    }
#endif
    for (; c < n; ++c) {
        const double v = sk * raw[c];
        mn = v < mn ? v : mn;
        mx = v > mx ? v : mx;
        s += v;
        q += v * v;
    }
    *lo = mn;
    *hi = mx;
    *sum = s;
    *sumsq = q;
}

std::string lf(double x) {
    char b[FORMAT_LF_MAX];
    return std::string(b, format_lf(b, x));
}

}  // namespace

void checks_start(int nch) {
    for (int k = 1; k <= nch; ++k) {
        channel_summary &cs = summary[k];
        cs = {};
        cs.hi = {-INFINITY, -1, 0, false, 0};
        cs.lo = {INFINITY, -1, 0, false, 0};
    }
}

void check_time_base(const batch &b) {
    if (!sound_interval()) return;
    const double expect = job.dt_ms, slack = 0.5 * job.dt_ms;
    bool prev_ok = tb.prev_ok;
    double prev = tb.prev;
    for (int c = 0; c < b.n; ++c) {
        if (b.supplied[c] == 0) {
            prev_ok = false;
            continue;
        }
        const double s = b.stamp[c];
        if (prev_ok && !(std::fabs((s - prev) - expect) <= slack)) {
            if (tb.irregular++ == 0) {
                tb.first_row = b.row0 + c;
                tb.first_step = s - prev;
            }
        }
        if (tb.row_a < 0) {
            tb.row_a = b.row0 + c;
            tb.stamp_a = s;
        }
        tb.row_b = b.row0 + c;
        tb.stamp_b = s;
        prev = s;
        prev_ok = true;
    }
    tb.prev_ok = prev_ok;
    tb.prev = prev;
}

void summarize_channel(int k, const batch &b) {
    channel_summary &cs = summary[k];
    const double sk = job.scale[k];
    const double *raw = b.val[k];
    const int n = b.n;
    if (n == 0) return;

    double bmin, bmax, sm, sq;
    extremes_and_sums(raw, sk, n, &bmin, &bmax, &sm, &sq);
    add_compensated(cs.sum, cs.sum_c, sm);
    add_compensated(cs.sq, cs.sq_c, sq);
    cs.n += n;

    // The rails: only a batch that reaches an extreme is looked at again.
    struct {
        rail &r;
        double v;
        bool beyond;
    } sides[] = {{cs.hi, bmax, bmax > cs.hi.value}, {cs.lo, bmin, bmin < cs.lo.value}};
    for (auto &side : sides) {
        if (side.beyond || (side.r.row < 0 && side.v == side.r.value)) {
            const int at = find(raw, sk, n, side.v);
            if (at < 0) continue;  // no number in the batch at all
            new_rail(side.r, side.v, b.row0 + at);
        }
        if (side.r.row >= 0 && side.v == side.r.value)
            follow_rail(side.r, b, k, sk, cs);
        else
            side.r.run = 0;
    }
    cs.last2 = n >= 2 ? sk * raw[n - 2] : cs.last;
    cs.last = sk * raw[n - 1];
    cs.has_last = std::min(cs.has_last + n, 2);
}

void report_time_base() {
    const std::string &name = job.fname[0];
    const long rows = static_cast<long>(job.iblock - 1) * MAX_ROWS + job.imax;
    if (rows < 2) return;  // one row or none: no time column to speak of
    if (!sound_interval()) {
        std::printf("\n\n Warning:  the time column does not rise: its sample interval is %s s", lf(job.dt).c_str());
        if (job.dt_row >= 0)
            std::printf(", from the stamps of lines %ld and %ld of %s.", job.line_of_row0 + job.dt_row,
                        job.line_of_row0 + job.dt_row + 1, name.c_str());
        else
            std::printf(": no two lines in a row supplied their stamps.");
        std::printf("\n Check the millisecond column of %s. \n", name.c_str());
        return;
    }
    if (tb.irregular > 0) {
        std::printf("\n\n Warning:  %ld step%s between stamps differ%s from the sample interval of %s ms by more"
                    " than half of it;\n the first is at line %ld of %s: %s ms where %s ms was expected. \n",
                    tb.irregular, tb.irregular == 1 ? "" : "s", tb.irregular == 1 ? "s" : "", lf(job.dt_ms).c_str(),
                    job.line_of_row0 + tb.first_row, name.c_str(), lf(tb.first_step).c_str(),
                    lf(job.dt_ms).c_str());
    }
    if (tb.row_b > tb.row_a) {
        const time_base t = job_time_base();
        const double written = t.time_of(tb.row_b) - t.time_of(tb.row_a);
        const double stamped = (tb.stamp_b - tb.stamp_a) * 0.001;
        if (!(std::fabs(written - stamped) <= 0.5 * job.dt))
            std::printf("\n\n Warning:  the time column drifts from the stamps: from line %ld to line %ld of %s"
                        "\n the stamps advance %s s, the time column %s s. \n",
                        job.line_of_row0 + tb.row_a, job.line_of_row0 + tb.row_b, name.c_str(),
                        lf(stamped).c_str(), lf(written).c_str());
    }
}

void report_channels() {
    const int nch = job.ic - 1;
    const time_base t = job_time_base();
    struct row {
        std::string cell[7];
        const char *mark;
    };
    std::vector<row> rows;
    for (int k = 1; k <= nch; ++k) {
        rail &hi = summary[k].hi, &lo = summary[k].lo;
        channel_summary &cs = summary[k];
        row r;
        r.cell[0] = std::to_string(k);
        if (cs.n == 0 || lo.row < 0) {
            for (int i = 1; i < 7; ++i) r.cell[i] = cs.n == 0 ? "-" : "nan";
            r.mark = "";
        } else {
            r.cell[1] = lf(lo.value);
            r.cell[2] = lf(t.time_of(lo.row));
            r.cell[3] = lf(hi.value);
            r.cell[4] = lf(t.time_of(hi.row));
            r.cell[5] = lf((cs.sum + cs.sum_c) / static_cast<double>(cs.n));
            r.cell[6] = lf(std::sqrt((cs.sq + cs.sq_c) / static_cast<double>(cs.n)));
            r.mark = lo.value == hi.value && std::isfinite(cs.sum) ? "flat" : (hi.runs > 0 || lo.runs > 0) ? "clipped" : "";
        }
        rows.push_back(r);
    }
    const char *head[7] = {"ch", "min", "at s", "max", "at s", "mean", "rms"};
    std::size_t w[7];
    for (int i = 0; i < 7; ++i) {
        w[i] = std::string(head[i]).size();
        for (const row &r : rows) w[i] = std::max(w[i], r.cell[i].size());
    }
    std::printf("\n\n Channel summary (G; times in s): \n");
    for (int i = 0; i < 7; ++i) std::printf(" %*s", static_cast<int>(w[i]), head[i]);
    std::printf("\n");
    for (const row &r : rows) {
        for (int i = 0; i < 7; ++i) std::printf(" %*s", static_cast<int>(w[i]), r.cell[i].c_str());
        if (*r.mark) std::printf("  %s", r.mark);
        std::printf("\n");
    }
}
