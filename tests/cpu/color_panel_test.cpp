#include <gtest/gtest.h>

#include "drawables/color_panel.h"

namespace {

TEST(ColorPanel, FrontRectangleCornersAndColour) {
    ColorPanel panel;
    colorPanelInit(panel);
    panel.x = 10.0f;
    panel.y = 20.0f;
    panel.z = -5.0f;
    panel.width = 300.0f;
    panel.height = 40.0f;
    panel.depth = 7.0f; // not part of the rectangle
    panel.color = {1.0f, 0.5f, 0.25f, 0.85f};
    colorPanelBuild(panel);
    // Top-left, top-right, bottom-right, bottom-left in overlay pixels (y down).
    const float corners[4][2] = {{10, 20}, {310, 20}, {310, 60}, {10, 60}};
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(v);
        EXPECT_FLOAT_EQ(panel.positions[v * 3], corners[v][0]);
        EXPECT_FLOAT_EQ(panel.positions[v * 3 + 1], corners[v][1]);
        EXPECT_FLOAT_EQ(panel.positions[v * 3 + 2], -5.0f);
        EXPECT_FLOAT_EQ(panel.colors[v * 4], 1.0f);
        EXPECT_FLOAT_EQ(panel.colors[v * 4 + 1], 0.5f);
        EXPECT_FLOAT_EQ(panel.colors[v * 4 + 2], 0.25f);
        EXPECT_FLOAT_EQ(panel.colors[v * 4 + 3], 0.85f);
    }
    colorPanelFree(panel);
    EXPECT_EQ(panel.positions, nullptr);
    EXPECT_EQ(panel.colors, nullptr);
}

} // namespace
