#include "app/demo.h"

#include <cstdio>

#include "app/perf_counter.h"
#include "render/gl.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"
#include "stage/demo_state.h"
#include "stage/frame.h"

namespace {

constexpr float kCaptionStartScale = 1.5f;
constexpr Color kCaptionStartColor{1.0f, 1.0f, 1.0f, 0.667f};
// The title shows the frame rate every this many frames.
constexpr uint32_t kTitleFrameMask = 15;

int64_t counterFrequency = 0;
int64_t previousCount = 0; // the first frame is timed from 0, not from a real reading

int32_t addStartCaption(float x, float y) {
    Caption caption;
    caption.text = "";
    caption.scale = kCaptionStartScale;
    caption.color = kCaptionStartColor;
    caption.x = x;
    caption.y = y;
    return static_cast<int32_t>(captionAdd(captions, caption));
}

} // namespace

bool demoStart(const CommandLine& options, Pacing pacing, Headless headless) {
    int32_t width = options.width;
    int32_t height = options.height;
    if (!platformInit(width, height, options.fullScreen, pacing, headless)) {
        return false;
    }
    if (options.fullScreen) {
        platformWindowSize(width, height);
    }
    createResources();
    setInitialGlState();
    glViewport(0, 0, width, height);

    demoState.cameraEye = {0.0f, 0.0f, 5.0f};
    demoState.screenWidth = static_cast<uint32_t>(width);
    demoState.screenHeight = static_cast<uint32_t>(height);
    demoState.cameraUp = {0.0f, 1.0f, 0.0f};

    demoState.captionSlot1 = addStartCaption(5.0f, 100.0f);
    demoState.captionSlot2 = addStartCaption(5.0f, 100.0f);
    demoState.captionSlot3 = addStartCaption(0.0f, 0.0f);

    QueryPerformanceFrequency(&counterFrequency);
    previousCount = 0;
    scene1Setup();
    return true;
}

void demoUpdateScene() {
    switch (demoState.sceneNumber) {
    case 1:
        scene1Update();
        break;
    case 2:
        scene2Update();
        break;
    case 3:
        scene3Update();
        break;
    case 4:
        scene4Update();
        break;
    case 5:
        scene5Update();
        break;
    default:
        break;
    }
}

void demoUpdate(int32_t updates) {
    for (int32_t i = 0; i < updates; ++i) {
        demoUpdateScene();
    }
}

void demoCompose() {
    composeFrame();
}

void demoPresent() {
    platformSwap();
}

void demoFrameEnd(uint32_t sleepMs) {
    pumpEvents();
    if (sleepMs > 0) {
        platformDelay(sleepMs);
    }
    int64_t now = 0;
    QueryPerformanceCounter(&now);
    const int64_t elapsed = now - previousCount;
    previousCount = now;
    demoState.frameCount += 1;
    if ((demoState.frameCount & kTitleFrameMask) == 0) {
        char title[kTitleSize];
        platformTitleSet(titleFormat(title, sizeof title, frameRate(elapsed, counterFrequency)));
    }
}

void demoFrame(const FrameStep& step) {
    demoUpdate(step.updates);
    demoCompose();
    demoPresent();
    demoFrameEnd(step.sleepMs);
}

float frameRate(int64_t elapsed, int64_t frequency) {
    const double milliseconds =
        static_cast<double>(elapsed) * 1000.0 / static_cast<double>(frequency);
    return static_cast<float>(1000.0 / milliseconds);
}

const char* titleFormat(char* buffer, size_t size, float fps) {
    std::snprintf(buffer, size, "KIRU: %.2f", static_cast<double>(fps));
    return buffer;
}
