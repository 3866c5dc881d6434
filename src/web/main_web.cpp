// The web build's entry. The page's address chooses what it does (its query fields arrive as the
// arguments): with none, the demo plays in a canvas the size of the window, paced by the wall
// clock; with frame=N (and size=WxH), it runs updates 1 to N, composes frame N once and stops, the
// same image as `kiru-capture --size WxH --frames N`. A bad address draws nothing and says why.
#include <cstdio>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <string>

#include "app/demo.h"
#include "app/frame_pacer.h"
#include "stage/demo_state.h"
#include "web/page_request.h"

namespace {

// A far frame is played up to in slices of about this long, one per browser frame, so that the
// tab stays responsive and shows how far it has got.
constexpr double kSliceMs = 50.0;
constexpr uint32_t kUpdatesBetweenClockReads = 256;

// The line under the canvas (empty hides it); `fade` lets it go after a few seconds.
EM_JS(void, pageStatus, (const char* text, bool fade), {
    var status = document.getElementById('status');
    status.textContent = UTF8ToString(text);
    status.className = fade ? "fade" : "";
});

// One plain line in the status line and the title; nothing is drawn.
void pageRefuse(const std::string& why) {
    const std::string line = "kiru: " + why + ".";
    pageStatus(line.c_str(), false);
    emscripten_set_window_title(line.c_str());
}

FramePacer pacer;

// One browser frame of the demo: the updates owed for the real time that passed, then one composed
// frame when any ran.
EM_BOOL playFrame(double time, void*) {
    if (!demoState.running) {
        platformShutdown();
        pageStatus("The run has ended (Escape). Reload the page to watch it again.", false);
        return EM_FALSE;
    }
    const int32_t updates = framePacerAdvance(pacer, time / 1000.0);
    if (updates > 0) {
        demoFrame({.updates = updates});
    }
    return EM_TRUE;
}

uint32_t targetFrame = 0;
uint32_t updatesDone = 0;

// Plays up to the target frame a slice at a time, then composes it once and stops.
EM_BOOL seekFrame(double, void*) {
    const double sliceEnd = emscripten_get_now() + kSliceMs;
    while (updatesDone + 1 < targetFrame) {
        demoUpdateScene();
        updatesDone += 1;
        if (updatesDone % kUpdatesBetweenClockReads == 0 && emscripten_get_now() > sliceEnd) {
            char line[96];
            std::snprintf(line, sizeof line, "Playing up to frame %u: %u%%", targetFrame,
                          static_cast<uint32_t>(100.0 * updatesDone / targetFrame));
            pageStatus(line, false);
            return EM_TRUE;
        }
    }
    demoFrame({.updates = 1}); // update N and frame N
    pageStatus("", false);
    char title[32];
    std::snprintf(title, sizeof title, "kiru frame %u", targetFrame);
    emscripten_set_window_title(title);
    return EM_FALSE;
}

} // namespace

int main(int argc, char** argv) {
    PageRequest request;
    std::string error;
    if (!pageRequestParse(argc, argv, request, error)) {
        pageRefuse(error);
        return 1;
    }
    CommandLine window;
    window.width = request.width;
    window.height = request.height;
    window.fullScreen = request.width == 0;
    if (!demoStart(window, Pacing::Realtime, Headless::Refused)) {
        pageRefuse(std::string("could not start: ") + platformFailure());
        return 1;
    }
    demoImageFailuresReport();
    if (request.frame > 0) {
        targetFrame = request.frame;
        emscripten_request_animation_frame_loop(seekFrame, nullptr);
        return 0;
    }
    pageStatus("Click for full screen. Escape ends the run.", true);
    emscripten_request_animation_frame_loop(playFrame, nullptr);
    return 0;
}
