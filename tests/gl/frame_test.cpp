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
#include <string>
#include <tuple>
#include <vector>

#include "app/demo.h"
#include "gl_harness.h"
#include "render/camera.h"
#include "scenes/scene1.h"
#include "stage/demo_state.h"
#include "stage/frame.h"

namespace {

using Matrix16 = std::array<float, 16>;

struct Pass {
    GLint blendSource, blendDestination;
    GLboolean depthTest, depthWrites;
};

struct Draw {
    GLuint program;
    GLsizei count;
    Matrix16 modelView, projection;
    Pass pass;
    GLint depthFunc;
    GLboolean blend;
    std::array<float, 2> depthRange;
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
        Draw d{};
        GLint program = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        d.program = static_cast<GLuint>(program);
        d.count = count;
        glGetFloatv(GL_MODELVIEW_MATRIX, d.modelView.data());
        glGetFloatv(GL_PROJECTION_MATRIX, d.projection.data());
        glGetIntegerv(GL_BLEND_SRC_RGB, &d.pass.blendSource);
        glGetIntegerv(GL_BLEND_DST_RGB, &d.pass.blendDestination);
        d.pass.depthTest = glIsEnabled(GL_DEPTH_TEST);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &d.pass.depthWrites);
        glGetIntegerv(GL_DEPTH_FUNC, &d.depthFunc);
        d.blend = glIsEnabled(GL_BLEND);
        glGetFloatv(GL_DEPTH_RANGE, d.depthRange.data());
        recorded->push_back(d);
    }
    driver(mode, first, count);
}

namespace {

// A 1280 x 720 frame in which every instance draws: both boxes turned about all three axes, the
// four fields, emitters of 1, 2 and 3 particles, both panels and a caption of four glyphs, seen
// from eye (7, 3.5, -9) towards (-2, 0.5, 1.5) with the up vector the demo starts with.
TEST(WholeFrame, EveryDrawInOrderWithItsMatricesAndPassState) {
    const Matrix16 kPerspective{0.9742786f, 0, 0,        0,  0, 1.732051f, 0,         0,
                                0,          0, -1.0005f, -1, 0, 0,         -0.20005f, 0};
    const Matrix16 kOverlay{0.0015625f, 0,          0, 0,  0, -0.002777778f, 0, 0, 0,
                            0,          -0.010005f, 0, -1, 1, -1.001001f,    1};
    const Matrix16 kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // look(eye, target, (0, 1, 0)).
    const Matrix16 kCamera{
        -0.7592566f, -0.1379675f, 0.6359987f,  0, 0,           0.9772698f, 0.2119996f, 0,
        -0.6507914f, 0.1609621f,  -0.7419985f, 0, -0.5423261f, -1.006013f, -11.87198f, 1};
    // kCamera rotate(25, x) rotate(-40, y) rotate(70, z).
    const Matrix16 kBoxA{
        -0.587046f,  0.80134f,    -0.115027f,  0, 0.8087432f,  0.5868643f, -0.03904806f, 0,
        0.03621448f, -0.1159503f, -0.9925946f, 0, -0.5423261f, -1.006013f, -11.87198f,   1};
    // kCamera rotate(-15, x) rotate(110, y) rotate(-35, z).
    const Matrix16 kBoxB{
        0.5999847f,  -0.7932666f, 0.103665f, 0, 0.6257377f,  0.5460659f, 0.5570138f, 0,
        -0.4984684f, -0.2693327f, 0.824008f, 0, -0.5423261f, -1.006013f, -11.87198f, 1};
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
    const Pass kSolid{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_TRUE, GL_TRUE};
    const Pass kLight{GL_SRC_ALPHA, GL_ONE, GL_TRUE, GL_FALSE};
    const Pass kFlat{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_FALSE, GL_TRUE};
    const struct {
        const char* name;
        GLuint program;
        GLsizei count;
        const Matrix16& modelView;
        const Matrix16& projection;
        const Pass& pass;
    } want[] = {
        {"boxA", boxA.program, 24, kBoxA, kPerspective, kSolid},
        {"boxB", boxB.program, 24, kBoxB, kPerspective, kSolid},
        {"fieldA", fieldA.program, 44 * 44 * 20, kCamera, kPerspective, kSolid},
        {"fieldB", fieldB.program, 16 * 16 * 20, kCamera, kPerspective, kSolid},
        {"fieldC", fieldC.program, 16 * 16 * 20, kWallC, kPerspective, kSolid},
        {"fieldD", fieldD.program, 16 * 16 * 20, kWallD, kPerspective, kSolid},
        {"emitterA", emitterA.program, 4, kCamera, kPerspective, kLight},
        {"emitterB", emitterB.program, 8, kCamera, kPerspective, kLight},
        {"emitterC", emitterC.program, 12, kCamera, kPerspective, kLight},
        {"colorPanelA", colorPanelA.program, 4, kIdentity, kOverlay, kFlat},
        {"colorPanelB", colorPanelB.program, 4, kIdentity, kOverlay, kFlat},
        {"captions", captions.program, 16, kIdentity, kOverlay, kFlat},
    };

    harnessClearScene();
    std::tie(demoState.screenWidth, demoState.screenHeight) = std::tuple(1280u, 720u);
    demoState.cameraEye = {7.0f, 3.5f, -9.0f};
    demoState.cameraTarget = {-2.0f, 0.5f, 1.5f};
    boxA.visible = boxB.visible = true;
    std::tie(boxA.rotX, boxA.rotY, boxA.rotZ) = std::tuple(25.0f, -40.0f, 70.0f);
    std::tie(boxB.rotX, boxB.rotY, boxB.rotZ) = std::tuple(-15.0f, 110.0f, -35.0f);
    fieldA.visible = fieldB.visible = fieldC.visible = fieldD.visible = 1;
    uint32_t particles = 0;
    for (ParticleEmitter* emitter : {&emitterA, &emitterB, &emitterC}) {
        emitter->enabled = true;
        emitter->count = ++particles;
    }
    captionSet(captions, 1, "kiru", 1.5f, 10.0f, 10.0f);

    std::vector<Draw> draws;
    recorded = &draws;
    composeFrame();
    recorded = nullptr;
    harnessClearScene();

    ASSERT_EQ(draws.size(), std::size(want));
    for (size_t k = 0; k < draws.size(); ++k) {
        const Draw& d = draws[k];
        const auto& w = want[k];
        SCOPED_TRACE(w.name);
        EXPECT_EQ(d.program, w.program);
        EXPECT_EQ(d.count, w.count);
        for (int e = 0; e < 16; ++e) {
            EXPECT_PRED2(near, d.modelView[e], w.modelView[e]) << "modelview element " << e;
            EXPECT_PRED2(near, d.projection[e], w.projection[e]) << "projection element " << e;
        }
        EXPECT_EQ(std::tie(d.pass.blendSource, d.pass.blendDestination, d.pass.depthTest,
                           d.pass.depthWrites),
                  std::tie(w.pass.blendSource, w.pass.blendDestination, w.pass.depthTest,
                           w.pass.depthWrites));
        EXPECT_EQ(d.depthFunc, GL_LEQUAL);
        EXPECT_TRUE(d.blend);
        EXPECT_EQ(d.depthRange, (std::array<float, 2>{0.0f, 1.0f}));
    }
    GLint stackDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackDepth);
    EXPECT_EQ(stackDepth, 1) << "every draw pops what it pushes";
}

// lookAt on an identity modelview, and lookAtBuild alone: the rows s, u, f of the rotation, with
// the eye moved to the origin in the last column (which lookAtBuild leaves out); s is the right
// vector. Rows from the same model; the last two cases keep every vector that has no direction 0.
TEST(Camera, LookAtRowsAndRightVector) {
    const struct {
        Vec3 eye, target, up;
        float rows[3][4];
    } cases[] = {
        // The entry's default camera: a pure translation.
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 0}, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, -5}}},
        // Scene 5's camera looking into the room corner.
        {{-6, 4, -4},
         {6, 0, 6},
         {0, 1, 0},
         {{-0.6401844f, 0, 0.7682213f, -0.7682213f},
          {0.1905722f, 0.9687422f, 0.1588102f, -2.096295f},
          {-0.7442084f, 0.2480695f, -0.6201737f, -7.938223f}}},
        // An up vector off every axis, neither of unit length nor across the view.
        {{3, 4, 12},
         {-1, 0.5f, -2},
         {0.3f, 1, -0.2f},
         {{0.9300957f, -0.3163591f, -0.1866519f, 0.7149715f},
          {0.252137f, 0.9193968f, -0.3018883f, -0.8113381f},
          {0.2671122f, 0.2337232f, 0.9348928f, -12.95494f}}},
        // Looking down -z with the up vector rolled 45 degrees.
        {{2, -1, 3},
         {2, -1, -7},
         {1, 1, 0},
         {{0.7071068f, -0.7071068f, 0, -2.12132f},
          {0.7071068f, 0.7071068f, 0, -0.7071068f},
          {0, 0, 1, -3}}},
        {{3, 3, 3}, {3, 3, 3}, {0, 1, 0}, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        {{0, 5, 0}, {0, 0, 0}, {0, 1, 0}, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 1, 0, -5}}},
    };
    glMatrixMode(GL_MODELVIEW);
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const auto& [eye, target, up, rows] = c;
        glLoadIdentity();
        CameraBlock camera;
        lookAt(camera, eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
        Matrix16 modelView;
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView.data());
        const LookAtFrame frame =
            lookAtBuild(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
        for (int e = 0; e < 16; ++e) { // column-major: element e is row e % 4, column e / 4
            const float want = e % 4 < 3 ? rows[e % 4][e / 4] : float(e == 15);
            EXPECT_PRED2(near, modelView[e], want) << "element " << e;
            EXPECT_PRED2(near, frame.matrix[e], e / 4 < 3 ? want : float(e == 15)) << e;
        }
        const Vec3& right = camera.cameraRight;
        EXPECT_TRUE(near(right.x, rows[0][0]) && near(right.y, rows[0][1]) &&
                    near(right.z, rows[0][2]));
    }
    glLoadIdentity();
}

// One frame step of the programs: its updates, then one composed frame shown to inspect before
// the swap; a frame that is not drawn only updates. Each counts as one frame.
TEST(FrameStep, UpdatesThenComposesOnceAndCountsOneFrame) {
    harnessClearScene();
    ASSERT_EQ(demoState.sceneNumber, 1);
    const float time = scene1Time;
    const uint32_t frames = demoState.frameCount;
    int inspected = 0;
    const FrameInspect count = [](void* n) { ++*static_cast<int*>(n); };
    demoFrame({.updates = 3, .inspect = count, .context = &inspected});
    EXPECT_NEAR(scene1Time - time, 3.0f / 60.0f, 1e-5f);
    EXPECT_EQ(inspected, 1);
    demoFrame({.updates = 2, .draw = false, .inspect = count, .context = &inspected});
    EXPECT_NEAR(scene1Time - time, 5.0f / 60.0f, 1e-5f);
    EXPECT_EQ(inspected, 1);
    EXPECT_EQ(demoState.frameCount, frames + 2);
    harnessClearScene();
}

} // namespace
