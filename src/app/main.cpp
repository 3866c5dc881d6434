// The demo's entry. This one source gives the three builds; KIRU_PACING names the build's pacing:
// Paced (a 16 ms sleep after every frame), Unpaced (frames back to back) or Realtime (vsync, and
// the updates owed for the real time that passed).
#include <SDL.h>
#include <cmath>

#include "app/demo.h"
#include "app/failure_report.h"
#include "app/frame_pacer.h"
#include "app/perf_counter.h"
#include "stage/demo_state.h"

namespace {

constexpr Pacing kPacing = Pacing::KIRU_PACING;
constexpr uint32_t kFrameSleepMs = 16;

double secondsNow(int64_t frequency) {
    int64_t count = 0;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count) / static_cast<double>(frequency);
}

// A frame is composed only when an update ran; a frame that finds none due (no vsync, or a driver
// that accepts the swap interval and does not wait) sleeps until one is, rather than spinning.
void playByTheClock() {
    int64_t frequency = 1;
    QueryPerformanceFrequency(&frequency);
    FramePacer pacer;
    while (demoState.running) {
        const int32_t updates = framePacerAdvance(pacer, secondsNow(frequency));
        if (updates == 0) {
            platformDelay(static_cast<uint32_t>(std::ceil(framePacerWait(pacer) * 1000.0)));
            continue;
        }
        demoFrame({.updates = updates});
    }
}

} // namespace

extern "C" int SDL_main(int argc, char* argv[]) {
    if (!demoStart(commandLineParse(argc, argv), kPacing, Headless::Refused)) {
        failureReport(platformFailure());
        return 1;
    }
    demoImageFailuresReport();
    if constexpr (kPacing == Pacing::Realtime) {
        playByTheClock();
    } else {
        const uint32_t sleepMs = kPacing == Pacing::Paced ? kFrameSleepMs : 0;
        while (demoState.running) {
            demoFrame({.sleepMs = sleepMs});
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
