// The key wait on Windows: tarnvel.exe runs on a pseudo-console, with its
// answers from a file and its transcript to a file. It must still be
// waiting after the last message, end on one key, with status 0.
//   conpty_test TARNVEL.EXE FOLDER   (FOLDER holds rec.txt and answers)
// Ends with "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string slurp(const std::string &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

int passed = 0, failed = 0;
void expect(bool ok, const char *what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("failed: %s\n", what);
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    const std::string exe = argv[1], dir = argv[2];
    HANDLE in_read, in_write, out_read, out_write;
    CreatePipe(&in_read, &in_write, nullptr, 0);
    CreatePipe(&out_read, &out_write, nullptr, 0);
    HPCON console;
    if (FAILED(CreatePseudoConsole({80, 25}, in_read, out_write, 0, &console))) {
        std::printf("no pseudo-console\n0 passed, 1 failed\n");
        return 1;
    }
    // The console's output must be read, or it stops the program.
    std::thread drain([&] {
        char b[4096];
        DWORD n;
        while (ReadFile(out_read, b, sizeof b, &n, nullptr) && n > 0) {
        }
    });

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const std::string transcript = dir + "\\stdout";
    HANDLE answers = CreateFileA((dir + "\\answers").c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                                 0, nullptr);
    HANDLE out = CreateFileA(transcript.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string attrs(size, '\0');
    STARTUPINFOEXA si{};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = answers;
    si.StartupInfo.hStdOutput = out;
    si.StartupInfo.hStdError = out;
    si.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attrs.data());
    InitializeProcThreadAttributeList(si.lpAttributeList, 1, 0, &size);
    UpdateProcThreadAttribute(si.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, console, sizeof console,
                              nullptr, nullptr);
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + exe + "\"";
    const BOOL started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                                        nullptr, dir.c_str(), &si.StartupInfo, &pi);
    expect(started, "tarnvel.exe started");
    if (started) {
        bool prompt = false;
        for (int i = 0; i < 3000 && !prompt; ++i) {
            prompt = slurp(transcript).find("Press any key to exit.") != std::string::npos;
            if (!prompt) Sleep(10);
        }
        expect(prompt, "the last message was written");
        expect(WaitForSingleObject(pi.hProcess, 1000) == WAIT_TIMEOUT, "still waiting for a key after it");
        DWORD n;
        WriteFile(in_write, "x", 1, &n, nullptr);
        expect(WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0, "ended after one key");
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        expect(code == 0, "status 0");
        TerminateProcess(pi.hProcess, 1);
    }
    ClosePseudoConsole(console);
    CloseHandle(in_write);
    CloseHandle(out_read);
    drain.detach();
    std::printf("key wait: %d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    ExitProcess(failed ? 1 : 0);
}
