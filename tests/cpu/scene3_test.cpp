#include <gtest/gtest.h>

#include <cmath>

#include "scene_test_support.h"
#include "scenes/timeline.h"

using scenetest::runUpdates;
using scenetest::slot;
using scenetest::slotText;
using scenetest::startDemo;

namespace {

void enterScene3(uint32_t width, uint32_t height) {
    startDemo(width, height);
    scenetest::enterScene(3);
}

float distance(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

TEST(Scene3Fields, HeightFadesOutBetween13AndAHalfAnd16) {
    struct Case {
        float i, j, phase;
        float expected;
    };
    const float e0 = std::fabs(std::sin((3.0f + 4.0f + 13.5f) * 0.333f));
    const float e1 = std::fabs(std::sin((3.0f + 4.0f + 14.75f) * 0.333f));
    const Case kCases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f},
        {3.0f, 4.0f, 13.5f, 2.5f * e0}, // the fading branch already, meeting the full wave
        {3.0f, 4.0f, 14.75f, 1.25f * e1},
        {3.0f, 4.0f, 16.0f, 0.0f},
        {43.0f, 43.0f, 16.0f, 0.0f},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.i << "," << c.j << " phase " << c.phase);
        EXPECT_NEAR(scene3Height(c.i, c.j, c.phase), c.expected, 1e-6f);
    }
    // Just below 13.5 the full wave runs; the two branches do not jump apart.
    const float below = scene3Height(3.0f, 4.0f, std::nextafter(13.5f, 0.0f));
    EXPECT_NEAR(below, scene3Height(3.0f, 4.0f, 13.5f), 1e-5f);
    for (float phase = 0.0f; phase < 16.0f; phase += 0.25f) {
        for (float i = 0.0f; i < 44.0f; i += 7.0f) {
            const float v = scene3Height(i, 2.0f, phase);
            ASSERT_GE(v, 0.0f);
            ASSERT_LE(v, 2.5f);
        }
    }
}

TEST(Scene3Fields, WeightAndShadeAroundTheMiddleColumn) {
    struct Case {
        float i, j;
        float weight, shade;
    };
    const Case kCases[] = {
        {22.0f, 22.0f, 0.0f, 0.0f},                               // calm, dark centre
        {0.0f, 0.0f, 1.0f, 0.0f},                                 // far corner
        {30.0f, 22.0f, 1.0f, 1.0f},                               // distance 8: bright ring
        {34.0f, 22.0f, 1.0f, (4.0f - 144.0f * 0.021429f) * 0.5f}, // distance 12: 0.457
        {23.0f, 22.0f, 0.028572f, 0.021429f},                     // one column out
        {22.0f, 27.0f, 25.0f * 0.028572f, 25.0f * 0.021429f},     // weight below 1 still
        {43.0f, 43.0f, 1.0f, 0.0f},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.i << "," << c.j);
        EXPECT_NEAR(weight22(c.i, c.j), c.weight, 1e-6f);
        EXPECT_NEAR(shade22(c.i, c.j, 0.0f), c.shade, 1e-6f);
        EXPECT_EQ(shade22(c.i, c.j, 7.0f), shade22(c.i, c.j, 0.0f)); // phase not used
    }
    EXPECT_NEAR(shade22(34.0f, 22.0f, 0.0f), 0.457f, 1e-3f);
}

TEST(Scene3, SetUpTurnsTheFieldOnAndParksThePanel) {
    enterScene3(800, 600);
    EXPECT_EQ(fieldA.visible, 1);
    EXPECT_EQ(fieldA.weightsReady, 0);
    EXPECT_EQ(fieldA.brightness, 0.77f);
    EXPECT_EQ(fieldA.originY, -1.5f);
    EXPECT_EQ(fieldA.phase, 0.0f);
    EXPECT_EQ(fieldA.heightFn, &scene3Height);
    EXPECT_EQ(colorPanelA.x, 800.0f);
    EXPECT_EQ(colorPanelA.y, 0.05f * 600.0f);
    EXPECT_EQ(colorPanelA.width, scene3TitleWidth + 50.0f);
    EXPECT_NEAR(scene3TitleWidth, 285.5f, 0.5f);
    EXPECT_EQ(slot(2).color.a, 1.0f);
    EXPECT_EQ(slot(2).color.r, 0.0f);
    for (const ParticleEmitter* e : {&emitterA, &emitterB, &emitterC}) {
        EXPECT_TRUE(e->enabled);
        EXPECT_EQ(e->count, 0u);
        EXPECT_EQ(e->drift.y, -1.5f);
    }
    runUpdates(1);
    EXPECT_EQ(fieldA.weightsReady, 1);
    EXPECT_EQ(fieldA.weights[22 * 44 + 22], 0.0f);
    EXPECT_EQ(fieldA.heights[3 * 44 + 4], scene3Height(3.0f, 4.0f, fieldA.phase));
}

TEST(Scene3, CameraBlendsIntoTheOrbitWithoutAJump) {
    enterScene3(800, 600);
    const Vec3 startEye = demoState.cameraEye;
    EXPECT_EQ(startEye.x, 11.0f);
    EXPECT_EQ(demoState.cameraTarget.y, 12.0f);
    Vec3 previous = startEye;
    float largestStep = 0.0f;
    float largestLateBlendStep = 0.0f;
    for (int k = 1; k <= 240; ++k) {
        runUpdates(1);
        const Vec3 eye = demoState.cameraEye;
        const float step = distance(eye, previous);
        largestStep = std::fmax(largestStep, step);
        if (k > 100 && k <= 120) {
            largestLateBlendStep = std::fmax(largestLateBlendStep, step);
        }
        if (k == 121) {
            // Continuous at t = 2: switching to the pure orbit moves no further than a blend step.
            EXPECT_LE(step, largestLateBlendStep);
        }
        if (k == 120) {
            // The last blended update lands next to the orbit point and the target near the origin.
            const float a = 0.25f * scene3Time;
            EXPECT_NEAR(eye.x, 11.0f * std::cos(a), 0.01f);
            EXPECT_NEAR(eye.z, 11.0f * std::sin(a), 0.01f);
            EXPECT_NEAR(demoState.cameraTarget.y, 0.0f, 0.01f);
        }
        if (k >= 121) {
            EXPECT_EQ(demoState.cameraTarget.y, 0.0f);
            EXPECT_NEAR(std::hypot(eye.x, eye.z), 11.0f, 1e-4f);
            EXPECT_EQ(eye.y, 5.0f);
        }
        previous = eye;
    }
    // The orbit runs at 11 * 0.25 units a second; the blend stays within twice that.
    EXPECT_LT(largestStep, 2.0f * 11.0f * 0.25f / 60.0f);
}

TEST(Scene3, PanelSlidesInFlushWithTheRightEdgeAndOutAgain) {
    for (const uint32_t width : {800u, 1920u, 803u}) {
        SCOPED_TRACE(width);
        enterScene3(width, 600);
        const float w = static_cast<float>(width);
        runUpdates(150);
        EXPECT_EQ(colorPanelA.x, w);
        EXPECT_STREQ(slotText(0), ""); // t = 2.5 is not yet inside the window
        runUpdates(1);
        EXPECT_LT(colorPanelA.x, w);
        EXPECT_STREQ(slotText(0), "Billion* Cubes!");
        runUpdates(329 - 151);
        EXPECT_EQ(colorPanelA.x, w - colorPanelA.width);
        EXPECT_EQ(slot(0).x, colorPanelA.x + (colorPanelA.width - scene3TitleWidth) * 0.5f);
        EXPECT_EQ(slot(0).color.a, 1.0f);
        runUpdates(420 - 329);
        EXPECT_GE(colorPanelA.x, w);
        EXPECT_NEAR(slot(0).color.a, 0.0f, 1e-4f);
    }
}

TEST(Scene3, FountainsStartOneAfterAnother) {
    struct Case {
        const ParticleEmitter* emitter;
        int firstUpdate;
    };
    const Case kCases[] = {{&emitterA, 121}, {&emitterB, 247}, {&emitterC, 372}};
    for (const Case& c : kCases) {
        enterScene3(800, 600);
        runUpdates(c.firstUpdate - 1);
        EXPECT_EQ(c.emitter->count, 0u) << c.firstUpdate;
        runUpdates(1);
        EXPECT_EQ(c.emitter->count, 2u) << c.firstUpdate;
        // Just after its start the fountain sits low, on the far side of the axis.
        EXPECT_NEAR(c.emitter->origin.y, -1.75f, 0.05f);
    }
    enterScene3(800, 600);
    runUpdates(660);
    for (const ParticleEmitter* e : {&emitterA, &emitterB, &emitterC}) {
        EXPECT_EQ(e->origin.y, 2.5f);
        EXPECT_NEAR(std::hypot(e->origin.x, e->origin.z), 3.5f, 1e-5f);
    }
}

} // namespace
