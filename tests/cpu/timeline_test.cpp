// The five scenes driven without GL, update by update, the way the frame loop runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "app/demo.h"
#include "app/demo_state.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"
#include "scenes/timeline.h"

namespace {

constexpr uint32_t kScrambleSeed = 9873451u;

// The post-start-up state on a screen of the given size, run through the hand-overs up to scene
// n. Tests share the global instances, so every test starts from here.
void enterScene(int32_t n, uint32_t width = 800, uint32_t height = 600) {
    demoState.screenWidth = width;
    demoState.screenHeight = height;
    while (captions.count < 3) {
        captionAdd(Caption{"", 1.5f, {1.0f, 1.0f, 1.0f, 0.667f}, 5.0f, 100.0f});
    }
    demoState.captionSlot1 = 0;
    demoState.captionSlot2 = 1;
    demoState.captionSlot3 = 2;
    demoState.sceneNumber = 1;
    scene1Time = scene2Time = scene3Time = scene4Time = scene5Time = 0.0f;
    for (CubeField* field : {&fieldA, &fieldB, &fieldC, &fieldD}) {
        field->visible = field->weightsReady = 0;
        field->phase = 0.0f;
    }
    scene1Setup();
    while (demoState.sceneNumber != n) {
        demoUpdateScene();
    }
}

void runUpdates(int n) {
    while (n-- > 0) {
        demoUpdateScene();
    }
}

TEST(Timeline, EveryHandOverFallsOnItsUpdateForTwoLoops) {
    // Each scene hands over on the first update whose single-precision timer passes its end.
    constexpr int kUpdates[] = {480, 841, 961, 540, 1201};
    for (const uint32_t width : {800u, 1920u}) {
        enterScene(1, width, 600);
        const ColorPanel barA = colorPanelA;
        for (int loop = 0; loop < 2; ++loop) {
            // A repeated scene 1 starts like the first one.
            EXPECT_TRUE(colorPanelA.width == barA.width && colorPanelA.height == barA.height);
            for (int32_t scene = 1; scene <= 5; ++scene) {
                SCOPED_TRACE(::testing::Message() << width << " loop " << loop << " " << scene);
                runUpdates(kUpdates[scene - 1] - 1);
                EXPECT_EQ(demoState.sceneNumber, scene);
                runUpdates(1);
                EXPECT_EQ(demoState.sceneNumber, scene % 5 + 1);
            }
        }
    }
}

TEST(Scene1, BarAWidensToTheScreenOnUpdate60ThenStopsAtAFifth) {
    for (const uint32_t height : {600u, 1080u, 601u}) {
        SCOPED_TRACE(height);
        enterScene(1, 1024, height);
        runUpdates(59);
        EXPECT_LT(colorPanelA.width, 1024.0f);
        runUpdates(1);
        EXPECT_GE(colorPanelA.width, 1024.0f);
        for (int k = 61; k <= 180; ++k) {
            runUpdates(1);
            ASSERT_LE(colorPanelA.height, 0.2f * screenH()) << "update " << k;
        }
        EXPECT_EQ(colorPanelA.height, 0.2f * screenH());
    }
}

TEST(Scene2, PanelStopsAtThreeQuartersOfTheHeightAndCubesCloseIn) {
    for (const uint32_t height : {600u, 1080u, 601u, 333u}) {
        SCOPED_TRACE(height);
        enterScene(2, 800, height);
        const float stop = 0.75f * static_cast<float>(height);
        for (int k = 1; k <= 359; ++k) {
            runUpdates(1);
            ASSERT_GE(colorPanelA.y, stop) << "update " << k;
        }
        EXPECT_EQ(colorPanelA.y, stop);
    }
    // boxA's z at t = 0 grows with the width up to 1.1 times that of 800 pixels.
    for (const auto& [width, far] :
         {std::tuple{800u, -12.0f}, {880u, -13.2f}, {1920u, -13.2f}, {400u, -6.0f}}) {
        SCOPED_TRACE(width);
        enterScene(2, width, 600);
        runUpdates(1);
        EXPECT_NEAR(boxA.z, far + (-3.5f - far) * scene2Time / 5.0f, 1e-5f);
        EXPECT_EQ(boxB.z, -boxA.z);
        runUpdates(299); // t just past 5
        EXPECT_EQ(boxA.z, -3.5f);
        // A hundred degrees a second, in opposite directions.
        EXPECT_NEAR(boxA.rotZ, 300 * 100.0f / 60.0f, 0.01f);
        EXPECT_EQ(boxB.rotZ, -boxA.rotZ);
    }
}

TEST(Scene3, CameraBlendsIntoTheOrbitWithoutAJump) {
    enterScene(3);
    Vec3 previous = demoState.cameraEye;
    float lateBlendStep = 0.0f;
    for (int k = 1; k <= 240; ++k) {
        runUpdates(1);
        SCOPED_TRACE(k);
        const Vec3 eye = demoState.cameraEye;
        const float step = std::hypot(eye.x - previous.x, eye.y - previous.y, eye.z - previous.z);
        previous = eye;
        // The orbit runs at 11 * 0.25 units a second; the blend stays within twice that.
        ASSERT_LT(step, 2.0f * 11.0f * 0.25f / 60.0f);
        if (k <= 120) {
            lateBlendStep = std::max(lateBlendStep, k > 100 ? step : 0.0f);
        } else {
            // Switching to the pure orbit at t = 2 moves no further than a late blend step.
            ASSERT_TRUE(k > 121 || step <= lateBlendStep) << step << " " << lateBlendStep;
            ASSERT_TRUE(demoState.cameraTarget.y == 0.0f && eye.y == 5.0f);
            ASSERT_NEAR(std::hypot(eye.x, eye.z), 11.0f, 1e-4f);
        }
    }
}

TEST(Scene4, EyeStartsAtFourRadiansAndTheFieldFadesAfterSevenAndThreeQuarters) {
    enterScene(4);
    runUpdates(1);
    const Vec3 eye = demoState.cameraEye, target = demoState.cameraTarget;
    EXPECT_NEAR(eye.x, -7.155f, 2e-3f);
    EXPECT_NEAR(eye.z, -8.355f, 2e-3f);
    EXPECT_TRUE(eye.y == 5.0f && std::hypot(target.x, target.y, target.z) == 0.0f);
    runUpdates(463);
    EXPECT_EQ(fieldA.brightness, 0.77f);
    for (int k = 465; k <= 539; ++k) {
        runUpdates(1);
        ASSERT_NEAR(fieldA.brightness, (9.0f - scene4Time) / 1.25f * 0.77f, 1e-5f) << k;
    }
}

TEST(Scene5, RoomBrightensToAboutPointEightThenFadesAfterFifteen) {
    enterScene(5);
    float ramped = 0.0f;
    for (int k = 1; k <= 1200; ++k) {
        runUpdates(1);
        const float t = scene5Time, b = fieldB.brightness;
        SCOPED_TRACE(k);
        ASSERT_TRUE(fieldC.brightness == b && fieldD.brightness == b);
        if (t < 1.6f) {
            ASSERT_EQ(b, 0.5f * t);
            ramped = b;
        } else if (t <= 15.0f) {
            ASSERT_EQ(b, ramped);
        } else {
            ASSERT_NEAR(b, (20.0f - t) * 0.2f * 0.8f, 1e-6f);
        }
    }
    EXPECT_TRUE(ramped > 0.79f && ramped <= 0.8f) << ramped;
}

TEST(Scene5, CreditTextsSettleFromTheLeft) {
    // Settled characters = (t - start) * rate, from the first update showing the text to the last.
    for (const auto& [slot, credit, start, rate, first, last] :
         {std::tuple{1, "Rulvo, Sefira, Dovak", 4.25f, 30.0f, 241, 368},
          {0, "Music and Sound :", 7.5f, 30.0f, 451, 554},
          {0, "THE END", 10.5f, 10.0f, 631, 794}}) {
        SCOPED_TRACE(credit);
        enterScene(5);
        runUpdates(first - 1);
        const std::string text = credit;
        size_t settled = 0;
        for (int k = first; k <= last; ++k) {
            runUpdates(1);
            const std::string shown = captions.items[slot].text ? captions.items[slot].text : "";
            ASSERT_EQ(shown.size(), text.size()) << "update " << k;
            const float keep = (scene5Time - start) * rate;
            const size_t prefix = keep <= 0.0f ? 0 : std::min(text.size(), size_t(keep));
            ASSERT_GE(prefix, settled) << k; // a settled character never changes back
            settled = prefix;
            ASSERT_EQ(shown.substr(0, prefix), text.substr(0, prefix)) << k;
        }
    }
}

TEST(TextScramble, KeepsThePrefixAndReplacesTheRest) {
    // The third field counts the leading characters left alone.
    const std::tuple<const char*, int32_t, size_t> kCases[] = {
        {"Missing", 7, 7}, {"Missing", 100, 7}, {"Missing", 3, 3},
        {"Missing", 0, 0}, {"Missing", -5, 0},  {"", -1, 0}};
    for (const auto& [text, keep, unchanged] : kCases) {
        SCOPED_TRACE(::testing::Message() << '"' << text << "\" keep " << keep);
        scrambleState = kScrambleSeed;
        char buffer[kScene5TextSize];
        std::strcpy(buffer, text);
        textScramble(buffer, keep);
        const size_t n = std::strlen(text);
        ASSERT_EQ(std::strlen(buffer), n);
        EXPECT_EQ(std::string(buffer, unchanged), std::string(text, unchanged));
        // Only replaced characters draw from the generator.
        EXPECT_EQ(scrambleState == kScrambleSeed, unchanged == n);
    }
}

TEST(SceneFields, FunctionsAtEdgeValues) {
    const auto weight = +[](float i, float j, float) { return weight22(i, j); };
    const auto wave3 = [](float phase) { return std::fabs(std::sin((7.0f + phase) * 0.333f)); };
    const auto ring4 = [](float r) { return std::fabs(std::sin(r * 0.33f)); };
    const struct {
        float (*fn)(float, float, float);
        float i, j, phase, expected;
    } kCases[] = {
        // At 13.5 the wave starts fading out, from its full 2.5, to nothing at 16.
        {scene3Height, 3.0f, 4.0f, std::nextafter(13.5f, 0.0f), 2.5f * wave3(13.5f)},
        {scene3Height, 3.0f, 4.0f, 16.0f, 0.0f},
        // Calm dark centre at (22, 22), rising to a bright ring at distance 8.
        {weight, 22.0f, 27.0f, 0.0f, 25.0f * 0.028572f},
        {shade22, 23.0f, 22.0f, 7.0f, 0.021429f},
        {shade22, 34.0f, 22.0f, 0.0f, (4.0f - 144.0f * 0.021429f) * 0.5f},
        // Rings around (22, 22) that grow over two seconds of phase.
        {scene4Height, 27.0f, 22.0f, 3.0f, 2.0f * ring4(14.0f)},
        {scene5Shade, 15.0f, 15.0f, 2.0f, 0.8f * std::fabs(std::sin(1135.0f * 0.333f)) + 0.15f},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << &c - kCases << ": " << c.i << "," << c.j);
        EXPECT_NEAR(c.fn(c.i, c.j, c.phase), c.expected, 1e-6f);
    }
}

} // namespace
