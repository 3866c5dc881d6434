#include <gtest/gtest.h>

#include "capture/frame_read.h"

namespace {

// A frame must fit the largest viewport, the largest colour buffer where the GL says, and the
// drawable the window got; the message names the limit passed.
TEST(FrameRead, FramesMustFitTheGlLimitsAndTheDrawable) {
    const struct {
        FrameLimits limits;
        const char* says;
    } cases[] = {
        {{800, 600, 800, 800, 600}, ""},
        {{16384, 16384, 0, 800, 600}, ""}, // no framebuffer objects: no colour buffer limit
        {{796, 16384, 16384, 800, 600}, "the largest viewport here is 796x16384"},
        {{16384, 596, 16384, 800, 600}, "the largest viewport here is 16384x596"},
        {{16384, 16384, 796, 800, 600}, "the largest colour buffer here is 796x796"},
        {{16384, 16384, 16384, 800, 596}, "the window got a drawable of 800x596"},
        {{16384, 16384, 16384, 804, 600}, "the window got a drawable of 804x600"},
    };
    for (const auto& [limits, says] : cases) {
        EXPECT_EQ(frameLimitProblem(limits, 800, 600), says);
    }
}

} // namespace
