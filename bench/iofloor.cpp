// The I/O floor: reads INPUT in 1 MiB chunks and writes, for each channel
// file named, as many bytes as that file holds, with no conversion at all.
//   iofloor INPUT OUTDIR FILE...
#include <cstdio>
#include <string>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    std::vector<char> buf(1 << 20, ' ');
    int in = open(argv[1], O_RDONLY);
    if (in < 0) return 1;
    while (read(in, buf.data(), buf.size()) > 0) {
    }
    close(in);
    std::vector<std::pair<int, off_t>> outs;
    for (int i = 3; i < argc; ++i) {
        struct stat st;
        if (stat(argv[i], &st) != 0) return 1;
        std::string name = std::string(argv[2]) + "/floor." + std::to_string(i - 2);
        outs.emplace_back(open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), st.st_size);
    }
    // Interleaved in 256 KiB pieces, as a converter writes them.
    const off_t piece = 1 << 18;
    for (bool more = true; more;) {
        more = false;
        for (auto &[fd, left] : outs) {
            if (left == 0) continue;
            const off_t n = left < piece ? left : piece;
            if (write(fd, buf.data(), n) != n) return 1;
            left -= n;
            more = more || left > 0;
        }
    }
    for (auto &o : outs) close(o.first);
    return 0;
}
