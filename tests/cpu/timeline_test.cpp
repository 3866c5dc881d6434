#include <gtest/gtest.h>

#include <utility>

#include "scene_test_support.h"

using scenetest::startDemo;
using scenetest::updatesUntilHandOver;

namespace {

struct Size {
    uint32_t width;
    uint32_t height;
};

// Each scene hands over on the first update whose single-precision timer passes its end.
struct HandOver {
    int32_t scene;
    int updates;
    int32_t next;
};
constexpr HandOver kHandOvers[] = {
    {1, 480, 2}, {2, 841, 3}, {3, 961, 4}, {4, 540, 5}, {5, 1201, 1},
};

TEST(Timeline, EveryHandOverFallsOnItsUpdateForTwoLoops) {
    for (const Size size : {Size{800, 600}, Size{1920, 1080}, Size{640, 1200}}) {
        startDemo(size.width, size.height);
        for (int loop = 0; loop < 2; ++loop) {
            for (const HandOver& h : kHandOvers) {
                SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height << " loop "
                                                  << loop << " scene " << h.scene);
                ASSERT_EQ(demoState.sceneNumber, h.scene);
                EXPECT_EQ(updatesUntilHandOver(), h.updates);
                EXPECT_EQ(demoState.sceneNumber, h.next);
            }
        }
    }
}

TEST(Timeline, HandOverResetsTheTimerAndRunsTheNextSetUp) {
    startDemo(800, 600);
    scenetest::runUpdates(479);
    EXPECT_EQ(demoState.sceneNumber, 1);
    EXPECT_FALSE(boxA.visible);
    scenetest::runUpdates(1);
    EXPECT_EQ(demoState.sceneNumber, 2);
    EXPECT_EQ(scene1Time, 0.0f);
    EXPECT_EQ(scene2Time, 0.0f);
    // Scene 2's set-up state, not yet moved by its update.
    EXPECT_TRUE(boxA.visible);
    EXPECT_EQ(boxA.x, -22.0f);
    EXPECT_EQ(boxB.x, 22.0f);
}

TEST(Timeline, SwitchesPerScene) {
    struct Expect {
        int32_t scene;
        bool boxes;
        uint8_t fieldA;
        uint8_t smallFields;
    };
    // What is on right after each scene's set-up.
    constexpr Expect kOn[] = {
        {1, false, 0, 0}, {2, true, 0, 0}, {3, false, 1, 0}, {4, false, 1, 0}, {5, false, 0, 1},
    };
    startDemo(800, 600);
    for (int loop = 0; loop < 2; ++loop) {
        for (const Expect& e : kOn) {
            SCOPED_TRACE(::testing::Message() << "loop " << loop << " scene " << e.scene);
            ASSERT_EQ(demoState.sceneNumber, e.scene);
            EXPECT_EQ(boxA.visible, e.boxes);
            EXPECT_EQ(boxB.visible, e.boxes);
            EXPECT_EQ(fieldA.visible, e.fieldA);
            EXPECT_EQ(fieldB.visible, e.smallFields);
            EXPECT_EQ(fieldC.visible, e.smallFields);
            EXPECT_EQ(fieldD.visible, e.smallFields);
            updatesUntilHandOver();
        }
    }
}

TEST(Timeline, SecondPassOfSceneOneStartsLikeTheFirst) {
    startDemo(800, 600);
    const ColorPanel barA = colorPanelA;
    const ColorPanel barB = colorPanelB;
    scenetest::runUpdates(480 + 841 + 961 + 540 + 1201);
    ASSERT_EQ(demoState.sceneNumber, 1);
    // The camera keeps what scene 5 wrote last.
    EXPECT_EQ(demoState.cameraEye.x, -6.0f);
    EXPECT_EQ(demoState.cameraEye.y, 4.0f);
    EXPECT_EQ(demoState.cameraTarget.z, 6.0f);
    for (const auto& [now, then] : {std::pair{&colorPanelA, &barA}, {&colorPanelB, &barB}}) {
        EXPECT_EQ(now->x, then->x);
        EXPECT_EQ(now->y, then->y);
        EXPECT_EQ(now->width, then->width);
        EXPECT_EQ(now->height, then->height);
        EXPECT_EQ(now->color.a, 1.0f);
    }
    for (int32_t s = 0; s < 3; ++s) {
        EXPECT_STREQ(scenetest::slotText(s), "");
        EXPECT_EQ(scenetest::slot(s).scale, 1.5f);
    }
    EXPECT_EQ(scenetest::slot(2).y, 600.0f * 6.7f / 10.0f);
}

TEST(Timeline, CaptionWritesSkipSlotsOutsideTheList) {
    startDemo(800, 600);
    const Caption before = scenetest::slot(0);
    const Caption beyond = captions.items[captions.count];
    demoState.captionSlot1 = -1;
    demoState.captionSlot2 = static_cast<int32_t>(captions.count);
    demoState.captionSlot3 = static_cast<int32_t>(captions.count);
    // Scene 1 writes all three slots every frame; none of them may land anywhere.
    scenetest::runUpdates(480 + 841 + 961 + 540 + 1201);
    EXPECT_EQ(demoState.sceneNumber, 1);
    EXPECT_STREQ(scenetest::slotText(0), before.text);
    EXPECT_EQ(scenetest::slot(0).x, before.x);
    EXPECT_EQ(scenetest::slot(0).color.a, before.color.a);
    EXPECT_EQ(captions.count, 3u);
    EXPECT_EQ(captions.items[3].text, beyond.text);
    EXPECT_EQ(captions.items[3].x, beyond.x);
}

} // namespace
