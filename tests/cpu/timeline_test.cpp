// The five scenes driven without GL, update by update, the way the frame loop runs them. The
// expected values are worked out from each scene's rules in single precision, by hand or by a
// separate model of those rules; nothing here asks the scenes for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/demo.h"
#include "scenes/loop.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"
#include "stage/demo_state.h"

namespace {

// The values the program starts with, before any test changes them.
const float kStartTimes[] = {scene1Time, scene2Time, scene3Time, scene4Time, scene5Time};
const uint32_t kStartScramble = scrambleState;

// A part of the state that a probe reads, as floats: a panel's x, y, width, height, z and colour;
// a caption's scale, x, y and colour (its text goes to shownText), or the three captions' (their
// texts joined by '|'); the camera's eye and target; a box's visible, centre and rotations; an
// emitter's enabled, count, origin and drift; a field's visible, origin, brightness, phase and, at
// column (24, 23) of fieldA or (5, 3) of the small fields, its height, weight and shade; the nine
// on switches; the four fields' brightness.
using Part = std::vector<float> (*)();
std::string shownText;

std::vector<float> panel(const ColorPanel& p) {
    return {p.x, p.y, p.width, p.height, p.z, p.color.r, p.color.g, p.color.b, p.color.a};
}
const char* textOf(uint32_t i) {
    return captions.items[i].text != nullptr ? captions.items[i].text : "";
}
std::vector<float> slot(uint32_t i) {
    const Caption& c = captions.items[i];
    shownText = textOf(i);
    return {c.scale, c.x, c.y, c.color.r, c.color.g, c.color.b, c.color.a};
}
// The three captions as a set-up empties them, each written whole at x 5 with its scale and y,
// white at alpha 0.667; from scene 3 on the third is then made opaque black.
std::vector<float> emptied(float s1, float y1, float s2, float y2, float s3, float y3, bool black) {
    const float c = black ? 0.0f : 1.0f, a = black ? 1.0f : 0.667f;
    return {s1, 5, y1, 1, 1, 1, 0.667f, s2, 5, y2, 1, 1, 1, 0.667f, s3, 5, y3, c, c, c, a};
}
std::vector<float> box(const TexturedCube& b) {
    return {float(b.visible), b.x, b.y, b.z, b.rotX, b.rotY, b.rotZ};
}
std::vector<float> emitter(const ParticleEmitter& e) {
    const Vec3 &o = e.origin, &d = e.drift;
    return {float(e.enabled), float(e.count), o.x, o.y, o.z, d.x, d.y, d.z};
}
std::vector<float> field(const CubeField& f, int32_t i, int32_t j) {
    const int32_t c = i * f.size + j;
    const float shade = f.shadeFn(float(i), float(j), f.phase);
    return {float(f.visible), f.originX,    f.originY,    f.originZ, f.brightness,
            f.phase,          f.heights[c], f.weights[c], shade};
}

const Part PanelA = [] { return panel(colorPanelA); };
const Part PanelB = [] { return panel(colorPanelB); };
const Part Slot1 = [] { return slot(0); };
const Part Slot2 = [] { return slot(1); };
const Part Slot3 = [] { return slot(2); };
const Part Slots = [] {
    std::vector<float> all = slot(0), two = slot(1), three = slot(2);
    all.insert(all.end(), two.begin(), two.end());
    all.insert(all.end(), three.begin(), three.end());
    shownText = std::string(textOf(0)) + "|" + textOf(1) + "|" + textOf(2);
    return all;
};
const Part BoxA = [] { return box(boxA); };
const Part BoxB = [] { return box(boxB); };
const Part EmitterA = [] { return emitter(emitterA); };
const Part EmitterB = [] { return emitter(emitterB); };
const Part EmitterC = [] { return emitter(emitterC); };
const Part FieldA = [] { return field(fieldA, 24, 23); };
const Part FieldB = [] { return field(fieldB, 5, 3); };
const Part FieldC = [] { return field(fieldC, 5, 3); };
const Part Brightness = [] {
    return std::vector{fieldA.brightness, fieldB.brightness, fieldC.brightness, fieldD.brightness};
};
const Part Camera = [] {
    const Vec3 &e = demoState.cameraEye, &t = demoState.cameraTarget;
    return std::vector{e.x, e.y, e.z, t.x, t.y, t.z};
};
const Part Switches = [] {
    return std::vector{float(boxA.visible),     float(boxB.visible),     float(fieldA.visible),
                       float(fieldB.visible),   float(fieldC.visible),   float(fieldD.visible),
                       float(emitterA.enabled), float(emitterB.enabled), float(emitterC.enabled)};
};

struct Probe {
    int update; // of the scene, counted from 1; 0 is the frame of its set-up
    Part part;
    std::vector<float> want;
    const char* text = nullptr; // a caption's text, when given
};

// The program's start state on a screen of the given size, with its three captions, run through
// the hand-overs up to scene n; false when scene n does not start within a whole loop.
bool enterScene(int32_t n, uint32_t width, uint32_t height) {
    std::tie(demoState.screenWidth, demoState.screenHeight) = std::tuple(width, height);
    for (uint32_t k = captions.count; k < 3; ++k) {
        captionAdd(captions, Caption{"", 1.5f, {1.0f, 1.0f, 1.0f, 0.667f}, 5.0f, 100.0f});
    }
    std::tie(demoState.captionSlot1, demoState.captionSlot2, demoState.captionSlot3,
             demoState.sceneNumber) = std::tuple(0, 1, 2, 1);
    std::tie(scene1Time, scene2Time, scene3Time, scene4Time, scene5Time) =
        std::tuple(kStartTimes[0], kStartTimes[1], kStartTimes[2], kStartTimes[3], kStartTimes[4]);
    scrambleState = kStartScramble;
    // What the scenes' set-ups leave as they find it and a probe reads.
    boxA.rotX = boxA.rotY = boxA.rotZ = boxB.rotX = boxB.rotY = boxB.rotZ = 0.0f;
    emitterA.origin = {};
    scene1Setup();
    for (uint32_t update = 0; update < kLoopFrames && demoState.sceneNumber != n; ++update) {
        demoUpdateScene();
    }
    return demoState.sceneNumber == n;
}

// Plays scene n from its set-up and checks each probe, in update order, to within 1e-3 (and
// a relative 1e-5 for large values).
void play(int32_t n, uint32_t width, uint32_t height, const std::vector<Probe>& probes) {
    ASSERT_TRUE(enterScene(n, width, height)) << "scene " << n << " never starts";
    int update = 0;
    for (const Probe& p : probes) {
        ASSERT_LE(update, p.update) << "the probes go in update order";
        for (; update < p.update; ++update) {
            demoUpdateScene();
        }
        SCOPED_TRACE(testing::Message() << width << "x" << height << " scene " << n << " update "
                                        << p.update << " probe " << &p - probes.data());
        const std::vector<float> got = p.part();
        ASSERT_EQ(got.size(), p.want.size());
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_NEAR(got[k], p.want[k], 1e-3f + 1e-5f * std::fabs(p.want[k])) << "value " << k;
        }
        EXPECT_TRUE(p.text == nullptr || shownText == p.text) << shownText;
    }
}

const char* const kLine1 = "If you can get a cube to rotate -";
const char* const kLine2 = "- you should definitely join! --D";
const char* const kAccepted = "Challenge Accepted!";
const char* const kCubes = "Not One, But Two Rotating Cubes!";
const char* const kBillion = "Billion* Cubes!";

// Each scene hands over on the first update whose timer passes its end, and every hand-over
// sets the timer back to 0 for the next loop: each frame of two loops runs the scene that the
// loop's first frames say.
TEST(Timeline, EveryHandOverFallsOnItsFrameInTwoLoops) {
    ASSERT_TRUE(enterScene(1, 800, 600));
    for (uint32_t frame = 1; frame <= 2 * kLoopFrames; ++frame) {
        const uint32_t inLoop = (frame - 1) % kLoopFrames + 1;
        ASSERT_EQ(demoState.sceneNumber,
                  std::count_if(std::begin(kSceneFirstFrames), std::end(kSceneFirstFrames),
                                [&](uint32_t first) { return first <= inLoop; }))
            << "frame " << frame;
        demoUpdateScene();
    }
}

// Each scene played from its set-up at 800 x 600 and, where the screen matters, at 1024 x 601.
TEST(Scenes, PlayByTheirRules) {
    // Scene 1: the bars grow, carry the remarks, fade and collapse.
    play(1, 800, 600,
         {{0, Slots, emptied(1.5f, 180, 1.5f, 210, 1.5f, 402, false), "||"},
          {0, Switches, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
          // Until bar A is complete its two remarks stay empty, and so does bar B's.
          {30, Slots, emptied(1.5f, 180, 1.5f, 180, 1.5f, 402, false), "||"},
          {60, PanelA, {1, 180, 800.9997f, 6, -5, 1, 1, 1, 1}},
          {91, Slot1, {1, 104.842f, 189, 0, 0, 0, 0.01333275f}, kLine1},
          {200, Slot3, {1.5f, 5, 402, 1, 1, 1, 0.667f}, ""},
          {235, PanelB, {1, 399.6f, 806.6669f, 13, -5, 1, 1, 1, 1}},
          {330, Slot1, {1, 104.842f, 189, 0, 0, 0, 0.5999867f}, kLine1},
          {398, PanelB, {21, 519.6f, 786.6669f, 1.000007f, -5, 1, 1, 1, 1}}});
    play(1, 1024, 601,
         {{0, PanelB, {1, 400.266f, 0, 0, -5, 1, 1, 1, 1}},
          {83, Slot1, {1, 216.842f, 189.4f, 0, 0, 0, 0}, kLine1},
          {83, Slot2, {1, 320.2141f, 240.4f, 0, 0, 0, 0}, kLine2},
          {244, Slot3, {1.5f, 274.247f, 426.366f, 0, 0, 0, 0.06666422f}, kAccepted}});
    // Scene 2: the cubes close in under the title and the fountain runs.
    play(2, 800, 600,
         {{0, PanelB, {0, 0, 0, 0, 0, 1, 1, 1, 1}},
          {0, Slots, emptied(1.25f, 180, 1.5f, 180, 1.5f, 402, false), "||"},
          {0, BoxA, {1, -22, 0, 0, 0, 0, 0}},
          {0, BoxB, {1, 22, 0, 0, 0, 0, 0}},
          {0, Switches, {1, 1, 0, 0, 0, 0, 0, 0, 0}},
          {1, Camera, {10, 0, 0, 0, 0, 0}},
          {1, Slot1, {1.25f, 5, 480, 1, 1, 1, 0.667f}, ""}, // the title waits for the panel
          {61, PanelA, {1, 655, 800, 120, -5, 1, 1, 1, 0.85f}},
          {102, Slot1, {1.25f, 66.36441f, 476, 0, 0, 0, 0.6999991f}, kCubes},
          // Half-way in: the cubes close in at a steady rate until 5.
          {240, BoxA, {1, 0, 0, -5.200006f, 0, 0, 399.9997f}},
          {300, EmitterA, {1, 2, -6.479461f, 10.99998f, 0.1418359f, 0, 0, 0}},
          {360, Slot1, {1.25f, 66.36441f, 481, 0, 0, 0, 0.7999813f}, kCubes},
          {390, PanelA, {1, 600, 800, 120, -5, 1, 1, 1, 0.85f}},
          {600, Camera, {5.666625f, 0, 0, -6, 0, 0}},
          {800, EmitterA, {1, 82, -5.653036f, -4.624941f, 0.3600219f, 0, 0, 0}}});
    play(2, 1024, 601, {{1, BoxA, {1, 0, 0, -13.16767f, 0, 0, 1.666667f}}});
    // Too tall a screen for the panel to arrive by 4 s: it stops where it is then.
    play(2, 800, 4800, {{300, PanelA, {1, 4380, 800, 960, -5, 1, 1, 1, 0.85f}}});
    // Scene 3: the field rolls under the orbit with three fountains.
    play(3, 800, 600,
         {{0, Slots, emptied(1.25f, 180, 1.5f, 180, 1, 402, true), "||"},
          {0, Camera, {11, 5, 0, 0, 12, 0}},
          {0, Switches, {0, 0, 1, 0, 0, 0, 1, 1, 1}},
          {1, FieldA, {1, 0, -1.5f, 0, 0.77f, 0.01666667f, 0.1284755f, 0.14286f, 0.107145f}},
          {60, Camera, {10.82902f, 5, 1.360721f, 0, 6.000002f, 0}},
          // The blend into the orbit holds until 2, passed first by update 121.
          {121, Camera, {9.631352f, 5, 5.313855f, 0, 0, 0}},
          {247, EmitterB, {1, 2, -0.2678001f, -1.714587f, 0.1626712f, 0, -1.5f, 0}},
          {250, EmitterA, {1, 242, -1.569894f, 2.5f, -0.9532967f, 0, -1.5f, 0}},
          {360, PanelA, {472.8584f, 30, 335.475f, 68, -5, 1, 1, 1, 0.85f}},
          {372, EmitterC, {1, 2, -0.2667779f, -1.749944f, 0.1941971f, 0, -1.5f, 0}},
          {390, Slot1, {1.25f, 747.8579f, 33.56f, 0, 0, 0, 0.399976f}, kBillion},
          {840, FieldA, {1, 0, -1.5f, 0, 0.77f, 13.99996f, 1.988525f, 0.14286f, 0.107145f}},
          {900, EmitterC, {1, 76, -3.499967f, 2.5f, 0.01528967f, 0, -1.5f, 0}}});
    play(3, 1024, 601, {{151, Slot1, {1.25f, 1040.667f, 33.61594f, 0, 0, 0, 1}, kBillion}});
    // Scene 4: the camera spirals in and the field fades.
    play(4, 800, 600,
         {{0, Slots, emptied(1.25f, 180, 1.5f, 180, 1, 402, true), "||"},
          {0, Switches, {0, 0, 1, 0, 0, 0, 0, 0, 0}},
          {0, EmitterA, {0, 0, -1.06314f, 2.5f, -3.334626f, 0, -1.5f, 0}},
          {126, FieldA, {1, 0, -1.5f, 0, 0.77f, 2.099999f, 1.624958f, 0.14286f, 0.107145f}},
          // An update after the spiral's start (6), the fade's (7.75) and the descent's (8) are
          // first passed, by updates 360, 465 and 480.
          {361, Camera, {7.783354f, 5, -7.684587f, 0, 0, 0}},
          {466, FieldA, {1, 0, -1.5f, 0, 0.7597044f, 7.766714f, 1.95014f, 0.14286f, 0.107145f}},
          {481, Camera, {3.465606f, 4.91642f, -0.9928227f, 0, 0, 0}}});
    // Scene 5: the credits settle on the panel and the room fades.
    play(5, 800, 600,
         {{0, Slots, emptied(1.25f, 180, 1.5f, 180, 1, 402, true), "||"},
          {0, Switches, {0, 0, 0, 1, 1, 1, 0, 0, 0}},
          {0, Brightness, {-0.000021149f, 0, 0, 0}},
          {1, Camera, {-6, 4, -4, 6, 0, 6}},
          {1, FieldC, {1, 0, 0, 0, 0.008333334f, 0.01666667f, 1.090657f, 1, 0.9474667f}},
          {400, Slot1, {1.25f, 30, 459, 0, 0, 0, 0.586641f}, "Motivated By :"},
          {400, Slot2, {1.5f, 305.4665f, 498.1f, 0, 0, 0, 0.586641f}, "Rulvo, Sefira, Dovak"},
          {600, Slot1, {1.25f, 30, 459, 0, 0, 0, 0.3999847f}, "Music and Sound :"},
          {600, Slot2, {1.5f, 593.8415f, 498.1f, 0, 0, 0, 0.3999847f}, "Missing"},
          {641, Slot1, {2.5f, 235.545f, 459, 0, 0, 0, 1}, "T$?m(7f"}, // 1.83 characters settled
          {840, Slot1, {2.5f, 235.545f, 459, 0, 0, 0, 0.4000335f}, "THE END"},
          // Either side of the room's fade (15), first passed by update 901.
          {899, Brightness, {-0.000021149f, 0.7999996f, 0.7999996f, 0.7999996f}},
          {900, PanelA, {220, 450, 800, 156, -5, 1, 1, 1, 0.85f}},
          {902, Brightness, {-0.000021149f, 0.7946759f, 0.7946759f, 0.7946759f}},
          {1000, FieldB, {1, 0, -1.5f, 0, 0.5333466f, 16.66658f, 1.47873f, 1, 0.7955614f}}});
    play(5, 1024, 601,
         {{91, PanelA, {-1014.613f, 450.75f, 1024, 156.26f, -5, 1, 1, 1, 0.85f}},
          {260, Slot1, {1.25f, 30, 459.85f, 0, 0, 0, 1}, "Motivated 2wAD"}});
}
} // namespace
