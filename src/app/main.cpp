// The demo's entry. This one source gives both builds: KIRU_PACED selects the paced one.
#include <SDL.h>

#include "app/demo.h"
#include "app/demo_state.h"
#include "app/failure_report.h"
#include "app/perf_counter.h"
#include "render/frame.h"
#include "scenes/scene1.h"

namespace {
#if KIRU_PACED
constexpr Pacing kPacing = Pacing::Paced;
#else
constexpr Pacing kPacing = Pacing::Unpaced;
#endif
constexpr Uint32 kFrameSleepMs = 16;
} // namespace

extern "C" int SDL_main(int argc, char* argv[]) {
    if (!demoStart(commandLineParse(argc, argv), kPacing, Headless::Refused)) {
        failureReport(platformFailure());
        return 1;
    }
    int64_t frequency = 0;
    QueryPerformanceFrequency(&frequency);
    int64_t previous = 0;
    scene1Setup();

    char title[kTitleSize];
    while (demoState.running) {
        demoUpdateScene();
        composeFrame();
        pumpEvents();
        if constexpr (kPacing == Pacing::Paced) {
            SDL_Delay(kFrameSleepMs);
        }
        int64_t now = 0;
        QueryPerformanceCounter(&now);
        const int64_t elapsed = now - previous;
        previous = now;
        demoState.frameCount += 1;
        if ((demoState.frameCount & 15u) == 0) {
            SDL_SetWindowTitle(demoState.window,
                               titleFormat(title, sizeof title, frameRate(elapsed, frequency)));
        }
    }
    platformShutdown();
    return 0;
}

#ifndef main
// Where SDL has no main adapter of its own (here SDL2main is an empty stub), enter through it
// ourselves; returning from main hands the result to exit.
int main(int argc, char* argv[]) {
    return SDL_main(argc, argv);
}
#endif
