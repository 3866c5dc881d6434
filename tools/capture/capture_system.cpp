// The bookkeeping of capture_system.h, the same on every system: the files and folders a second
// stop signal removes, how a temporary file is made, kept and dropped, and which destinations may
// be written. The system calls themselves are capture_system_platform.h's.
#include "capture/capture_system.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "capture/capture_system_platform.h"

namespace {

namespace fs = std::filesystem;

std::atomic<int> stopSignal{0};
bool progressShown = false; // standard error is a terminal, where a progress line may stand

// The temporary files a second stop signal removes: the video's and the stills being written.
// The handler may only read plain memory and atomics, so the names live in fixed buffers.
enum SlotState : int { kFree, kFilling, kNamed };
struct Slot {
    std::atomic<int> state{kFree};
    char path[kPathBytes];
};
constexpr int kSlots = 4;
Slot slots[kSlots];

// The folders captureFoldersMake made, outermost first; the handler reads the first
// foldersMade of them. The list is set before the first folder is made and never changes after.
std::vector<std::string> madeFolders;
std::atomic<size_t> foldersMade{0};

void foldersRemoveMade() {
    for (size_t i = foldersMade.load(); i > 0; --i) {
        platformFolderRemove(madeFolders[i - 1].c_str()); // fails, as it should, unless empty
    }
}

// The first stop signal is noted for the frame loop; a second removes what the run has not
// finished and ends the process as if it had not been caught.
void onStopSignal(int number) {
    int none = 0;
    if (stopSignal.compare_exchange_strong(none, number)) {
        platformHandlerRearm(number);
        return;
    }
    for (Slot& slot : slots) {
        if (slot.state.load() == kNamed) {
            platformFileRemove(slot.path);
        }
    }
    foldersRemoveMade();
    platformSay(progressShown ? "\r\033[K" : "");
    platformSay(number == SIGINT ? "kiru-capture: ended at once by a second stop signal, "
                                   "SIGINT; the unfinished files are removed\n"
                                 : "kiru-capture: ended at once by a second stop signal, "
                                   "SIGTERM; the unfinished files are removed\n");
    platformEndBySignal(number);
}

int slotClaim() {
    for (int i = 0; i < kSlots; ++i) {
        int free = kFree;
        if (slots[i].state.compare_exchange_strong(free, kFilling)) {
            return i;
        }
    }
    return -1;
}

void slotRelease(TempFile& temp) {
    if (temp.slot >= 0) {
        slots[temp.slot].state.store(kFree);
        temp.slot = -1;
    }
}

bool reasonOf(int code, std::string& reason) {
    if (code != 0) {
        reason = std::strerror(code);
    }
    return code == 0;
}

} // namespace

void captureSystemStart() {
    platformStart();
}

void stopSignalsCatch() {
    progressShown = standardErrorIsTerminal();
    platformStopHandlerInstall(onStopSignal);
}

int stopSignalNumber() {
    return stopSignal.load();
}

std::string stopSignalName(int number) {
    return number == SIGINT ? "SIGINT" : number == SIGTERM ? "SIGTERM" : std::to_string(number);
}

bool folderWritable(const std::string& folder, std::string& reason) {
    return reasonOf(platformFolderAccess(folder.c_str()), reason);
}

bool fileWritable(const std::string& path, std::string& reason) {
    return reasonOf(platformFileAccess(path.c_str()), reason);
}

bool captureFoldersMake(const std::vector<std::string>& missing, std::string& error) {
    if (foldersMade.load() == 0) {
        madeFolders = missing;
    }
    for (const std::string& folder : missing) {
        std::error_code code;
        if (fs::create_directory(folder, code)) {
            foldersMade.fetch_add(1);
        } else if (code || !fs::is_directory(folder, code)) {
            error = "cannot create the folder \"" + folder + "\": " + code.message();
            return false;
        }
    }
    return true;
}

void captureFoldersRemoveEmpty() {
    foldersRemoveMade();
}

bool tempFileCreate(const std::string& destination, TempFile& temp, std::string& reason) {
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
    if (pattern.size() >= kPathBytes) {
        reason = std::strerror(ENAMETOOLONG);
        return false;
    }
    temp.slot = slotClaim();
    char local[kPathBytes];
    char* name = temp.slot >= 0 ? slots[temp.slot].path : local;
    std::memcpy(name, pattern.c_str(), pattern.size() + 1);
    const int fd = platformUniqueFileCreate(name);
    temp.file = fd >= 0 ? platformStreamOpen(fd) : nullptr;
    if (temp.file == nullptr) {
        reason = std::strerror(errno);
        if (fd >= 0) {
            platformDescriptorClose(fd);
            platformFileRemove(name);
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

bool tempFileClose(TempFile& temp, std::string& reason) {
    if (temp.file == nullptr) {
        return true;
    }
    const int closed = std::fclose(temp.file);
    temp.file = nullptr;
    if (closed != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool tempFileCommit(TempFile& temp, std::string& reason) {
    if (!tempFileClose(temp, reason)) {
        tempFileDiscard(temp);
        return false;
    }
    // Something other than a file may have taken the name since the run started.
    std::error_code code;
    const fs::file_status now = fs::symlink_status(temp.destination, code);
    if (fs::exists(now) && !fs::is_regular_file(now)) {
        reason = "not a regular file";
        tempFileDiscard(temp);
        return false;
    }
    if (!platformRenameOver(temp.path.c_str(), temp.destination.c_str(), reason)) {
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
        platformFileRemove(temp.path.c_str());
        temp.path.clear();
    }
    slotRelease(temp);
}
