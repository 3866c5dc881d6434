// Windows' counterpart of failure_report.cpp: a GUI program started from Explorer has no console,
// so the reason goes into a message box too.
#include "app/failure_report.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>

void failureReport(const char* reason) {
    std::fprintf(stderr, "kiru: %s\n", reason);
    std::fflush(stderr);
    const char* quiet = std::getenv("KIRU_NO_MESSAGE_BOX");
    if (quiet == nullptr || *quiet == '\0') {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "kiru", reason, nullptr);
    }
}
