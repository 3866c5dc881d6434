// capture_system_platform.h through the C runtime and the Win32 calls that have no C runtime
// form. Names are taken in the system's code page, as the C runtime's narrow calls take them.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "capture/capture_system.h"
#include "capture/capture_system_platform.h"

namespace {

void (*stopHandler)(int) = nullptr;

// Tries at a free temporary name before giving up.
constexpr int kNameTries = 100;
// The six characters that make a temporary name unique: 24 bits in hex.
constexpr unsigned kUniqueMask = 0xffffffu;
constexpr unsigned kNameSpread = 2654435761u; // Knuth's multiplicative hash, spreading tries apart
constexpr double kHundredNanoseconds = 1e-7;

double seconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) * kHundredNanoseconds;
}

std::string lastError() {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, text, sizeof text, nullptr);
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == '.' || reason.back() == ' ')) {
        reason.pop_back();
    }
    return reason;
}

} // namespace

void platformStart() {}

void platformStopHandlerInstall(void (*handler)(int)) {
    stopHandler = handler;
    std::signal(SIGINT, handler);
    std::signal(SIGTERM, handler);
}

// The C runtime resets a handler each time it runs it (on a thread of its own).
void platformHandlerRearm(int number) {
    std::signal(number, stopHandler);
}

void platformEndBySignal(int number) {
    _exit(128 + number);
}

void platformSay(const char* text) {
    _write(_fileno(stderr), text, static_cast<unsigned>(std::strlen(text)));
}

double processorSeconds() {
    FILETIME created, ended, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user) == 0) {
        return 0.0;
    }
    return seconds(kernel) + seconds(user);
}

bool standardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

int platformFolderAccess(const char* folder) {
    return _access(folder, 2) == 0 ? 0 : errno;
}

// Opened for writing and closed untouched: the file's attributes, its ACL and other programs'
// sharing modes all answer, where _access would read the read-only attribute alone.
int platformFileAccess(const char* path) {
    const int fd = _open(path, _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        return errno;
    }
    _close(fd);
    return 0;
}

int platformUniqueFileCreate(char* name) {
    char* unique = name + std::strlen(name) - 6;
    int fd = -1;
    for (int attempt = 0; attempt < kNameTries && fd < 0; ++attempt) {
        const unsigned value = GetCurrentProcessId() * kNameSpread + GetTickCount() + attempt;
        std::snprintf(unique, 7, "%06x", value & kUniqueMask);
        fd = _open(name, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    return fd;
}

bool platformRenameOver(const char* from, const char* to, std::string& reason) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) == 0) {
        reason = lastError();
        return false;
    }
    return true;
}

bool platformFileRemove(const char* path) {
    return DeleteFileA(path) != 0;
}

FILE* platformStreamOpen(int fd) {
    return _fdopen(fd, "wb");
}

bool platformFolderRemove(const char* folder) {
    return RemoveDirectoryA(folder) != 0;
}

void platformDescriptorClose(int fd) {
    _close(fd);
}
