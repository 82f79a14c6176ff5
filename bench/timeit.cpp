// Runs a command and prints its wall time in seconds and its peak resident
// memory in KiB. The command runs in a new session (no controlling
// terminal), with standard input from a file and standard output discarded.
//   timeit STDIN DIR CMD ARGS...
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: timeit STDIN DIR CMD ARGS...\n");
        return 2;
    }
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        if (chdir(argv[2]) != 0) _exit(126);
        int in = open(argv[1], O_RDONLY);
        int out = open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    int status;
    rusage ru;
    wait4(pid, &status, 0, &ru);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%.4f %ld\n", s, ru.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
