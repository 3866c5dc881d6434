// The Windows half of capture_system.h, through the C runtime and the Win32 calls that have no C
// runtime form. Names are taken in the system's code page, as the C runtime's narrow calls take
// them.
#include "capture/capture_system.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

std::atomic<int> stopSignal{0};

// The temporary files and folders a second stop signal removes. The C runtime runs a console
// handler on a thread of its own, so the names live in fixed buffers read through atomics.
enum SlotState : int { kFree, kFilling, kNamed };
struct Slot {
    std::atomic<int> state{kFree};
    char path[MAX_PATH];
};
constexpr int kSlots = 4;
Slot slots[kSlots];
std::vector<std::string> madeFolders;
std::atomic<size_t> foldersMade{0};

// Up to this many bytes of the destination's name go into the temporary file's name.
constexpr size_t kNameKept = 100;
// Tries at a free temporary name before giving up.
constexpr int kNameTries = 100;
constexpr double kHundredNanoseconds = 1e-7;

void onStopSignal(int number) {
    int none = 0;
    if (stopSignal.compare_exchange_strong(none, number)) {
        std::signal(number, onStopSignal); // the C runtime resets it for each signal
        return;
    }
    for (Slot& slot : slots) {
        if (slot.state.load() == kNamed) {
            DeleteFileA(slot.path);
        }
    }
    for (size_t i = foldersMade.load(); i > 0; --i) {
        RemoveDirectoryA(madeFolders[i - 1].c_str());
    }
    const char* told = number == SIGINT ? "kiru-capture: ended at once by a second stop signal, "
                                          "SIGINT; the unfinished files are removed\n"
                                        : "kiru-capture: ended at once by a second stop signal, "
                                          "SIGTERM; the unfinished files are removed\n";
    _write(_fileno(stderr), told, static_cast<unsigned>(std::strlen(told)));
    _exit(128 + number);
}

void slotRelease(TempFile& temp) {
    if (temp.slot >= 0) {
        slots[temp.slot].state.store(kFree);
        temp.slot = -1;
    }
}

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

void captureSystemStart() {}

void stopSignalsCatch() {
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

int stopSignalNumber() {
    return stopSignal.load();
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

bool folderWritable(const std::string& folder, std::string& reason) {
    if (_access(folder.c_str(), 2) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool fileWritable(const std::string& path, std::string& reason) {
    return folderWritable(path, reason);
}

bool captureFoldersMake(const std::vector<std::string>& missing, std::string& error) {
    if (foldersMade.load() == 0) {
        madeFolders = missing;
    }
    for (const std::string& folder : missing) {
        std::error_code code;
        if (std::filesystem::create_directory(folder, code)) {
            foldersMade.fetch_add(1);
        } else if (code || !std::filesystem::is_directory(folder, code)) {
            error = "cannot create the folder \"" + folder + "\": " + code.message();
            return false;
        }
    }
    return true;
}

void captureFoldersRemoveEmpty() {
    for (size_t i = foldersMade.load(); i > 0; --i) {
        RemoveDirectoryA(madeFolders[i - 1].c_str()); // fails on a folder with files in it
    }
}

bool tempFileCreate(const std::string& destination, TempFile& temp, std::string& reason) {
    namespace fs = std::filesystem;
    temp = {};
    std::error_code code;
    const fs::file_status status = fs::status(destination, code);
    if (code && code != std::errc::no_such_file_or_directory) {
        reason = code.message();
        return false;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        reason = "not a regular file";
        return false;
    }
    const fs::path target = destination;
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const std::string stem = folder + "/." + target.filename().string().substr(0, kNameKept) + ".";
    if (stem.size() + 16 >= MAX_PATH) {
        reason = std::strerror(ENAMETOOLONG);
        return false;
    }
    for (int i = 0; i < kSlots && temp.slot < 0; ++i) {
        int free = kFree;
        temp.slot = slots[i].state.compare_exchange_strong(free, kFilling) ? i : -1;
    }
    char local[MAX_PATH];
    char* name = temp.slot >= 0 ? slots[temp.slot].path : local;
    int fd = -1;
    for (int attempt = 0; attempt < kNameTries && fd < 0; ++attempt) {
        std::snprintf(name, MAX_PATH, "%s%08lx%04x", stem.c_str(), GetCurrentProcessId(),
                      static_cast<unsigned>(GetTickCount() + attempt) & 0xffffu);
        fd = _open(name, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0 || (temp.file = _fdopen(fd, "wb")) == nullptr) {
        reason = std::strerror(errno);
        if (fd >= 0) {
            _close(fd);
            DeleteFileA(name);
        }
        slotRelease(temp);
        return false;
    }
    if (temp.slot >= 0) {
        slots[temp.slot].state.store(kNamed);
    }
    temp.path = name;
    temp.destination = destination;
    return true;
}

bool tempFileCommit(TempFile& temp, std::string& reason) {
    if (!tempFileClose(temp, reason)) {
        tempFileDiscard(temp);
        return false;
    }
    if (MoveFileExA(temp.path.c_str(), temp.destination.c_str(), MOVEFILE_REPLACE_EXISTING) == 0) {
        reason = lastError();
        tempFileDiscard(temp);
        return false;
    }
    slotRelease(temp);
    temp.path.clear();
    return true;
}

void tempFileDiscard(TempFile& temp) {
    std::string ignored;
    tempFileClose(temp, ignored);
    if (!temp.path.empty()) {
        DeleteFileA(temp.path.c_str());
        temp.path.clear();
    }
    slotRelease(temp);
}
