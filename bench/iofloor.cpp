// The I/O floor: one process reads INPUT in 1 MiB chunks and writes, into
// OUTDIR/floor.1, floor.2 ..., files of the sizes given, with no conversion
// at all: what any converter of this input to these outputs must at least do.
//   iofloor INPUT OUTDIR SIZE...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    std::vector<char> buf(1 << 20, ' ');
    int in = open(argv[1], O_RDONLY);
    if (in < 0) return 1;
    while (read(in, buf.data(), buf.size()) > 0) {
    }
    close(in);
    std::vector<std::pair<int, long long>> outs;
    for (int i = 3; i < argc; ++i) {
        std::string name = std::string(argv[2]) + "/floor." + std::to_string(i - 2);
        outs.emplace_back(open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), std::atoll(argv[i]));
    }
    // Interleaved in 256 KiB pieces, as a converter writes them.
    const long long piece = 1 << 18;
    for (bool more = true; more;) {
        more = false;
        for (auto &[fd, left] : outs) {
            if (left == 0) continue;
            const long long n = left < piece ? left : piece;
            if (write(fd, buf.data(), n) != n) return 1;
            left -= n;
            more = more || left > 0;
        }
    }
    for (auto &o : outs) close(o.first);
    return 0;
}
