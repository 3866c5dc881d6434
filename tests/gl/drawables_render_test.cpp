// Real frames of the drawables through the frame composer. They hold for any box texture that
// is not black, any particle sheet with light in its first sprite, and any font atlas that draws
// the font's outlines in the glyph rectangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ranges>
#include <tuple>

#include "app/platform.h"
#include "capture/frame_read.h"
#include "gl_harness.h"
#include "imagegen/font_atlas.h"
#include "stage/demo_state.h"
#include "stage/frame.h"

namespace {

// A frame as composeFrame leaves it in the back buffer before the swap: RGBA, rows from the
// bottom.
using Frame = std::vector<uint8_t>;
Frame compose() {
    Frame frame(size_t{kHarnessWidth} * kHarnessHeight * 4);
    composeFrame();
    frameRead(kHarnessWidth, kHarnessHeight, GL_RGBA, frame.data());
    platformSwap();
    return frame;
}

struct Box {
    int32_t x0, y0, x1, y1; // pixels, half-open, rows from the top
    bool contains(int32_t x, int32_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};
constexpr Box kWhole{0, 0, kHarnessWidth, kHarnessHeight};

// Pixels for which is(x, y, rgba) holds.
int32_t count(const Frame& f, auto is) {
    const auto px = [&](int32_t k) {
        return is(k % kHarnessWidth, kHarnessHeight - 1 - k / kHarnessWidth, &f[4 * size_t(k)]);
    };
    return int32_t(std::ranges::count_if(std::views::iota(0, kHarnessWidth * kHarnessHeight), px));
}

// Pixels that are not black, inside the box or (inside false) outside it.
int32_t lit(const Frame& frame, Box box, bool inside = true) {
    return count(frame, [&](int32_t x, int32_t y, const uint8_t* p) {
        return box.contains(x, y) == inside && (p[0] | p[1] | p[2]) != 0;
    });
}

void setPanel(ColorPanel& panel, Box b, Color color) {
    std::tie(panel.x, panel.y, panel.width, panel.height, panel.color) =
        std::tuple(float(b.x0), float(b.y0), float(b.x1 - b.x0), float(b.y1 - b.y0), color);
}

class DrawablesRender : public testing::Test {
  protected:
    void SetUp() override { harnessClearScene(); }
};

TEST_F(DrawablesRender, PanelsCoverExactlyTheirPixelsWithTheirColourAndAlpha) {
    const Box a{100, 50, 300, 150}, b{250, 120, 350, 180};
    setPanel(colorPanelA, a, {0.2f, 0.6f, 1.0f, 1.0f});
    setPanel(colorPanelB, b, {1.0f, 0.0f, 0.0f, 0.5f}); // drawn later, over part of a
    const auto wrong = [&](int32_t x, int32_t y, const uint8_t* p) {
        const float over = b.contains(x, y) ? 0.5f : 0.0f, under = a.contains(x, y) ? 1 - over : 0;
        const auto off = [](int got, float expected) { return std::abs(got - expected) > 2; };
        return off(p[0], 51 * under + 255 * over) || off(p[1], 153 * under) ||
               off(p[2], 255 * under);
    };
    EXPECT_EQ(count(compose(), wrong), 0);
}

// Camera 12 units in front of a 4-unit cube: its front face spans about 208 pixels. Then a field
// seen from above and in front, with nothing above or beside it.
TEST_F(DrawablesRender, CubesAndFieldsDrawTexturedPixelsOnlyWhenVisible) {
    demoState.cameraEye = {0, 0, 12};
    boxA.visible = true;
    const Frame cube = compose();
    EXPECT_GE(lit(cube, {310, 210, 490, 390}), 180 * 180 / 4);
    EXPECT_EQ(lit(cube, {286, 186, 514, 414}, false), 0);
    boxA.visible = false;
    demoState.cameraEye = {0, 12, 12};
    fieldB.originX = fieldB.originY = fieldB.originZ = fieldB.phase = 0;
    fieldB.brightness = 1;
    fieldB.heightFn = defaultHeight;
    fieldB.weightFn = [](float, float) { return 1.0f; };
    fieldB.shadeFn = [](float, float, float) { return 1.0f; };
    cubeFieldSwitchOn(fieldB);
    cubeFieldUpdateHeights(fieldB);
    const Frame field = compose();
    EXPECT_GE(lit(field, {360, 260, 440, 340}), 80 * 80 / 4);
    EXPECT_EQ(lit(field, {40, 40, 760, 600}, false), 0);
    fieldB.visible = 0;
    EXPECT_EQ(lit(compose(), kWhole), 0);
}

// A newborn sprite 12 units ahead is about 14 pixels across. How it meets the cubes' depth and
// light is the particle pass's state, which the whole-frame test checks.
TEST_F(DrawablesRender, ParticlesAddLight) {
    emitterA.enabled = true;
    emitterA.count = 1;
    emitterA.particles[0] = Particle{{0, 0, -7}, {}};
    EXPECT_GT(lit(compose(), {390, 290, 410, 310}), 0);
}

// The shader draws a glyph's edge where the atlas crosses 0.5: an 'I' drawn at 8 times the atlas's
// size has a stem as wide as the font's, 8 x 4.32 pixels, across the middle of its cap height, and
// the stem's middle column is dark for 8 times the cap height, up from the baseline, which lies
// 35 x 8 pixels below the caption's top.
TEST_F(DrawablesRender, CaptionEdgesLieOnTheAtlasHalfLevel) {
    setPanel(colorPanelA, kWhole, {1, 1, 1, 1});
    captionSet(captions, 0, "I", 8.0f, 300.0f, 0.0f);
    captionAt(captions, 0)->color = {0, 0, 0, 1};
    const Frame frame = compose();
    const auto row = int32_t(35 * 8 - 8 * kCapHeight / 2);
    int32_t sumX = 0, lowest = 0;
    const int32_t stem = count(frame, [&](int32_t x, int32_t y, const uint8_t* p) {
        sumX += y == row && p[0] < 128 ? x : 0;
        return y == row && p[0] < 128;
    });
    EXPECT_NEAR(stem, 8 * kStemWidthI, 1.5f);
    const int32_t middle = sumX / std::max(stem, 1);
    const int32_t tall = count(frame, [&](int32_t x, int32_t y, const uint8_t* p) {
        lowest = x == middle && p[0] < 128 ? std::max(lowest, y) : lowest;
        return x == middle && p[0] < 128;
    });
    EXPECT_NEAR(tall, 8 * kCapHeight, 1.5f);
    EXPECT_EQ(lowest, 35 * 8 - 1);
}

} // namespace
