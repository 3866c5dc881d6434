// Entry of the rendering tests: one real window and GL context for all of them.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdio>
#include <tuple>

#include "app/demo.h"
#include "gl_harness.h"
#include "stage/demo_state.h"

void harnessClearScene() {
    boxA.visible = boxB.visible = false;
    boxA.x = boxA.y = boxA.z = boxA.rotX = boxA.rotY = boxA.rotZ = 0.0f;
    fieldA.visible = fieldB.visible = fieldC.visible = fieldD.visible = 0;
    emitterA.enabled = emitterB.enabled = emitterC.enabled = false;
    emitterA.count = emitterB.count = emitterC.count = 0;
    for (ColorPanel* panel : {&colorPanelA, &colorPanelB}) {
        std::tie(panel->x, panel->y, panel->width, panel->height, panel->z, panel->color) =
            std::tuple(0.0f, 0.0f, 0.0f, 0.0f, -5.0f, Color{0.0f, 0.0f, 0.0f, 0.0f});
    }
    for (uint32_t i = 0; i < captions.count; ++i) {
        captionSet(captions, i, "", 1.5f, 0.0f, 0.0f);
    }
    std::tie(demoState.cameraEye, demoState.cameraTarget) = std::tuple(Vec3{0, 0, 5}, Vec3{});
    std::tie(demoState.screenWidth, demoState.screenHeight) =
        std::tuple(kHarnessWidth, kHarnessHeight);
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
