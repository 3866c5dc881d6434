// Frames drawn multisampled and resolved into the window's buffer: the same frame as drawn
// plainly, with its edges anti-aliased.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/demo.h"
#include "capture/frame_read.h"
#include "capture/multisample.h"
#include "gl_harness.h"
#include "stage/demo_state.h"
#include "stage/frame.h"

namespace {

// The largest channel difference between pixel i of a and pixel j of b.
int difference(const Frame& a, size_t i, const Frame& b, size_t j) {
    int largest = 0;
    for (size_t c = 0; c < 3; ++c) {
        largest = std::max(largest, std::abs(a[i * 4 + c] - b[j * 4 + c]));
    }
    return largest;
}

// A turned cube over black, plainly and with 4 samples a pixel. Where the plain frame's 3 x 3
// neighbourhood is all one colour the frame stays (within 2/255: the texture is sampled at the
// pixel's centre either way); on its edges pixels take values between their neighbours' that the
// plain frame does not have.
TEST(Multisample, EdgesGainIntermediateValuesAndTheRestStays) {
    constexpr int kSamples = 4;
    if (multisampleLimit() < kSamples) {
        GTEST_SKIP() << "this OpenGL offers " << multisampleLimit() << " samples a pixel";
    }
    harnessClearScene();
    boxA.visible = true;
    boxA.rotX = 27.0f;
    boxA.rotY = 41.0f;
    // Read back as the capture reads, bottom row first, with or without the framebuffer.
    const auto draw = [](const Multisample* target) {
        Frame frame(size_t{kHarnessWidth} * kHarnessHeight * 4);
        if (target != nullptr) {
            multisampleBind(*target);
        }
        composeFrame();
        if (target != nullptr) {
            multisampleResolve(*target);
        }
        frameRead(kHarnessWidth, kHarnessHeight, GL_RGBA, frame.data());
        platformSwap();
        return frame;
    };
    const Frame plain = draw(nullptr);
    Multisample target;
    std::string error;
    ASSERT_TRUE(multisampleStart(target, kSamples, kHarnessWidth, kHarnessHeight, error)) << error;
    const Frame smooth = draw(&target);
    multisampleStop(target);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    boxA.visible = false;

    int inside = 0, insideChanged = 0, edges = 0, between = 0;
    for (int32_t y = 1; y + 1 < kHarnessHeight; ++y) {
        for (int32_t x = 1; x + 1 < kHarnessWidth; ++x) {
            const size_t i = static_cast<size_t>(y) * kHarnessWidth + x;
            int spread = 0;
            bool matchesANeighbour = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const size_t j = i + dy * kHarnessWidth + dx;
                    spread = std::max(spread, difference(plain, i, plain, j));
                    matchesANeighbour |= difference(smooth, i, plain, j) <= 2;
                }
            }
            if (spread <= 2) {
                ++inside;
                insideChanged += difference(smooth, i, plain, i) > 2 ? 1 : 0;
            } else if (spread >= 64) {
                ++edges;
                between += matchesANeighbour ? 0 : 1;
            }
        }
    }
    ASSERT_GT(edges, 500) << "the cube is not on screen";
    EXPECT_LE(insideChanged, inside / 1000) << "of " << inside;
    // Most of them are whole pixels beside an edge; a plain frame would have none between.
    EXPECT_GE(between, edges / 20) << "of " << edges << " edge pixels";
}

// Asked for more samples than the context offers, it refuses in one line and makes nothing.
TEST(Multisample, MoreSamplesThanOfferedAreRefused) {
    const int limit = multisampleLimit();
    Multisample target;
    std::string error;
    EXPECT_FALSE(multisampleStart(target, limit + 1, kHarnessWidth, kHarnessHeight, error));
    EXPECT_NE(error.find("cannot draw with " + std::to_string(limit + 1) + " samples a pixel"),
              std::string::npos)
        << error;
    EXPECT_EQ(target.framebuffer, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
