// The same conversion written plainly with stdio: fgets, sscanf with the
// record format, fprintf per value. It is the yardstick for tarnvel's speed
// and a second opinion on its output.
//   baseline INPUT PREFIX NCH NHEAD IZERO SCALE...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: baseline INPUT PREFIX NCH NHEAD IZERO SCALE...\n");
        return 2;
    }
    const int nch = std::atoi(argv[3]);
    const long nhead = std::atol(argv[4]);
    const int izero = std::atoi(argv[5]) == 2 ? 2 : 1;
    if (argc != 6 + nch) return 2;
    std::vector<double> scale(nch + 1);
    for (int k = 1; k <= nch; ++k) scale[k] = std::atof(argv[5 + k]);

    std::FILE *in = std::fopen(argv[1], "rb");
    if (!in) return 1;
    std::vector<std::FILE *> out(nch + 1);
    for (int k = 1; k <= nch; ++k) out[k] = std::fopen((std::string(argv[2]) + "." + std::to_string(k)).c_str(), "w");

    std::string fmt = "+%d:%d:%lf";
    for (int k = 0; k <= nch; ++k) fmt += " %lf";
    fmt += " \n";

    static char line[8192];
    for (long h = 0; h < nhead && std::fgets(line, sizeof line, in); ++h) {
    }
    // The interval comes from the first two rows in a row, from row 1 on,
    // whose lines supplied their stamp (within the first 1,000,000 rows);
    // else from rows 0 and 1 if both did; else it is 0. Rows are held back
    // until it is known.
    struct held_row {
        std::vector<double> v;
        bool stamped;
    };
    std::vector<held_row> first;
    bool known = false;
    double dt = 0.0, t0 = 0.0, v[22];
    long r = 0;
    auto put = [&](const double *row) {
        double t = static_cast<double>(r++) * dt;
        if (izero == 2) t = t0 + t;
        for (int k = 1; k <= nch; ++k) std::fprintf(out[k], " %lf %lf\n", t, scale[k] * row[k]);
    };
    auto settle = [&](double step_ms) {
        dt = step_ms * 0.001;
        t0 = first.empty() ? 0.0 : first[0].v[0] * 0.001;
        known = true;
        for (const auto &row : first) put(row.v.data());
        first.clear();
    };
    while (std::fgets(line, sizeof line, in)) {
        int hh, mm;
        double ss, *p = v;
        for (double &x : v) x = 0.0;
        const int rc = std::sscanf(line, fmt.c_str(), &hh, &mm, &ss, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6, p + 7,
                                   p + 8, p + 9, p + 10, p + 11, p + 12, p + 13, p + 14, p + 15, p + 16, p + 17, p + 18,
                                   p + 19, p + 20);
        if (known) {
            put(v);
            continue;
        }
        first.push_back({std::vector<double>(v, v + nch + 1), rc >= 4});
        const std::size_t n = first.size();
        if (n >= 3 && first[n - 1].stamped && first[n - 2].stamped)
            settle(first[n - 1].v[0] - first[n - 2].v[0]);
        else if (n == 1000000)
            settle(first[0].stamped && first[1].stamped ? first[1].v[0] - first[0].v[0] : 0.0);
    }
    if (!known) settle(first.size() >= 2 && first[0].stamped && first[1].stamped ? first[1].v[0] - first[0].v[0] : 0.0);
    for (int k = 1; k <= nch; ++k)
        if (std::fclose(out[k]) != 0) return 1;
    return 0;
}
