// Real frames of the drawables through the frame composer. They hold for any box texture that
// is not black, any particle sheet with light in its first sprite, and any font atlas with ink
// inside the glyph rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/demo_state.h"
#include "gl_harness.h"

namespace {

struct Box {
    int32_t x0, y0, x1, y1; // pixels, half-open, rows from the top
    bool contains(int32_t x, int32_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

bool isBlack(Rgba p) {
    return p.r == 0 && p.g == 0 && p.b == 0;
}

int32_t countLit(const Frame& frame, const Box& box) {
    int32_t lit = 0;
    for (int32_t y = box.y0; y < box.y1; ++y) {
        for (int32_t x = box.x0; x < box.x1; ++x) {
            lit += isBlack(frame.at(x, y)) ? 0 : 1;
        }
    }
    return lit;
}

// Lit pixels outside the box.
int32_t countLitOutside(const Frame& frame, const Box& box) {
    int32_t lit = 0;
    for (int32_t y = 0; y < frame.height; ++y) {
        for (int32_t x = 0; x < frame.width; ++x) {
            if (!box.contains(x, y) && !isBlack(frame.at(x, y))) {
                ++lit;
            }
        }
    }
    return lit;
}

int32_t area(const Box& box) {
    return (box.x1 - box.x0) * (box.y1 - box.y0);
}

bool sameFrame(const Frame& a, const Frame& b) {
    return a.bytes == b.bytes;
}

// Every instance that a test may change is put back afterwards, so tests stay independent.
class DrawablesRender : public testing::Test {
  protected:
    void SetUp() override {
        savedBoxA = boxA;
        savedFieldB = fieldB;
        savedEmitterA = emitterA;
        savedEmitterB = emitterB;
        savedPanelA = colorPanelA;
        savedPanelB = colorPanelB;
        harnessClearScene();
    }
    void TearDown() override {
        boxA = savedBoxA;
        fieldB = savedFieldB;
        emitterA = savedEmitterA;
        emitterB = savedEmitterB;
        colorPanelA = savedPanelA;
        colorPanelB = savedPanelB;
        harnessClearScene();
    }

    // One newborn particle of the first sprite at p, in an otherwise empty, enabled emitter.
    static void placeParticle(ParticleEmitter& emitter, Vec3 p) {
        emitter.enabled = true;
        emitter.count = 1;
        emitter.particles[0] = Particle{};
        emitter.particles[0].position = p;
        emitter.drift = {};
    }

    TexturedCube savedBoxA;
    CubeField savedFieldB;
    ParticleEmitter savedEmitterA, savedEmitterB;
    ColorPanel savedPanelA, savedPanelB;
};

TEST_F(DrawablesRender, EmptySceneIsBlack) {
    const Frame frame = harnessCompose();
    ASSERT_EQ(frame.width, kHarnessWidth);
    ASSERT_EQ(frame.height, kHarnessHeight);
    EXPECT_EQ(countLitOutside(frame, {0, 0, 0, 0}), 0);
}

TEST_F(DrawablesRender, PanelCoversExactlyItsPixels) {
    colorPanelA.x = 100;
    colorPanelA.y = 50;
    colorPanelA.width = 200;
    colorPanelA.height = 100;
    colorPanelA.z = -5;
    colorPanelA.color = {0.2f, 0.6f, 1.0f, 1.0f};
    // A translucent panel drawn later covers part of the first one.
    colorPanelB.x = 250;
    colorPanelB.y = 120;
    colorPanelB.width = 100;
    colorPanelB.height = 60;
    colorPanelB.z = -5;
    colorPanelB.color = {1.0f, 0.0f, 0.0f, 0.5f};
    const Frame frame = harnessCompose();
    const Box a{100, 50, 300, 150};
    const Box b{250, 120, 350, 180};
    int32_t wrong = 0;
    for (int32_t y = 0; y < frame.height; ++y) {
        for (int32_t x = 0; x < frame.width; ++x) {
            const Rgba p = frame.at(x, y);
            int expected[3] = {0, 0, 0};
            if (a.contains(x, y)) {
                expected[0] = 51;
                expected[1] = 153;
                expected[2] = 255;
            }
            if (b.contains(x, y)) {
                // Half of red over what lies below.
                expected[0] = (expected[0] + 255) / 2;
                expected[1] = expected[1] / 2;
                expected[2] = expected[2] / 2;
            }
            const int got[3] = {p.r, p.g, p.b};
            for (int k = 0; k < 3; ++k) {
                if (std::abs(got[k] - expected[k]) > 2) {
                    if (wrong++ < 5) {
                        ADD_FAILURE() << "pixel " << x << "," << y << " channel " << k << ": "
                                      << got[k] << " instead of " << expected[k];
                    }
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(DrawablesRender, PanelOutsideTheOverlayVolumeIsNotSeen) {
    for (float z : {0.0f, -300.0f}) {
        colorPanelA.x = 0;
        colorPanelA.y = 0;
        colorPanelA.width = 800;
        colorPanelA.height = 600;
        colorPanelA.z = z;
        colorPanelA.color = {1, 1, 1, 1};
        EXPECT_EQ(countLitOutside(harnessCompose(), {0, 0, 0, 0}), 0) << "z " << z;
    }
}

// Camera 12 units in front of a 4-unit cube: its front face spans about 208 pixels.
TEST_F(DrawablesRender, CubeDrawsTexturedPixelsOnlyWhenVisible) {
    demoState.cameraEye = {0, 0, 12};
    boxA.x = boxA.y = boxA.z = 0;
    boxA.rotX = boxA.rotY = boxA.rotZ = 0;
    boxA.visible = true;
    const Frame shown = harnessCompose();
    const Box inner{310, 210, 490, 390};
    EXPECT_GE(countLit(shown, inner), area(inner) / 4);
    EXPECT_EQ(countLitOutside(shown, {286, 186, 514, 414}), 0);

    boxA.visible = false;
    EXPECT_EQ(countLitOutside(harnessCompose(), {0, 0, 0, 0}), 0);
}

// The rotations turn the cube about the world origin: a centre at (22, 0, 0) turned by 90
// degrees about y lands at (0, 0, -22), straight ahead.
TEST_F(DrawablesRender, CubeRotatesAboutTheWorldOrigin) {
    demoState.cameraEye = {0, 0, 12};
    boxA.x = 22;
    boxA.y = boxA.z = 0;
    boxA.rotX = boxA.rotY = boxA.rotZ = 0;
    boxA.visible = true;
    EXPECT_EQ(countLitOutside(harnessCompose(), {0, 0, 0, 0}), 0);
    boxA.rotY = 90;
    const Frame turned = harnessCompose();
    EXPECT_GT(countLit(turned, {390, 290, 410, 310}), 0);
    EXPECT_EQ(countLitOutside(turned, {350, 250, 450, 350}), 0);
}

float fullShade(float, float, float) {
    return 1.0f;
}
float fullWeight(float, float) {
    return 1.0f;
}

TEST_F(DrawablesRender, FieldDrawsTexturedColumnsOnlyWhenVisible) {
    demoState.cameraEye = {0, 12, 12};
    fieldB.originX = fieldB.originY = fieldB.originZ = 0;
    fieldB.brightness = 1;
    fieldB.phase = 0;
    fieldB.heightFn = defaultHeight;
    fieldB.weightFn = fullWeight;
    fieldB.shadeFn = fullShade;
    cubeFieldSwitchOn(fieldB);
    cubeFieldUpdateHeights(fieldB);
    const Frame shown = harnessCompose();
    const Box centre{360, 260, 440, 340};
    EXPECT_GE(countLit(shown, centre), area(centre) / 4);
    // Above the far edge and beside the field there is only background.
    EXPECT_EQ(countLit(shown, {0, 0, 800, 40}), 0);
    EXPECT_EQ(countLit(shown, {0, 280, 40, 320}), 0);
    EXPECT_EQ(countLit(shown, {760, 280, 800, 320}), 0);

    fieldB.visible = 0;
    EXPECT_EQ(countLitOutside(harnessCompose(), {0, 0, 0, 0}), 0);
}

// A newborn sprite 5 units ahead is about 35 pixels across.
TEST_F(DrawablesRender, ParticlesAddLight) {
    placeParticle(emitterA, {0, 0, 0});
    const Frame one = harnessCompose();
    EXPECT_GT(countLit(one, {380, 280, 420, 320}), 0);
    EXPECT_EQ(countLitOutside(one, {376, 276, 424, 324}), 0);

    placeParticle(emitterB, {0, 0, 0});
    const Frame two = harnessCompose();
    long sumOne = 0;
    long sumTwo = 0;
    for (size_t k = 0; k < one.bytes.size(); k += 4) {
        for (size_t c = 0; c < 3; ++c) {
            ASSERT_GE(two.bytes[k + c], one.bytes[k + c]) << "byte " << k;
            sumOne += one.bytes[k + c];
            sumTwo += two.bytes[k + c];
        }
    }
    EXPECT_GT(sumTwo, sumOne);

    emitterA.enabled = false;
    emitterB.enabled = false;
    EXPECT_EQ(countLitOutside(harnessCompose(), {0, 0, 0, 0}), 0);
}

TEST_F(DrawablesRender, ParticlesBehindACubeAreHidden) {
    boxA.x = boxA.y = 0;
    boxA.z = -4; // faces at z = -2 and z = -6
    boxA.rotX = boxA.rotY = boxA.rotZ = 0;
    placeParticle(emitterA, {0, 0, -7});
    const Frame alone = harnessCompose();
    ASSERT_GT(countLit(alone, {390, 290, 410, 310}), 0);

    boxA.visible = true;
    emitterA.enabled = false;
    const Frame boxOnly = harnessCompose();
    emitterA.enabled = true;
    EXPECT_TRUE(sameFrame(harnessCompose(), boxOnly));

    // In front of the cube it only adds light.
    emitterA.particles[0].position = {0, 0, 0};
    const Frame inFront = harnessCompose();
    for (size_t k = 0; k < inFront.bytes.size(); k += 4) {
        for (size_t c = 0; c < 3; ++c) {
            ASSERT_GE(inFront.bytes[k + c], boxOnly.bytes[k + c]) << "byte " << k;
        }
    }
}

TEST_F(DrawablesRender, CaptionInkStaysInsideTheGlyphQuads) {
    ASSERT_GE(captions.count, 1u);
    colorPanelA.x = colorPanelA.y = 0;
    colorPanelA.width = 800;
    colorPanelA.height = 600;
    colorPanelA.z = -5;
    colorPanelA.color = {1, 1, 1, 1};
    const char* text = "THE END";
    captionSet(0, text, 2.0f, 200.0f, 250.0f);
    captionAt(0)->color = {0, 0, 0, 1};
    const Frame frame = harnessCompose();

    // The same layout the draw used; the other captions are empty.
    const int vertices = captionListBuild();
    ASSERT_EQ(vertices, 7 * 4);
    struct Quad {
        float left, top, right, bottom;
    };
    Quad quads[7];
    for (int g = 0; g < 7; ++g) {
        const float* p = captions.positions + g * 4 * 3;
        quads[g] = {p[0], p[1], p[6], p[7]};
    }
    int32_t strayInk = 0;
    for (int32_t y = 0; y < frame.height; ++y) {
        for (int32_t x = 0; x < frame.width; ++x) {
            bool near = false;
            for (const Quad& q : quads) {
                near = near || (x + 1 >= q.left - 1 && x <= q.right + 1 && y + 1 >= q.top - 1 &&
                                y <= q.bottom + 1);
            }
            const Rgba p = frame.at(x, y);
            if (!near && (p.r != 255 || p.g != 255 || p.b != 255)) {
                ++strayInk;
            }
        }
    }
    EXPECT_EQ(strayInk, 0);
    for (int g = 0; g < 7; ++g) {
        if (text[g] == ' ') {
            continue;
        }
        const Quad& q = quads[g];
        int32_t ink = 0;
        for (int32_t y = static_cast<int32_t>(q.top); y < static_cast<int32_t>(q.bottom); ++y) {
            for (int32_t x = static_cast<int32_t>(q.left); x < static_cast<int32_t>(q.right); ++x) {
                ink += frame.at(x, y).r < 128 ? 1 : 0;
            }
        }
        EXPECT_GT(ink, 0) << "glyph " << g << " '" << text[g] << "'";
    }
}

} // namespace
