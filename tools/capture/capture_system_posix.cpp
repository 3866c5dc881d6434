#include "capture/capture_system.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> stopSignal{0};
bool progressShown = false; // standard error is a terminal, where a progress line may stand
mode_t newFileMode = 0644;

// The temporary files a second stop signal removes: the video's and the still being written.
// The handler may only read plain memory and atomics, so the names live in fixed buffers.
enum SlotState : int { kFree, kFilling, kNamed };
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
constexpr int kSlots = 4;
Slot slots[kSlots];

// The folders captureFoldersMake made, outermost first; the handler reads the first
// foldersMade of them. The list is set before the first folder is made and never changes after.
std::vector<std::string> madeFolders;
std::atomic<size_t> foldersMade{0};

// Writes to standard error from a signal handler; nothing is left to do when it fails.
void say(const char* text) {
    const ssize_t written = write(STDERR_FILENO, text, std::strlen(text));
    static_cast<void>(written);
}

// Removes what the run has not finished, then lets the signal end the process as if it had not
// been caught: it is blocked while its own handler runs, and is delivered on return.
void endAtOnce(int number) {
    const char* told = number == SIGINT ? "kiru-capture: ended at once by a second stop signal, "
                                          "SIGINT; the unfinished files are removed\n"
                                        : "kiru-capture: ended at once by a second stop signal, "
                                          "SIGTERM; the unfinished files are removed\n";
    for (Slot& slot : slots) {
        if (slot.state.load() == kNamed) {
            unlink(slot.path);
        }
    }
    for (size_t i = foldersMade.load(); i > 0; --i) {
        rmdir(madeFolders[i - 1].c_str());
    }
    say(progressShown ? "\r\033[K" : "");
    say(told);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(number, &fallback, nullptr);
    raise(number);
}

void onStopSignal(int number) {
    int none = 0;
    if (!stopSignal.compare_exchange_strong(none, number)) {
        endAtOnce(number);
    }
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void slotRelease(TempFile& temp) {
    if (temp.slot >= 0) {
        slots[temp.slot].state.store(kFree);
        temp.slot = -1;
    }
}

// Up to this many bytes of the destination's name go into the temporary file's name.
constexpr size_t kNameKept = 200;

} // namespace

void captureSystemStart() {
    std::signal(SIGXFSZ, SIG_IGN);
    const mode_t mask = umask(0);
    umask(mask);
    newFileMode = 0666 & ~mask;
}

void stopSignalsCatch() {
    progressShown = standardErrorIsTerminal();
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignalNumber() {
    return stopSignal.load();
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

bool folderWritable(const std::string& folder, std::string& reason) {
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool fileWritable(const std::string& path, std::string& reason) {
    if (access(path.c_str(), W_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool captureFoldersMake(const std::vector<std::string>& missing, std::string& error) {
    if (foldersMade.load() == 0) {
        madeFolders = missing;
    }
    for (const std::string& folder : missing) {
        if (mkdir(folder.c_str(), 0777) == 0) {
            foldersMade.fetch_add(1);
        } else if (!(errno == EEXIST && isFolder(folder))) {
            error = "cannot create the folder \"" + folder + "\": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

void captureFoldersRemoveEmpty() {
    for (size_t i = foldersMade.load(); i > 0; --i) {
        rmdir(madeFolders[i - 1].c_str()); // fails, as it should, on a folder with files in it
    }
}

bool tempFileCreate(const std::string& destination, TempFile& temp, std::string& reason) {
    namespace fs = std::filesystem;
    temp = {};
    std::error_code code;
    fs::path target = destination;
    if (fs::is_symlink(fs::symlink_status(target, code))) {
        target = fs::canonical(target, code);
        if (code) {
            reason = "a symbolic link to nothing";
            return false;
        }
    }
    const fs::file_status status = fs::status(target, code);
    if (code && code != std::errc::no_such_file_or_directory) {
        reason = code.message();
        return false;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        reason = "not a regular file";
        return false;
    }
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const std::string pattern =
        folder + "/." + target.filename().string().substr(0, kNameKept) + ".XXXXXX";
    if (pattern.size() >= PATH_MAX) {
        reason = std::strerror(ENAMETOOLONG);
        return false;
    }
    for (int i = 0; i < kSlots && temp.slot < 0; ++i) {
        int free = kFree;
        temp.slot = slots[i].state.compare_exchange_strong(free, kFilling) ? i : -1;
    }
    char local[PATH_MAX];
    char* name = temp.slot >= 0 ? slots[temp.slot].path : local;
    std::memcpy(name, pattern.c_str(), pattern.size() + 1);
    const int fd = mkstemp(name);
    if (fd < 0 || fchmod(fd, newFileMode) != 0 || (temp.file = fdopen(fd, "wb")) == nullptr) {
        reason = std::strerror(errno);
        if (fd >= 0) {
            close(fd);
            unlink(name);
        }
        slotRelease(temp);
        return false;
    }
    if (temp.slot >= 0) {
        slots[temp.slot].state.store(kNamed);
    }
    temp.path = name;
    temp.destination = target.string();
    return true;
}

bool tempFileCommit(TempFile& temp, std::string& reason) {
    if (!tempFileClose(temp, reason)) {
        tempFileDiscard(temp);
        return false;
    }
    // Something other than a file may have taken the name since the run started.
    struct stat info {};
    if (lstat(temp.destination.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        tempFileDiscard(temp);
        return false;
    }
    if (std::rename(temp.path.c_str(), temp.destination.c_str()) != 0) {
        reason = std::strerror(errno);
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
        unlink(temp.path.c_str());
        temp.path.clear();
    }
    slotRelease(temp);
}
