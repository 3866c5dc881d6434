#include <gtest/gtest.h>

#include <cmath>

#include "scene_test_support.h"
#include "scenes/timeline.h"

using scenetest::runUpdates;
using scenetest::slot;
using scenetest::slotText;
using scenetest::startDemo;

namespace {

void enterScene2(uint32_t width, uint32_t height) {
    startDemo(width, height);
    scenetest::enterScene(2);
}

TEST(Scene2, PanelRisesAndStopsExactlyAtThreeQuartersOfTheHeight) {
    for (const uint32_t height : {600u, 1080u, 601u, 333u}) {
        SCOPED_TRACE(height);
        enterScene2(800, height);
        const float stop = 0.75f * static_cast<float>(height);
        EXPECT_EQ(colorPanelA.y, static_cast<float>(height * 11u / 10u));
        EXPECT_EQ(colorPanelA.height, static_cast<float>(height * 2u / 10u));
        runUpdates(60);
        EXPECT_STREQ(slotText(0), ""); // t <= 1: neither moved nor titled
        EXPECT_EQ(colorPanelA.y, static_cast<float>(height * 11u / 10u));
        for (int k = 61; k <= 359; ++k) {
            runUpdates(1);
            ASSERT_GE(colorPanelA.y, stop) << "update " << k;
        }
        EXPECT_EQ(colorPanelA.y, stop);
        runUpdates(1); // t passes 6: the panel sinks again
        EXPECT_GT(colorPanelA.y, stop);
    }
}

TEST(Scene2, TitleRidesCentredOnThePanel) {
    enterScene2(800, 600);
    runUpdates(120);
    const float fifth = 0.2f * 600.0f;
    EXPECT_STREQ(slotText(0), "Not One, But Two Rotating Cubes!");
    EXPECT_EQ(slot(0).scale, 1.25f);
    EXPECT_EQ(slot(0).x, (800.0f - scene2TitleWidth) * 0.5f);
    EXPECT_EQ(slot(0).y, 450.0f + 0.5f * fifth - 34.0f);
    EXPECT_EQ(slot(0).color.r, 0.0f);
    EXPECT_NEAR(slot(0).color.a, 1.0f, 1e-5f);
    runUpdates(360 - 120); // t = 6: fading, 0.2 gone
    EXPECT_NEAR(slot(0).color.a, 0.8f, 1e-3f);
    runUpdates(61); // t past 7: gone
    EXPECT_EQ(slot(0).color.a, 0.0f);
}

TEST(Scene2, TallScreenShowsTheTitleFromFourSecondsWhereverThePanelIs) {
    enterScene2(800, 4000);
    runUpdates(240);
    EXPECT_STREQ(slotText(0), "");
    const float y = colorPanelA.y;
    EXPECT_GT(y, 0.75f * 4000.0f);
    runUpdates(1);
    EXPECT_STREQ(slotText(0), "Not One, But Two Rotating Cubes!");
    EXPECT_EQ(colorPanelA.y, y);
}

TEST(Scene2, CubesCloseInFromAWidthDependentDistance) {
    struct Case {
        uint32_t width;
        float far; // boxA's z at t = 0
    };
    // The start distance grows with the width up to 880 pixels and no further.
    constexpr Case kCases[] = {{800, -12.0f}, {880, -13.2f}, {1920, -13.2f}, {400, -6.0f}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.width);
        enterScene2(c.width, 600);
        runUpdates(1);
        const float t = scene2Time;
        EXPECT_NEAR(boxA.z, c.far + (-3.5f - c.far) * t / 5.0f, 1e-5f);
        EXPECT_EQ(boxB.z, -boxA.z);
        EXPECT_EQ(boxA.x, 0.0f);
        EXPECT_EQ(boxB.x, 0.0f);
        runUpdates(149); // t = 2.5: half-way
        EXPECT_NEAR(boxA.z, (c.far - 3.5f) * 0.5f, 1e-4f);
        runUpdates(150); // t just past 5
        EXPECT_EQ(boxA.z, -3.5f);
        EXPECT_EQ(boxB.z, 3.5f);
    }
}

TEST(Scene2, CubesSpinAtAHundredDegreesPerSecondInOppositeDirections) {
    enterScene2(800, 600);
    for (const int update : {1, 60, 300, 840}) {
        SCOPED_TRACE(update);
        runUpdates(update - static_cast<int>(std::lround(scene2Time * 60.0f)));
        EXPECT_NEAR(boxA.rotZ, update * 100.0f / 60.0f, 0.01f);
        EXPECT_EQ(boxB.rotZ, -boxA.rotZ);
        EXPECT_EQ(boxA.rotX, 0.0f);
        EXPECT_EQ(boxA.rotY, 0.0f);
    }
}

TEST(Scene2, FountainStartsAtFiveSecondsAndEmitsTwoThenOneThenNone) {
    enterScene2(800, 600);
    runUpdates(299);
    EXPECT_FALSE(emitterA.enabled);
    EXPECT_EQ(emitterA.count, 0u);
    runUpdates(1);
    EXPECT_TRUE(emitterA.enabled);
    EXPECT_EQ(emitterA.count, 2u);
    const float t = scene2Time;
    EXPECT_NEAR(emitterA.origin.x, -6.0f + 0.5f * std::sin(t), 1e-5f);
    EXPECT_NEAR(emitterA.origin.y, 11.0f, 0.01f);
    EXPECT_NEAR(emitterA.origin.z, 0.5f * std::cos(t), 1e-5f);
    // Two a frame with a 2 s life: the pool levels off near 240 particles.
    runUpdates(600 - 300);
    EXPECT_NEAR(static_cast<int>(emitterA.count), 240, 2);
    runUpdates(736 - 600);
    const uint32_t afterLast = emitterA.count;
    runUpdates(1);
    EXPECT_LE(emitterA.count, afterLast);
    EXPECT_TRUE(emitterA.enabled);
}

TEST(Scene2, CameraTurnsToTheFountainAfterEightSeconds) {
    enterScene2(800, 600);
    runUpdates(479);
    EXPECT_EQ(demoState.cameraEye.x, 10.0f);
    EXPECT_EQ(demoState.cameraTarget.x, 0.0f);
    runUpdates(1);
    EXPECT_EQ(demoState.cameraTarget.x, -6.0f);
    EXPECT_NEAR(demoState.cameraEye.x, 10.0f, 1e-3f);
    runUpdates(840 - 480);
    EXPECT_NEAR(demoState.cameraEye.x, -3.0f, 1e-3f);
    EXPECT_EQ(demoState.cameraUp.y, 1.0f);
}

} // namespace
