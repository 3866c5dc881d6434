// The five scenes driven without GL, update by update, the way the frame loop runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

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

// The post-start-up state on a screen of the given size, scene 1 set up. Tests share the global
// instances, so every test starts from here.
void startDemo(uint32_t width, uint32_t height) {
    demoState.screenWidth = width;
    demoState.screenHeight = height;
    while (captions.count < 3) {
        captionAdd(Caption{"", 1.5f, {1.0f, 1.0f, 1.0f, 0.667f}, 5.0f, 100.0f});
    }
    demoState.captionSlot1 = 0;
    demoState.captionSlot2 = 1;
    demoState.captionSlot3 = 2;
    demoState.cameraEye = {0.0f, 0.0f, 5.0f};
    demoState.cameraTarget = {0.0f, 0.0f, 0.0f};
    demoState.cameraUp = {0.0f, 1.0f, 0.0f};
    demoState.sceneNumber = 1;
    scene1Time = scene2Time = scene3Time = scene4Time = scene5Time = 0.0f;
    scrambleState = kScrambleSeed;
    for (CubeField* field : {&fieldA, &fieldB, &fieldC, &fieldD}) {
        field->visible = field->weightsReady = 0;
        field->phase = 0.0f;
    }
    scene1Setup();
}

void runUpdates(int n) {
    for (int k = 0; k < n; ++k) {
        demoUpdateScene();
    }
}

// Enters scene n through the hand-overs of the scenes before it.
void enterScene(int32_t n, uint32_t width = 800, uint32_t height = 600) {
    startDemo(width, height);
    while (demoState.sceneNumber != n) {
        demoUpdateScene();
    }
}

std::string slotText(int32_t index) {
    return captions.items[index].text != nullptr ? captions.items[index].text : "";
}

TEST(Timeline, EveryHandOverFallsOnItsUpdateForTwoLoops) {
    // Each scene hands over on the first update whose single-precision timer passes its end.
    constexpr int kUpdates[] = {480, 841, 961, 540, 1201};
    for (const uint32_t width : {800u, 1920u}) {
        startDemo(width, 600);
        const ColorPanel barA = colorPanelA;
        for (int loop = 0; loop < 2; ++loop) {
            // A repeated scene 1 starts like the first one.
            EXPECT_EQ(colorPanelA.y, barA.y);
            EXPECT_EQ(colorPanelA.width, barA.width);
            EXPECT_EQ(colorPanelA.height, barA.height);
            for (int32_t scene = 1; scene <= 5; ++scene) {
                SCOPED_TRACE(::testing::Message()
                             << width << " loop " << loop << " scene " << scene);
                runUpdates(kUpdates[scene - 1] - 1);
                EXPECT_EQ(demoState.sceneNumber, scene);
                runUpdates(1);
                EXPECT_EQ(demoState.sceneNumber, scene % 5 + 1);
            }
        }
    }
}

TEST(Timeline, CaptionWritesSkipSlotsOutsideTheList) {
    startDemo(800, 600);
    const Caption beyond = captions.items[captions.count];
    demoState.captionSlot1 = -1;
    demoState.captionSlot2 = demoState.captionSlot3 = static_cast<int32_t>(captions.count);
    runUpdates(480 + 841 + 961 + 540 + 1201);
    EXPECT_EQ(slotText(0), "");
    EXPECT_EQ(captions.count, 3u);
    EXPECT_EQ(captions.items[3].text, beyond.text);
    EXPECT_EQ(captions.items[3].x, beyond.x);
}

TEST(Scene1, BarAWidensToTheScreenOnUpdate60ThenStopsAtAFifth) {
    for (const uint32_t height : {600u, 1080u, 601u}) {
        SCOPED_TRACE(height);
        startDemo(1024, height);
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

TEST(Scene2, PanelRisesAndStopsExactlyAtThreeQuartersOfTheHeight) {
    for (const uint32_t height : {600u, 1080u, 601u, 333u}) {
        SCOPED_TRACE(height);
        enterScene(2, 800, height);
        const float stop = 0.75f * static_cast<float>(height);
        for (int k = 1; k <= 359; ++k) {
            runUpdates(1);
            ASSERT_GE(colorPanelA.y, stop) << "update " << k;
        }
        EXPECT_EQ(colorPanelA.y, stop);
        runUpdates(1); // t passes 6: the panel sinks again
        EXPECT_GT(colorPanelA.y, stop);
    }
}

TEST(Scene2, CubesCloseInFromAWidthDependentDistanceAndSpinApart) {
    struct Case {
        uint32_t width;
        float far; // boxA's z at t = 0
    };
    // The start distance grows with the width up to 1.1 times that of 800 pixels.
    constexpr Case kCases[] = {{800, -12.0f}, {880, -13.2f}, {1920, -13.2f}, {400, -6.0f}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.width);
        enterScene(2, c.width, 600);
        runUpdates(1);
        EXPECT_NEAR(boxA.z, c.far + (-3.5f - c.far) * scene2Time / 5.0f, 1e-5f);
        EXPECT_EQ(boxB.z, -boxA.z);
        runUpdates(149); // t = 2.5: half-way
        EXPECT_NEAR(boxA.z, (c.far - 3.5f) * 0.5f, 1e-4f);
        runUpdates(150); // t just past 5
        EXPECT_EQ(boxA.z, -3.5f);
        // A hundred degrees a second, in opposite directions.
        EXPECT_NEAR(boxA.rotZ, 300 * 100.0f / 60.0f, 0.01f);
        EXPECT_EQ(boxB.rotZ, -boxA.rotZ);
    }
}

TEST(Scene3, CameraBlendsIntoTheOrbitWithoutAJump) {
    enterScene(3);
    EXPECT_EQ(demoState.cameraTarget.y, 12.0f);
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
            lateBlendStep = k > 100 ? std::max(lateBlendStep, step) : 0.0f;
            continue;
        }
        if (k == 121) { // switching to the pure orbit moves no further than a blend step
            EXPECT_LE(step, lateBlendStep);
        }
        ASSERT_EQ(demoState.cameraTarget.y, 0.0f);
        ASSERT_NEAR(std::hypot(eye.x, eye.z), 11.0f, 1e-4f);
        ASSERT_EQ(eye.y, 5.0f);
    }
}

TEST(Scene4, FirstUpdatePutsTheEyeOnTheCircleAtFourRadians) {
    enterScene(4);
    runUpdates(1);
    EXPECT_NEAR(demoState.cameraEye.x, -7.155f, 2e-3f);
    EXPECT_EQ(demoState.cameraEye.y, 5.0f);
    EXPECT_NEAR(demoState.cameraEye.z, -8.355f, 2e-3f);
    const Vec3 target = demoState.cameraTarget;
    EXPECT_EQ(std::hypot(target.x, target.y, target.z), 0.0f);
}

TEST(Scene4, FieldFadesToBlackAfterSevenAndThreeQuarterSeconds) {
    enterScene(4);
    runUpdates(464);
    EXPECT_EQ(fieldA.brightness, 0.77f);
    for (int k = 465; k <= 539; ++k) {
        runUpdates(1);
        ASSERT_NEAR(fieldA.brightness, (9.0f - scene4Time) / 1.25f * 0.77f, 1e-5f) << k;
    }
    runUpdates(1); // the hand-over: scene 5's set-up switches the field off
    EXPECT_EQ(fieldA.visible, 0);
}

TEST(Scene5, RoomBrightensToAboutPointEightThenFadesAfterFifteen) {
    enterScene(5);
    float ramped = 0.0f;
    for (int k = 1; k <= 1200; ++k) {
        runUpdates(1);
        const float t = scene5Time;
        SCOPED_TRACE(k);
        ASSERT_EQ(fieldC.brightness, fieldB.brightness);
        ASSERT_EQ(fieldD.brightness, fieldB.brightness);
        if (t < 1.6f) {
            ASSERT_EQ(fieldB.brightness, 0.5f * t);
            ramped = fieldB.brightness;
        } else if (t <= 15.0f) {
            ASSERT_EQ(fieldB.brightness, ramped);
        } else {
            ASSERT_NEAR(fieldB.brightness, (20.0f - t) * 0.2f * 0.8f, 1e-6f);
        }
    }
    EXPECT_TRUE(ramped > 0.79f && ramped <= 0.8f) << ramped;
}

TEST(Scene5, CreditTextsSettleFromTheLeft) {
    struct Credit {
        int32_t slot;
        const char* text;
        float start, rate; // settled characters = (t - start) * rate
        int firstUpdate, lastUpdate;
    };
    const Credit kCredits[] = {
        {0, "Motivated By :", 4.0f, 30.0f, 241, 368},
        {1, "Rulvo, Sefira, Dovak", 4.25f, 30.0f, 241, 368},
        {0, "Music and Sound :", 7.5f, 30.0f, 451, 554},
        {1, "Missing", 7.75f, 30.0f, 451, 554},
        {0, "THE END", 10.5f, 10.0f, 631, 794},
    };
    for (const Credit& c : kCredits) {
        SCOPED_TRACE(c.text);
        enterScene(5);
        runUpdates(c.firstUpdate - 1);
        const std::string text = c.text;
        size_t settled = 0;
        for (int k = c.firstUpdate; k <= c.lastUpdate; ++k) {
            runUpdates(1);
            SCOPED_TRACE(k);
            const std::string shown = slotText(c.slot);
            ASSERT_EQ(shown.size(), text.size());
            const float keep = (scene5Time - c.start) * c.rate;
            const size_t prefix = keep <= 0.0f ? 0 : std::min(text.size(), size_t(keep));
            ASSERT_GE(prefix, settled); // a settled character never changes back
            settled = prefix;
            ASSERT_EQ(shown.substr(0, prefix), text.substr(0, prefix));
            for (const char ch : shown) {
                ASSERT_TRUE(ch >= 32 && ch <= 121) << int(ch);
            }
        }
        EXPECT_EQ(slotText(c.slot), text);
    }
}

TEST(TextScramble, KeepsThePrefixAndReplacesTheRest) {
    struct Case {
        const char* text;
        int32_t keep;
        size_t unchanged; // leading characters left alone
    };
    const Case kCases[] = {
        {"Missing", 7, 7},  {"Missing", 100, 7}, {"Missing", 3, 3}, {"Missing", 0, 0},
        {"Missing", -5, 0}, {"", 4, 0},          {"", -1, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << '"' << c.text << "\" keep " << c.keep);
        scrambleState = kScrambleSeed;
        char buffer[kScene5TextSize];
        std::strcpy(buffer, c.text);
        textScramble(buffer, c.keep);
        const size_t n = std::strlen(c.text);
        ASSERT_EQ(std::strlen(buffer), n);
        EXPECT_EQ(std::string(buffer, c.unchanged), std::string(c.text, c.unchanged));
        // Only replaced characters draw from the generator.
        EXPECT_EQ(scrambleState == kScrambleSeed, c.unchanged == n);
    }
    scrambleState = kScrambleSeed;
    char buffer[] = "xxxxxx";
    textScramble(buffer, 0);
    EXPECT_STREQ(buffer, "IPZ@N+");
}

TEST(SceneFields, FunctionsAtEdgeValues) {
    using Fn = float (*)(float, float, float);
    const Fn weight = [](float i, float j, float) { return weight22(i, j); };
    struct Case {
        Fn fn;
        float i, j, phase;
        float expected;
    };
    const auto wave3 = [](float phase) { return std::fabs(std::sin((7.0f + phase) * 0.333f)); };
    const auto ring4 = [](float r) { return std::fabs(std::sin(r * 0.33f)); };
    const Case kCases[] = {
        // At 13.5 the wave starts fading out, from its full 2.5, to nothing at 16.
        {scene3Height, 3.0f, 4.0f, 13.5f, 2.5f * wave3(13.5f)},
        {scene3Height, 3.0f, 4.0f, std::nextafter(13.5f, 0.0f), 2.5f * wave3(13.5f)},
        {scene3Height, 3.0f, 4.0f, 14.75f, 1.25f * wave3(14.75f)},
        {scene3Height, 3.0f, 4.0f, 16.0f, 0.0f},
        // Calm dark centre at (22, 22), rising to a bright ring at distance 8.
        {weight, 22.0f, 22.0f, 0.0f, 0.0f},
        {weight, 23.0f, 22.0f, 0.0f, 0.028572f},
        {weight, 22.0f, 27.0f, 0.0f, 25.0f * 0.028572f},
        {weight, 43.0f, 43.0f, 0.0f, 1.0f},
        {shade22, 22.0f, 22.0f, 0.0f, 0.0f},
        {shade22, 23.0f, 22.0f, 7.0f, 0.021429f},
        {shade22, 30.0f, 22.0f, 0.0f, 1.0f},
        {shade22, 34.0f, 22.0f, 0.0f, (4.0f - 144.0f * 0.021429f) * 0.5f},
        {shade22, 43.0f, 43.0f, 0.0f, 0.0f},
        // Rings around (22, 22) that grow over two seconds of phase.
        {scene4Height, 27.0f, 22.0f, 0.0f, 0.0f},
        {scene4Height, 22.0f, 22.0f, 1.0f, ring4(1.0f)},
        {scene4Height, 22.0f, 17.0f, 1.0f, ring4(6.0f)},
        {scene4Height, 25.0f, 26.0f, 0.5f, 0.5f * ring4(5.25f)},
        {scene4Height, 27.0f, 22.0f, 3.0f, 2.0f * ring4(14.0f)},
        {scene5Height, 1.0f, 0.0f, 0.0f, 1.5f * std::sin(2.0f * 0.333f)},
        {scene5Height, 0.0f, 0.0f, 1.0f, 1.5f * std::sin(3.0f * 0.333f)},
        {scene5Height, 15.0f, 15.0f, 2.0f, 1.5f * std::fabs(std::sin(681.0f * 0.333f))},
        {scene5Shade, 0.0f, 0.0f, 0.0f, 0.15f},
        {scene5Shade, 0.0f, 1.0f, 0.0f, 0.8f * std::sin(4.0f * 0.333f) + 0.15f},
        {scene5Shade, 15.0f, 15.0f, 2.0f, 0.8f * std::fabs(std::sin(1135.0f * 0.333f)) + 0.15f},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message()
                     << &c - kCases << ": " << c.i << "," << c.j << " phase " << c.phase);
        EXPECT_NEAR(c.fn(c.i, c.j, c.phase), c.expected, 1e-6f);
    }
}

} // namespace
