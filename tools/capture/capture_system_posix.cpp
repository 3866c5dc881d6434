// capture_system_platform.h through POSIX calls.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "capture/capture_system.h"
#include "capture/capture_system_platform.h"

namespace {
mode_t newFileMode = 0644;
} // namespace

void platformStart() {
    std::signal(SIGXFSZ, SIG_IGN); // a file-size limit then fails the write instead
    const mode_t mask = umask(0);
    umask(mask);
    newFileMode = 0666 & ~mask;
}

void platformStopHandlerInstall(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void platformHandlerRearm(int) {} // sigaction's handler stays

// The signal is blocked while its own handler runs and is delivered, now uncaught, on return.
void platformEndBySignal(int number) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(number, &fallback, nullptr);
    raise(number);
}

void platformSay(const char* text) {
    const ssize_t written = write(STDERR_FILENO, text, std::strlen(text));
    static_cast<void>(written);
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

int platformFolderAccess(const char* folder) {
    return access(folder, W_OK | X_OK) == 0 ? 0 : errno;
}

int platformFileAccess(const char* path) {
    return access(path, W_OK) == 0 ? 0 : errno;
}

int platformUniqueFileCreate(char* name) {
    const int fd = mkstemp(name);
    if (fd >= 0 && fchmod(fd, newFileMode) != 0) {
        const int code = errno;
        close(fd);
        unlink(name);
        errno = code;
        return -1;
    }
    return fd;
}

FILE* platformStreamOpen(int fd) {
    return fdopen(fd, "wb");
}

void platformDescriptorClose(int fd) {
    close(fd);
}

bool platformFileRemove(const char* path) {
    return unlink(path) == 0;
}

bool platformFolderRemove(const char* folder) {
    return rmdir(folder) == 0;
}

bool platformRenameOver(const char* from, const char* to, std::string& reason) {
    if (std::rename(from, to) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}
