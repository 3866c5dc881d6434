#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "scene_test_support.h"
#include "scenes/timeline.h"

using scenetest::runUpdates;
using scenetest::slot;
using scenetest::slotText;
using scenetest::startDemo;

namespace {

void enterScene5(uint32_t width = 800, uint32_t height = 600) {
    startDemo(width, height);
    scenetest::enterScene(5);
}

TEST(TextScramble, KeepsThePrefixAndReplacesTheRest) {
    struct Case {
        const char* text;
        int32_t keep;
        size_t unchanged; // leading characters left alone
    };
    const Case kCases[] = {
        {"Missing", 7, 7},  {"Missing", 100, 7}, {"Missing", 3, 3}, {"Missing", 0, 0},
        {"Missing", -5, 0}, {"", 4, 0},          {"", -1, 0},       {"A", 1, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << '"' << c.text << "\" keep " << c.keep);
        scrambleState = scenetest::kScrambleSeed;
        char buffer[kScene5TextSize];
        std::strcpy(buffer, c.text);
        textScramble(buffer, c.keep);
        const size_t n = std::strlen(c.text);
        ASSERT_EQ(std::strlen(buffer), n);
        EXPECT_EQ(std::string(buffer, c.unchanged), std::string(c.text, c.unchanged));
        for (size_t k = c.unchanged; k < n; ++k) {
            EXPECT_GE(buffer[k], 32);
            EXPECT_LE(buffer[k], 121);
        }
        // Only replaced characters draw from the generator.
        EXPECT_EQ(scrambleState == scenetest::kScrambleSeed, c.unchanged == n);
    }
}

TEST(TextScramble, FirstCodesFromTheSeed) {
    scrambleState = scenetest::kScrambleSeed;
    char buffer[] = "xxxxxx";
    textScramble(buffer, 0);
    EXPECT_STREQ(buffer, "IPZ@N+");
    // The sequence goes on where it stopped; it is never reseeded.
    char more[] = "xx";
    textScramble(more, 0);
    char fresh[] = "xxxxxxxx";
    scrambleState = scenetest::kScrambleSeed;
    textScramble(fresh, 0);
    EXPECT_EQ(std::string(fresh + 6), std::string(more));
}

TEST(Scene5Fields, HeightAndShade) {
    struct Case {
        float i, j, phase;
        float height, shade;
    };
    const Case kCases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f, 0.15f},
        {1.0f, 0.0f, 0.0f, 1.5f * std::sin(2.0f * 0.333f), 0.8f * std::sin(0.333f) + 0.15f},
        {0.0f, 1.0f, 0.0f, 1.5f * std::sin(0.333f), 0.8f * std::sin(4.0f * 0.333f) + 0.15f},
        {0.0f, 0.0f, 1.0f, 1.5f * std::sin(3.0f * 0.333f), 0.8f * std::sin(5.0f * 0.333f) + 0.15f},
        {15.0f, 15.0f, 2.0f, 1.5f * std::fabs(std::sin(681.0f * 0.333f)),
         0.8f * std::fabs(std::sin(1135.0f * 0.333f)) + 0.15f},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.i << "," << c.j << " phase " << c.phase);
        EXPECT_NEAR(scene5Height(c.i, c.j, c.phase), c.height, 1e-5f);
        EXPECT_NEAR(scene5Shade(c.i, c.j, c.phase), c.shade, 1e-5f);
    }
    for (float i = 0.0f; i < 16.0f; i += 1.0f) {
        for (float j = 0.0f; j < 16.0f; j += 1.0f) {
            ASSERT_LE(scene5Height(i, j, 3.3f), 1.5f);
            ASSERT_GE(scene5Shade(i, j, 3.3f), 0.15f);
            ASSERT_LE(scene5Shade(i, j, 3.3f), 0.95f + 1e-6f);
            // Every column of a 16 x 16 field lies outside the calm centre of weight22.
            ASSERT_EQ(weight22(i, j), 1.0f);
        }
    }
}

TEST(Scene5, RoomBrightensToAboutPointEightThenFadesAfterFifteen) {
    enterScene5();
    for (const CubeField* f : {&fieldB, &fieldC, &fieldD}) {
        EXPECT_EQ(f->visible, 1);
        EXPECT_EQ(f->brightness, 0.0f);
        EXPECT_EQ(f->heightFn, &scene5Height);
        EXPECT_EQ(f->shadeFn, &scene5Shade);
    }
    EXPECT_EQ(fieldA.visible, 0);
    EXPECT_EQ(fieldB.originY, -1.5f);
    EXPECT_EQ(fieldC.originY, 0.0f);
    float ramped = 0.0f;
    for (int k = 1; k <= 1200; ++k) {
        runUpdates(1);
        const float t = scene5Time;
        SCOPED_TRACE(k);
        ASSERT_EQ(fieldC.brightness, fieldB.brightness);
        ASSERT_EQ(fieldD.brightness, fieldB.brightness);
        ASSERT_EQ(fieldB.phase, t);
        if (t < 1.6f) {
            ASSERT_EQ(fieldB.brightness, 0.5f * t);
            ramped = fieldB.brightness;
        } else if (t <= 15.0f) {
            ASSERT_EQ(fieldB.brightness, ramped);
        } else {
            ASSERT_NEAR(fieldB.brightness, (20.0f - t) * 0.2f * 0.8f, 1e-6f);
        }
    }
    EXPECT_GT(ramped, 0.79f);
    EXPECT_LE(ramped, 0.8f);
    EXPECT_NEAR(fieldB.brightness, 0.0f, 0.003f);
    EXPECT_EQ(demoState.sceneNumber, 5);
    EXPECT_EQ(demoState.cameraEye.z, -4.0f);
    EXPECT_EQ(demoState.cameraTarget.x, 6.0f);
}

TEST(Scene5, PanelSlidesIntoTheLowerQuarterAndStopsAtTheLeftEdge) {
    for (const uint32_t width : {800u, 1920u, 804u}) {
        SCOPED_TRACE(width);
        enterScene5(width, 600);
        const float w = static_cast<float>(width);
        EXPECT_EQ(colorPanelA.x, -w);
        EXPECT_EQ(colorPanelA.y, 450.0f);
        EXPECT_EQ(colorPanelA.width, w);
        EXPECT_EQ(colorPanelA.height, 0.26f * 600.0f);
        float previous = -w;
        for (int k = 1; k <= 329; ++k) {
            runUpdates(1);
            ASSERT_LE(colorPanelA.x, 0.0f) << k;
            ASSERT_GE(colorPanelA.x, previous) << k;
            previous = colorPanelA.x;
        }
        runUpdates(1);
        EXPECT_EQ(colorPanelA.x, 0.0f);
        runUpdates(869 - 330);
        EXPECT_EQ(colorPanelA.x, 0.0f);
        runUpdates(1000 - 869);
        EXPECT_GE(colorPanelA.x, w);
        EXPECT_LT(colorPanelA.x, w + (0.55f * w) * kFrameStep + 1e-3f);
    }
}

TEST(Scene5, CreditTextsSettleFromTheLeft) {
    struct Credit {
        int32_t slot;
        const char* text;
        float start;
        int firstUpdate;
        int lastUpdate;
    };
    const Credit kCredits[] = {
        {0, "Motivated By :", 4.0f, 241, 368},    {1, "Rulvo, Sefira, Dovak", 4.25f, 241, 368},
        {0, "Music and Sound :", 7.5f, 451, 554}, {1, "Missing", 7.75f, 451, 554},
        {0, "THE END", 10.5f, 631, 794},
    };
    for (const Credit& c : kCredits) {
        SCOPED_TRACE(c.text);
        enterScene5();
        runUpdates(c.firstUpdate - 1);
        const size_t n = std::strlen(c.text);
        const float rate = std::strcmp(c.text, "THE END") == 0 ? 10.0f : 30.0f;
        size_t settled = 0;
        for (int k = c.firstUpdate; k <= c.lastUpdate; ++k) {
            runUpdates(1);
            SCOPED_TRACE(k);
            const std::string shown = slotText(c.slot);
            ASSERT_EQ(shown.size(), n);
            ASSERT_EQ(slot(c.slot).color.a, 1.0f);
            const float keep = (scene5Time - c.start) * rate;
            const size_t prefix = keep <= 0.0f ? 0 : std::min(n, static_cast<size_t>(keep));
            ASSERT_GE(prefix, settled); // a settled character never changes back
            settled = prefix;
            ASSERT_EQ(shown.substr(0, prefix), std::string(c.text, prefix));
            for (size_t i = prefix; i < n; ++i) {
                ASSERT_GE(shown[i], 32);
                ASSERT_LE(shown[i], 121);
            }
        }
        EXPECT_STREQ(slotText(c.slot), c.text);
    }
}

TEST(Scene5, CreditsSitOnThePanel) {
    enterScene5(1024, 768);
    const float half5 = (0.2f * 768.0f) * 0.5f;
    runUpdates(300);
    const float by = colorPanelA.y;
    ASSERT_EQ(colorPanelA.x, 0.0f);
    EXPECT_EQ(slot(0).x, 30.0f);
    EXPECT_EQ(slot(0).y, half5 + by - 51.0f);
    EXPECT_EQ(slot(0).scale, 1.25f);
    EXPECT_EQ(slot(1).x, 1024.0f - scene5NamesWidth - 30.0f);
    EXPECT_EQ(slot(1).y, half5 + by - 51.0f + 39.1f);
    EXPECT_EQ(slot(1).scale, 1.5f);
    // Both baselines (35 font pixels below the top) lie on the panel in the lower quarter.
    for (int32_t s = 0; s < 2; ++s) {
        const float baseline = slot(s).y + 35.0f * slot(s).scale;
        EXPECT_GT(baseline, by);
        EXPECT_LT(baseline, by + colorPanelA.height);
    }
    runUpdates(720 - 300);
    EXPECT_STREQ(slotText(0), "THE END");
    EXPECT_EQ(slot(0).x, (1024.0f - scene5EndWidth) * 0.5f);
    EXPECT_EQ(slot(0).scale, 2.5f);
    EXPECT_STREQ(slotText(1), "Missing");
    EXPECT_EQ(slot(1).color.a, 0.0f);
}

TEST(Scene5, FadesBetweenTheCredits) {
    struct Case {
        int update;
        float heading, line;
    };
    // t = update / 60; a fade keeps running after its text has gone, a later credit restores 1.
    constexpr Case kCases[] = {
        {368, 1.0f, 1.0f}, {399, 0.6f, 0.6f},     {449, 0.0f, 0.0f}, {452, 1.0f, 1.0f},
        {585, 0.6f, 0.6f}, {629, 0.013f, 0.013f}, {632, 1.0f, 0.0f}, {825, 0.6f, 0.0f},
        {855, 0.2f, 0.0f}, {900, 0.0f, 0.0f},
    };
    enterScene5();
    int done = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.update);
        runUpdates(c.update - done);
        done = c.update;
        EXPECT_NEAR(slot(0).color.a, c.heading, 2e-2f);
        EXPECT_NEAR(slot(1).color.a, c.line, 2e-2f);
    }
}

} // namespace
