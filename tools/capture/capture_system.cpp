// The parts of capture_system.h that are the same on every system.
#include "capture/capture_system.h"

#include <cerrno>
#include <csignal>
#include <cstring>

std::string stopSignalName(int number) {
    return number == SIGINT ? "SIGINT" : number == SIGTERM ? "SIGTERM" : std::to_string(number);
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
