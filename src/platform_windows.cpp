// The system interface on Windows: volume serial number and file index for
// identity, _read/_write on the C runtime's descriptors, and the key wait
// on the console's input (CONIN$) with ReadConsoleInput.
#include "platform.h"

#include <cerrno>
#include <climits>
#include <io.h>
#include <windows.h>

namespace {

bool fill(HANDLE h, file_id *id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id->directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    id->regular = !id->directory && GetFileType(h) == FILE_TYPE_DISK;
    return true;
}

}  // namespace

bool identify(std::FILE *f, file_id *id) {
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    if (h == INVALID_HANDLE_VALUE || !fill(h, id)) {
        errno = EBADF;
        return false;
    }
    return true;
}

bool identify(const char *name, file_id *id) {
    // No access asked for: only the identity. Folders need the backup flag.
    const HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = ENOENT;
        return false;
    }
    const bool ok = fill(h, id);
    CloseHandle(h);
    if (!ok) errno = EIO;
    return ok;
}

long read_bytes(std::FILE *f, char *buf, std::size_t n, int *err) {
    const unsigned most = n > INT_MAX ? INT_MAX : static_cast<unsigned>(n);
    const int r = _read(_fileno(f), buf, most);
    if (r < 0) {
        *err = errno;
        return -1;
    }
    return r;
}

int write_bytes(std::FILE *f, const char *p, std::size_t n) {
    const int fd = _fileno(f);
    while (n > 0) {
        const unsigned piece = n > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n);
        const int w = _write(fd, p, piece);
        if (w < 0) return errno;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return 0;
}

// ---- The key wait ------------------------------------------------------

namespace {

HANDLE console_in = INVALID_HANDLE_VALUE;
DWORD saved_mode = 0;

// Ctrl-C, Ctrl-Break, the window closed: the console's mode goes back,
// then the default handling ends the process.
BOOL WINAPI on_console_event(DWORD) {
    SetConsoleMode(console_in, saved_mode);
    return FALSE;
}

// A key that gives a character, or a key of its own (an arrow, F1); not a
// modifier or lock key pressed alone.
bool is_key(const KEY_EVENT_RECORD &k) {
    if (!k.bKeyDown) return false;
    if (k.uChar.UnicodeChar != 0) return true;
    switch (k.wVirtualKeyCode) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL:
    case VK_RCONTROL: case VK_LMENU: case VK_RMENU: case VK_LWIN: case VK_RWIN: case VK_CAPITAL:
    case VK_NUMLOCK: case VK_SCROLL: case VK_APPS:
        return false;
    default:
        return k.wVirtualKeyCode != 0;
    }
}

}  // namespace

void wait_key() {
    console_in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (console_in == INVALID_HANDLE_VALUE) return;
    if (!GetConsoleMode(console_in, &saved_mode)) {
        CloseHandle(console_in);
        return;
    }
    SetConsoleCtrlHandler(on_console_event, TRUE);
    // Keys one by one, unechoed; Ctrl-C still ends the program.
    SetConsoleMode(console_in, ENABLE_PROCESSED_INPUT);
    for (bool done = false; !done;) {
        INPUT_RECORD rec;
        DWORD got = 0;
        if (!ReadConsoleInputW(console_in, &rec, 1, &got) || got == 0) break;
        done = rec.EventType == KEY_EVENT && is_key(rec.Event.KeyEvent);
    }
    SetConsoleMode(console_in, saved_mode);
    SetConsoleCtrlHandler(on_console_event, FALSE);
    CloseHandle(console_in);
    console_in = INVALID_HANDLE_VALUE;
}
