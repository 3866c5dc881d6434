#include <gtest/gtest.h>

#include "scene_test_support.h"
#include "scenes/timeline.h"

using scenetest::runUpdates;
using scenetest::slot;
using scenetest::slotText;
using scenetest::startDemo;

namespace {

struct Size {
    uint32_t width;
    uint32_t height;
};
constexpr Size kSizes[] = {{800, 600}, {1920, 1080}, {1024, 601}};

TEST(Scene1, BarAWidensToTheScreenOnUpdate60ThenStopsAtAFifth) {
    for (const Size size : kSizes) {
        SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
        startDemo(size.width, size.height);
        const float w = screenW();
        const float fifth = 0.2f * screenH();
        runUpdates(59);
        EXPECT_LT(colorPanelA.width, w);
        EXPECT_EQ(colorPanelA.height, 1.0f);
        runUpdates(1);
        EXPECT_GE(colorPanelA.width, w);
        float highest = 0.0f;
        for (int k = 61; k <= 180; ++k) {
            runUpdates(1);
            ASSERT_LE(colorPanelA.height, fifth) << "update " << k;
            highest = colorPanelA.height;
        }
        EXPECT_EQ(highest, fifth);
        // The bar spans 0.3 H to 0.5 H (whole-pixel top) and has not moved sideways.
        EXPECT_EQ(colorPanelA.y, static_cast<float>(size.height * 3u / 10u));
        EXPECT_EQ(colorPanelA.x, 1.0f);
    }
}

TEST(Scene1, SetUpRowsOfBothBars) {
    struct Case {
        uint32_t height;
        float barAY;
    };
    // Bar A's top is in whole pixels; bar B's and the captions' are not.
    constexpr Case kCases[] = {{601, 180.0f}, {600, 180.0f}, {1079, 323.0f}, {9, 2.0f}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.height);
        startDemo(800, c.height);
        const float h = static_cast<float>(c.height);
        EXPECT_EQ(colorPanelA.y, c.barAY);
        EXPECT_EQ(colorPanelB.y, 6.66f * h / 10.0f);
        EXPECT_EQ(colorPanelB.width, 0.0f);
        EXPECT_EQ(colorPanelB.height, 0.0f);
        EXPECT_EQ(slot(1).y, h * 3.5f / 10.0f);
    }
}

TEST(Scene1, RemarksAppearOnTheCompleteBarAndFadeIn) {
    startDemo(800, 600);
    const float w = 800.0f;
    int firstText = 0;
    for (int k = 1; k <= 180 && firstText == 0; ++k) {
        runUpdates(1);
        if (slotText(0)[0] != '\0') {
            firstText = k;
        }
    }
    ASSERT_GT(firstText, 60);
    ASSERT_LT(firstText, 90);
    // Complete before t = 1.5: black and still transparent.
    EXPECT_EQ(colorPanelA.height, 120.0f);
    EXPECT_STREQ(slotText(0), "If you can get a cube to rotate -");
    EXPECT_STREQ(slotText(1), "- you should definitely join! --D");
    EXPECT_EQ(slot(0).scale, 1.0f);
    EXPECT_EQ(slot(0).color.r, 0.0f);
    EXPECT_EQ(slot(0).color.a, 0.0f);
    EXPECT_EQ(slot(0).x, (w - scene1Line1Width) * 0.5f - 50.0f);
    EXPECT_EQ(slot(1).x, (w - scene1Line2Width) * 0.5f + 50.0f);
    EXPECT_EQ(slot(1).y, 240.0f);
    EXPECT_EQ(slot(0).y, 240.0f - 51.0f);

    runUpdates(150 - firstText);
    EXPECT_NEAR(slot(0).color.a, 0.8f, 1e-4f);
    EXPECT_EQ(slot(1).color.a, slot(0).color.a);
    runUpdates(30);
    EXPECT_EQ(slot(0).color.a, 1.0f);
    EXPECT_EQ(slot(1).color.a, 1.0f);
}

TEST(Scene1, BarBGrowsAsALineThenCarriesTheThirdCaption) {
    for (const Size size : kSizes) {
        SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
        startDemo(size.width, size.height);
        const float w = screenW();
        const float h = screenH();
        const float fifth = 0.2f * h;
        runUpdates(180);
        EXPECT_EQ(colorPanelB.height, 0.0f);
        runUpdates(1);
        EXPECT_EQ(colorPanelB.height, 1.0f);
        EXPECT_GT(colorPanelB.width, 0.0f);
        runUpdates(359 - 181);
        // Complete, and at most one step taller than a fifth.
        EXPECT_GE(colorPanelB.height, fifth);
        EXPECT_LT(colorPanelB.height, fifth + (h * 1.2f) * kFrameStep);
        EXPECT_STREQ(slotText(2), "Challenge Accepted!");
        EXPECT_EQ(slot(2).x, (w - scene1AcceptedWidth) * 0.5f);
        EXPECT_EQ(slot(2).y, 0.666f * h + 0.5f * fifth - 34.0f);
        EXPECT_EQ(slot(2).color.r, 0.0f);
        // The fade-out runs after bar B's rule and owns the alpha from t = 5 on.
        EXPECT_EQ(slot(2).color.a, slot(0).color.a);
    }
}

TEST(Scene1, CaptionAlphaOverTime) {
    struct Case {
        int update;
        float slot1;
        float slot3;
    };
    // t = update / 60 (within a rounding step); the fade-out from t = 5 overrides bar B's alpha.
    // At t = 4 bar B is not complete yet, so slot 3 holds the empty white caption.
    constexpr Case kCases[] = {
        {90, 0.0f, 0.667f},  {120, 0.4f, 0.667f}, {240, 1.0f, 0.667f}, {270, 1.0f, 0.5f},
        {299, 1.0f, 0.983f}, {330, 0.6f, 0.6f},   {375, 0.0f, 0.0f},
    };
    startDemo(800, 600);
    int done = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.update);
        runUpdates(c.update - done);
        done = c.update;
        EXPECT_NEAR(slot(0).color.a, c.slot1, 1e-3f);
        EXPECT_NEAR(slot(1).color.a, c.slot1, 1e-3f);
        EXPECT_NEAR(slot(2).color.a, c.slot3, 1e-3f);
    }
}

TEST(Scene1, BarsCollapseFromTheTopThenTowardsTheRightEdge) {
    startDemo(800, 600);
    runUpdates(390);
    const float rightA = colorPanelA.x + colorPanelA.width;
    const float bottomA = colorPanelA.y + colorPanelA.height;
    const float bottomB = colorPanelB.y + colorPanelB.height;
    runUpdates(479 - 390);
    EXPECT_EQ(demoState.sceneNumber, 1);
    for (const ColorPanel* bar : {&colorPanelA, &colorPanelB}) {
        // Down to a line (at most the 1.1 below which it stops shrinking), then narrowing.
        EXPECT_GE(bar->height, 1.0f);
        EXPECT_LE(bar->height, 1.1f);
        EXPECT_GT(bar->x, 1.0f);
    }
    // The bottom edge holds until the last shrink step, which rounds the height up to 1 pixel.
    EXPECT_NEAR(colorPanelA.y + colorPanelA.height, bottomA, 1.001f);
    EXPECT_NEAR(colorPanelB.y + colorPanelB.height, bottomB, 1.001f);
    EXPECT_NEAR(colorPanelA.x + colorPanelA.width, rightA, 0.05f);
    // By the end nothing of bar A is left on screen: its width has gone negative.
    EXPECT_LT(colorPanelA.width, 0.0f);
}

} // namespace
