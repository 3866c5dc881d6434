#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "drawables/color_panel.h"

TEST(ColorPanel, FrontRectangleCornersAndColour) {
    ColorPanel panel;
    colorPanelInit(panel);
    std::tie(panel.x, panel.y, panel.z, panel.width, panel.height) =
        std::tuple(10, 20, -5, 300, 40);
    panel.color = {1.0f, 0.5f, 0.25f, 0.85f};
    colorPanelBuild(panel);
    // Top-left, top-right, bottom-right, bottom-left in overlay pixels (y down).
    const float corners[4][3] = {{10, 20, -5}, {310, 20, -5}, {310, 60, -5}, {10, 60, -5}};
    const float rgba[4] = {1.0f, 0.5f, 0.25f, 0.85f};
    for (int v = 0; v < 4; ++v) {
        EXPECT_TRUE(std::equal(corners[v], corners[v] + 3, panel.positions + v * 3)) << v;
        EXPECT_TRUE(std::equal(rgba, rgba + 4, panel.colors + v * 4)) << v;
    }
    colorPanelFree(panel);
}
