// Entry of the rendering tests: one real window and GL context for all of them.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <cstdio>

#include "app/demo.h"
#include "capture/frame_read.h"
#include "gl_harness.h"
#include "stage/demo_state.h"
#include "stage/frame.h"

void harnessClearScene() {
    boxA.visible = boxB.visible = false;
    boxA.x = boxA.y = boxA.z = boxA.rotX = boxA.rotY = boxA.rotZ = 0.0f;
    fieldA.visible = fieldB.visible = fieldC.visible = fieldD.visible = 0;
    emitterA.enabled = emitterB.enabled = emitterC.enabled = false;
    emitterA.count = emitterB.count = emitterC.count = 0;
    for (ColorPanel* panel : {&colorPanelA, &colorPanelB}) {
        panel->x = panel->y = panel->width = panel->height = 0.0f;
        panel->z = -5.0f;
        panel->color = {0.0f, 0.0f, 0.0f, 0.0f};
    }
    for (uint32_t i = 0; i < captions.count; ++i) {
        captionSet(captions, i, "", 1.5f, 0.0f, 0.0f);
    }
    demoState.cameraEye = {0.0f, 0.0f, 5.0f};
    demoState.cameraTarget = {0.0f, 0.0f, 0.0f};
    demoState.screenWidth = kHarnessWidth;
    demoState.screenHeight = kHarnessHeight;
}

namespace {

// The frame read back with its rows turned, so that the first is the top of the screen.
void frameGrab(int32_t width, int32_t height, uint8_t* out) {
    frameRead(width, height, GL_RGBA, out);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(out + static_cast<size_t>(top) * rowBytes,
                         out + static_cast<size_t>(top + 1) * rowBytes,
                         out + static_cast<size_t>(bottom) * rowBytes);
    }
}

} // namespace

Frame harnessCompose() {
    Frame frame(size_t{kHarnessWidth} * kHarnessHeight * 4);
    composeFrame();
    frameGrab(kHarnessWidth, kHarnessHeight, frame.data());
    platformSwap();
    return frame;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (!demoStart({kHarnessWidth, kHarnessHeight, false}, Pacing::Unpaced, Headless::Allowed)) {
        std::fprintf(stderr, "rendering tests need a display with OpenGL 2.0: %s\n",
                     platformFailure());
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    platformShutdown();
    return result;
}
