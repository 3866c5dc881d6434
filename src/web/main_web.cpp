// The web build's entry. The page's address chooses what it does (its query fields arrive as the
// arguments): with none, the demo plays in a canvas the size of the window, paced by the browser;
// with frame=N (and size=WxH), it runs updates 1 to N, composes frame N once and stops, the same
// image as `kiru-capture --size WxH --frames N`.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "app/command_line.h"
#include "app/demo.h"
#include "app/demo_state.h"
#include "app/perf_counter.h"
#include "render/frame.h"
#include "scenes/scene1.h"

namespace {

constexpr double kUpdateMs = 1000.0 / 60.0;
// A slow machine runs up to this many updates per frame and lets the rest of its backlog go, so
// the demo slows down rather than falling ever further behind.
constexpr int kMostUpdatesPerFrame = 4;

struct PageRequest {
    uint32_t frame = 0; // 0: play
    int32_t width = 0;  // 0: the window's size
    int32_t height = 0;
};

// Fields frame=N (N >= 1) and size=WxH (both in 1..kMaxWindowSide); others are ignored.
PageRequest pageRequestParse(int argc, char** argv) {
    PageRequest request;
    for (int i = 1; i < argc; ++i) {
        const char* field = argv[i];
        if (std::strncmp(field, "frame=", 6) == 0) {
            const int32_t frame = parseInteger(field + 6);
            request.frame = frame > 0 ? static_cast<uint32_t>(frame) : 0;
        } else if (std::strncmp(field, "size=", 5) == 0) {
            const char* x = std::strchr(field, 'x');
            const int32_t width = parseInteger(field + 5);
            const int32_t height = x != nullptr ? parseInteger(x + 1) : 0;
            if (width > 0 && width <= kMaxWindowSide && height > 0 && height <= kMaxWindowSide) {
                request.width = width;
                request.height = height;
            }
        }
    }
    return request;
}

// The line under the canvas (empty hides it); `fade` lets it go after a few seconds.
EM_JS(void, pageStatus, (const char* text, bool fade), {
    var status = document.getElementById('status');
    status.textContent = UTF8ToString(text);
    status.className = fade ? "fade" : "";
});

double owedMs = kUpdateMs; // the first frame runs update 1
double previousTime = -1.0;
int64_t ticksPerSecond = 0;
int64_t previousTicks = 0;

// One browser frame: the updates owed for the real time that passed (rounded to the nearest
// whole number, so that a 60 Hz display with jittery timestamps still gets one every frame), then
// one composed frame when anything changed.
EM_BOOL animationFrame(double time, void*) {
    pumpEvents();
    if (!demoState.running) {
        platformShutdown();
        pageStatus("The run has ended (Escape). Reload the page to watch it again.", false);
        return EM_FALSE;
    }
    if (previousTime >= 0.0) {
        owedMs += time - previousTime;
    }
    previousTime = time;
    int updates = static_cast<int>(std::floor(owedMs / kUpdateMs + 0.5));
    if (updates >= kMostUpdatesPerFrame) {
        updates = kMostUpdatesPerFrame;
        owedMs = 0.0;
    } else {
        owedMs -= updates * kUpdateMs;
    }
    if (updates == 0) {
        return EM_TRUE;
    }
    for (int i = 0; i < updates; ++i) {
        demoUpdateScene();
    }
    composeFrame();
    int64_t now = 0;
    QueryPerformanceCounter(&now);
    const int64_t elapsed = now - previousTicks;
    previousTicks = now;
    demoState.frameCount += 1;
    if ((demoState.frameCount & 15u) == 0) {
        char title[kTitleSize];
        emscripten_set_window_title(
            titleFormat(title, sizeof title, frameRate(elapsed, ticksPerSecond)));
    }
    return EM_TRUE;
}

} // namespace

int main(int argc, char** argv) {
    const PageRequest request = pageRequestParse(argc, argv);
    CommandLine window;
    window.width = request.width;
    window.height = request.height;
    window.fullScreen = request.width == 0;
    if (!demoStart(window, Pacing::Paced, Headless::Refused)) {
        char line[160];
        std::snprintf(line, sizeof line, "kiru could not start: %s.", platformFailure());
        pageStatus(line, false);
        emscripten_set_window_title(line);
        return 1;
    }
    scene1Setup();
    if (request.frame > 0) {
        for (uint32_t frame = 1; frame <= request.frame; ++frame) {
            demoUpdateScene();
        }
        composeFrame();
        char title[32];
        std::snprintf(title, sizeof title, "kiru frame %u", request.frame);
        emscripten_set_window_title(title);
        return 0;
    }
    pageStatus("Click for full screen. Escape ends the run.", true);
    QueryPerformanceFrequency(&ticksPerSecond);
    QueryPerformanceCounter(&previousTicks);
    emscripten_request_animation_frame_loop(animationFrame, nullptr);
    return 0;
}
