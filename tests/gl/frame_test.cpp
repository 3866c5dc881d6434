// What every draw of a whole frame is issued under, read back from the real context at the draw:
// glDrawArrays is defined here, so kiru_core's draws reach it; it records the context's state and
// hands the call on to the driver's own. The matrices were worked out once with a float64 model
// of the formulas of glFrustum, glOrtho, glRotate, glTranslate and gluLookAt, written apart from
// kiru's code (numpy: frustum(-r, r, -t, t, 0.1, 400) with t = 0.1 tan 30 degrees and
// r = t * 1280 / 720, ortho(0, 1280, 720, 0, 0.1, 200), look(eye, target, up) and the products
// below, printed column-major to seven digits).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <dlfcn.h>
#include <tuple>
#include <vector>

#include "app/demo.h"
#include "capture/frame_read.h"
#include "gl/gl_layer_core.h"
#include "gl_harness.h"
#include "render/camera.h"
#include "scenes/scene1.h"
#include "stage/demo_state.h"
#include "stage/frame.h"

namespace {

using Matrix16 = std::array<float, 16>;
// Blend source and destination, depth test, depth writes, depth function, blending.
using Pass = std::array<GLint, 6>;

struct Draw {
    GLint count = 0, program = 0;
    Matrix16 modelView{}, projection{};
    Pass pass{};
    std::array<float, 2> depthRange{};
};

std::vector<Draw>* recorded = nullptr;

// Equal to a worked-out value within 1e-5 of it (and 1e-6 where it is zero).
bool near(float got, float want) {
    return std::fabs(got - want) <= 1e-5f * std::fabs(want) + 1e-6f;
}

} // namespace

extern "C" void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    using DrawArrays = void (*)(GLenum, GLint, GLsizei);
    static const auto driver = reinterpret_cast<DrawArrays>(dlsym(RTLD_NEXT, "glDrawArrays"));
    if (recorded != nullptr) {
        Draw& d = recorded->emplace_back();
        d.count = count;
        glGetIntegerv(GL_CURRENT_PROGRAM, &d.program);
        glGetFloatv(GL_MODELVIEW_MATRIX, d.modelView.data());
        glGetFloatv(GL_PROJECTION_MATRIX, d.projection.data());
        glGetFloatv(GL_DEPTH_RANGE, d.depthRange.data());
        const GLenum pass[] = {GL_BLEND_SRC_RGB,   GL_BLEND_DST_RGB, GL_DEPTH_TEST,
                               GL_DEPTH_WRITEMASK, GL_DEPTH_FUNC,    GL_BLEND};
        for (size_t k = 0; k < d.pass.size(); ++k) {
            glGetIntegerv(pass[k], &d.pass[k]);
        }
    }
    driver(mode, first, count);
}

namespace {

// Worked out for a 1280 x 720 frame seen from eye (7, 3.5, -9) towards (-2, 0.5, 1.5) with the up
// vector the demo starts with.
const Matrix16 kPerspective{0.9742786f, 0, 0,        0,  0, 1.732051f, 0,         0,
                            0,          0, -1.0005f, -1, 0, 0,         -0.20005f, 0};
const Matrix16 kOverlay{0.0015625f, 0,          0, 0,  0, -0.002777778f, 0, 0, 0,
                        0,          -0.010005f, 0, -1, 1, -1.001001f,    1};
const Matrix16 kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// look(eye, target, (0, 1, 0)).
const Matrix16 kCamera{-0.7592566f, -0.1379675f, 0.6359987f,  0,          0,           0.9772698f,
                       0.2119996f,  0,           -0.6507914f, 0.1609621f, -0.7419985f, 0,
                       -0.5423261f, -1.006013f,  -11.87198f,  1};
// kCamera rotate(25, x) rotate(-40, y) rotate(70, z).
const Matrix16 kBoxA{
    -0.587046f,  0.80134f,    -0.115027f,  0, 0.8087432f,  0.5868643f, -0.03904806f, 0,
    0.03621448f, -0.1159503f, -0.9925946f, 0, -0.5423261f, -1.006013f, -11.87198f,   1};
// kCamera rotate(90, z) translate(5, -6.5, 0): scene 5's walls are floors stood up.
const Matrix16 kWallC{0,           0.9772698f, 0.2119996f,  0,          0.7592566f,  0.1379675f,
                      -0.6359987f, 0,          -0.6507914f, 0.1609621f, -0.7419985f, 0,
                      -5.477494f,  2.983547f,  -6.677987f,  1};
// kCamera rotate(-90, x) translate(0, -6.5, 5).
const Matrix16 kWallD{-0.7592566f, -0.1379675f, 0.6359987f, 0,          0.6507914f, -0.1609621f,
                      0.7419985f,  0,           0,          0.9772698f, 0.2119996f, 0,
                      -4.77247f,   4.926589f,   -15.63497f, 1};
// Light adds up behind the solid pass's depth without writing it; the overlay ignores depth
// but leaves its writes on, so that the next frame's clear reaches the depth buffer.
const Pass kSolid{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 1, 1, GL_LEQUAL, 1};
const Pass kLight{GL_SRC_ALPHA, GL_ONE, 1, 0, GL_LEQUAL, 1};
const Pass kFlat{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 0, 1, GL_LEQUAL, 1};

// A 1280 x 720 frame in which every instance draws: box A turned about all three axes, box B
// unturned, the four fields, emitters of 1, 2 and 3 particles, both panels and a caption of four
// glyphs, seen from the camera above.
TEST(WholeFrame, EveryDrawInOrderWithItsMatricesAndPassState) {
    const struct {
        GLuint program;
        GLint count;
        const Matrix16 &modelView, &projection;
        const Pass& pass;
    } want[] = {
        {boxA.program, 24, kBoxA, kPerspective, kSolid},
        {boxB.program, 24, kCamera, kPerspective, kSolid},
        {fieldA.program, 44 * 44 * 20, kCamera, kPerspective, kSolid},
        {fieldB.program, 16 * 16 * 20, kCamera, kPerspective, kSolid},
        {fieldC.program, 16 * 16 * 20, kWallC, kPerspective, kSolid},
        {fieldD.program, 16 * 16 * 20, kWallD, kPerspective, kSolid},
        {emitterA.program, 4, kCamera, kPerspective, kLight},
        {emitterB.program, 8, kCamera, kPerspective, kLight},
        {emitterC.program, 12, kCamera, kPerspective, kLight},
        {colorPanelA.program, 4, kIdentity, kOverlay, kFlat},
        {colorPanelB.program, 4, kIdentity, kOverlay, kFlat},
        {captions.program, 16, kIdentity, kOverlay, kFlat},
    };
    harnessClearScene();
    std::tie(demoState.screenWidth, demoState.screenHeight) = std::tuple(1280u, 720u);
    std::tie(demoState.cameraEye, demoState.cameraTarget) =
        std::tuple(Vec3{7.0f, 3.5f, -9.0f}, Vec3{-2.0f, 0.5f, 1.5f});
    boxA.visible = boxB.visible = true;
    std::tie(boxA.rotX, boxA.rotY, boxA.rotZ) = std::tuple(25.0f, -40.0f, 70.0f);
    fieldA.visible = fieldB.visible = fieldC.visible = fieldD.visible = 1;
    emitterA.enabled = emitterB.enabled = emitterC.enabled = true;
    std::tie(emitterA.count, emitterB.count, emitterC.count) = std::tuple(1u, 2u, 3u);
    captionSet(captions, 1, "kiru", 1.5f, 10.0f, 10.0f);
    std::vector<Draw> draws;
    recorded = &draws;
    composeFrame();
    recorded = nullptr;
    harnessClearScene();

    ASSERT_EQ(draws.size(), std::size(want));
    for (size_t k = 0; k < draws.size(); ++k) {
        SCOPED_TRACE(k);
        const Draw& d = draws[k];
        EXPECT_EQ(std::pair(GLuint(d.program), d.count), std::pair(want[k].program, want[k].count));
        for (int e = 0; e < 16; ++e) {
            EXPECT_PRED2(near, d.modelView[e], want[k].modelView[e]) << "modelview " << e;
            EXPECT_PRED2(near, d.projection[e], want[k].projection[e]) << "projection " << e;
        }
        EXPECT_EQ(d.pass, want[k].pass);
        EXPECT_EQ(d.depthRange, (std::array<float, 2>{0.0f, 1.0f}));
    }
    const Vec3& right = demoState.cameraRight; // row 0 of kCamera, for the particle billboards
    EXPECT_TRUE(near(right.x, kCamera[0]) && near(right.y, kCamera[4]) &&
                near(right.z, kCamera[8]));
    GLint stackDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackDepth);
    EXPECT_EQ(stackDepth, 1) << "every draw pops what it pushes";
}

// The web build's GL layer makes the same matrices of the composer's calls: its arithmetic is
// Mesa's. (How it stacks and draws them is held by the browser test's frames.)
TEST(WholeFrame, TheWebLayerMakesTheSameMatrices) {
    const double top = 0.1 * std::tan(0.5235987755982988), right = top * 1280 / 720;
    Matrix perspective = kIdentityMatrix, overlay = kIdentityMatrix, camera = kIdentityMatrix;
    matrixFrustum(perspective, -right, right, -top, top, 0.1, 400);
    matrixOrtho(overlay, 0, 1280, 720, 0, 0.1, 200);
    matrixMultiply(camera, lookAtBuild(7, 3.5f, -9, -2, 0.5f, 1.5f, 0, 1, 0).matrix);
    matrixTranslate(camera, -7, -3.5f, 9);
    Matrix boxA = camera, wallC = camera, wallD = camera;
    matrixRotate(boxA, 25, 1, 0, 0);
    matrixRotate(boxA, -40, 0, 1, 0);
    matrixRotate(boxA, 70, 0, 0, 1);
    matrixRotate(wallC, 90, 0, 0, 1);
    matrixTranslate(wallC, 5, -6.5f, 0);
    matrixRotate(wallD, -90, 1, 0, 0);
    matrixTranslate(wallD, 0, -6.5f, 5);
    const std::pair<const Matrix&, const Matrix16&> made[] = {{perspective, kPerspective},
                                                              {overlay, kOverlay},
                                                              {camera, kCamera},
                                                              {boxA, kBoxA},
                                                              {wallC, kWallC},
                                                              {wallD, kWallD}};
    for (size_t k = 0; k < std::size(made); ++k) {
        for (int e = 0; e < 16; ++e) {
            EXPECT_PRED2(near, made[k].first[e], made[k].second[e]) << k << ", element " << e;
        }
    }
}

// The programs' frame steps: a drawn frame's updates, then one composed frame that draws and reads
// back without an OpenGL error before the swap; a frame that is not drawn only updates. Each
// counts as one frame.
TEST(FrameStep, UpdatesThenComposesOnceAndCountsOneFrame) {
    ASSERT_EQ(demoState.sceneNumber, 1);
    const float time = scene1Time;
    const uint32_t frames = demoState.frameCount;
    demoUpdate(3);
    demoCompose();
    uint8_t corner[4] = {};
    frameRead(1, 1, GL_RGBA, corner);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    demoPresent();
    demoFrameEnd(0);
    demoUpdate(2);
    demoFrameEnd(0);
    EXPECT_NEAR(scene1Time - time, 5.0f / 60.0f, 1e-5f);
    EXPECT_EQ(demoState.frameCount, frames + 2);
    harnessClearScene();
}

} // namespace
