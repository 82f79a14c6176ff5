#include "answers.h"

#include "numio.h"

#include <climits>
#include <cstdlib>

namespace {

// A character from getc, EOF included (which is no blank).
bool is_space(int c) { return c != EOF && numio_detail::is_space(static_cast<char>(c)); }

int skip_blanks(std::FILE *f) {
    int c;
    do c = std::getc(f); while (is_space(c));
    return c;
}

}  // namespace

std::optional<std::string> read_word(std::FILE *f) {
    int c = skip_blanks(f);
    if (c == EOF) return std::nullopt;
    std::string w;
    while (c != EOF && !is_space(c)) {
        w += static_cast<char>(c);
        c = std::getc(f);
    }
    if (c != EOF) std::ungetc(c, f);
    return w;
}

bool read_long(std::FILE *f, std::int64_t &out, std::string *text) {
    int c = skip_blanks(f);
    bool neg = false;
    std::string typed;
    if (c == '+' || c == '-') {
        neg = c == '-';
        typed += static_cast<char>(c);
        c = std::getc(f);
    }
    if (c < '0' || c > '9') {
        if (c != EOF) std::ungetc(c, f);
        return false;
    }
    std::uint64_t v = 0;
    const std::uint64_t lim = neg ? std::uint64_t{1} << 63 : INT64_MAX;
    for (; c >= '0' && c <= '9'; c = std::getc(f)) {
        if (text) typed += static_cast<char>(c);
        const unsigned d = static_cast<unsigned>(c - '0');
        v = (v > (lim - d) / 10) ? lim : v * 10 + d;
    }
    if (c != EOF) std::ungetc(c, f);
    out = neg ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
    if (text) *text = typed;
    return true;
}

bool parse_real(const std::string &word, double &out) {
    const char *s = word.c_str();
    if (*s == '\0') return false;
    char *end = nullptr;
    const double v = std::strtod(s, &end);
    double sv;
    int n = -1;
    if (*end != '\0' || std::sscanf(s, "%lf%n", &sv, &n) != 1 || static_cast<std::size_t>(n) != word.size())
        return false;
    out = v;
    return true;
}
