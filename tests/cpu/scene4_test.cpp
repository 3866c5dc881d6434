#include <gtest/gtest.h>

#include <cmath>

#include "scene_test_support.h"
#include "scenes/timeline.h"

using scenetest::runUpdates;
using scenetest::slot;
using scenetest::slotText;
using scenetest::startDemo;

namespace {

void enterScene4() {
    startDemo(800, 600);
    scenetest::enterScene(4);
}

TEST(Scene4Fields, RingsGrowOverTwoSecondsOfPhase) {
    struct Case {
        float i, j, phase;
        float expected;
    };
    const float r5 = 5.0f; // column (27, 22) or (22, 17)
    const Case kCases[] = {
        {27.0f, 22.0f, 0.0f, 0.0f},
        {0.0f, 0.0f, 0.0f, 0.0f},
        {27.0f, 22.0f, 1.0f, std::fabs(std::sin((r5 + 1.0f) * 0.33f))},
        {22.0f, 17.0f, 1.0f, std::fabs(std::sin((r5 + 1.0f) * 0.33f))},
        {22.0f, 22.0f, 1.0f, std::fabs(std::sin(1.0f * 0.33f))},
        {27.0f, 22.0f, 3.0f, 2.0f * std::fabs(std::sin((r5 + 9.0f) * 0.33f))},
        {25.0f, 26.0f, 2.0f, 2.0f * std::fabs(std::sin((r5 + 4.0f) * 0.33f))}, // 3-4-5
        {25.0f, 26.0f, 0.5f, 0.5f * std::fabs(std::sin((r5 + 0.25f) * 0.33f))},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.i << "," << c.j << " phase " << c.phase);
        EXPECT_NEAR(scene4Height(c.i, c.j, c.phase), c.expected, 1e-6f);
    }
}

TEST(Scene4, FirstUpdatePutsTheEyeOnTheCircleAtFourRadians) {
    enterScene4();
    EXPECT_EQ(fieldA.visible, 1);
    EXPECT_EQ(fieldA.weightsReady, 0);
    EXPECT_EQ(fieldA.heightFn, &scene4Height);
    EXPECT_EQ(fieldA.weightFn, &weight22);
    EXPECT_EQ(fieldA.shadeFn, &shade22);
    EXPECT_EQ(fieldA.brightness, 0.77f);
    EXPECT_FALSE(emitterA.enabled);
    EXPECT_EQ(emitterC.count, 0u);
    EXPECT_STREQ(slotText(2), "");
    EXPECT_EQ(slot(2).color.a, 1.0f);
    EXPECT_EQ(slot(2).y, 600.0f * 6.7f / 10.0f);
    EXPECT_EQ(slot(0).y, 180.0f);
    runUpdates(1);
    EXPECT_NEAR(demoState.cameraEye.x, -7.155f, 2e-3f);
    EXPECT_EQ(demoState.cameraEye.y, 5.0f);
    EXPECT_NEAR(demoState.cameraEye.z, -8.355f, 2e-3f);
    EXPECT_EQ(demoState.cameraTarget.x, 0.0f);
    EXPECT_EQ(demoState.cameraTarget.y, 0.0f);
    EXPECT_EQ(demoState.cameraTarget.z, 0.0f);
    EXPECT_EQ(fieldA.phase, scene4Time);
    EXPECT_EQ(fieldA.weightsReady, 1);
}

TEST(Scene4, CameraSpiralsInAndDownWithoutJumps) {
    enterScene4();
    float lastDistance = 11.0f;
    for (int k = 1; k <= 539; ++k) {
        runUpdates(1);
        const Vec3 eye = demoState.cameraEye;
        const float d = std::hypot(eye.x, eye.z);
        const float t = scene4Time;
        SCOPED_TRACE(k);
        if (k <= 359) {
            ASSERT_NEAR(d, 11.0f, 1e-4f);
        } else {
            // Shrinks at 0.3333 * 11 a second; the first step past t = 6 stays near 11.
            ASSERT_LT(d, lastDistance + 1e-4f);
            ASSERT_NEAR(d, (9.0f - t) * 0.3333f * 11.0f, 1e-3f);
        }
        if (k <= 479) {
            ASSERT_EQ(eye.y, 5.0f);
        } else {
            ASSERT_NEAR(eye.y, (9.0f - t) * 5.0f, 1e-4f);
        }
        lastDistance = d;
    }
    EXPECT_LT(lastDistance, 0.1f);
    EXPECT_LT(demoState.cameraEye.y, 0.1f);
}

TEST(Scene4, FieldFadesToBlackAfterSevenAndThreeQuarterSeconds) {
    enterScene4();
    runUpdates(464);
    EXPECT_EQ(fieldA.brightness, 0.77f);
    float previous = fieldA.brightness;
    for (int k = 465; k <= 539; ++k) {
        runUpdates(1);
        ASSERT_LT(fieldA.brightness, previous) << k;
        ASSERT_NEAR(fieldA.brightness, (9.0f - scene4Time) / 1.25f * 0.77f, 1e-5f);
        previous = fieldA.brightness;
    }
    EXPECT_NEAR(previous, 0.0f, 0.02f);
    runUpdates(1);
    // The hand-over update: just below 0, and scene 5's set-up switches the field off.
    EXPECT_EQ(demoState.sceneNumber, 5);
    EXPECT_LT(fieldA.brightness, 0.0f);
    EXPECT_EQ(fieldA.visible, 0);
}

} // namespace
