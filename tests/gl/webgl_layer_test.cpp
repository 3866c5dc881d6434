// The web build's GL layer (src/web/gl/gl_layer_core.h) against Mesa on the harness's context: the
// same matrix calls give the same matrices to the bit, quads split as Mesa splits them, and the
// adapted programs compile and link as GLSL ES 1.00.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gl/gl_layer_core.h"
#include "render/gl.h"
#include "render/shaders.h"

namespace {

enum class Op { Mode, Identity, Push, Pop, Mult, Translate, Rotate, Frustum, Ortho };
struct Call {
    Op op;
    double v[6];
};

// The demo's own calls (frame.cpp, camera.cpp, the drawables) and the corner cases of each.
const float kLookAt[16] = {0.6f,  -0.48f, 0.64f, 0, 0, 0.8f, 0.6f, 0,
                           -0.8f, -0.36f, 0.48f, 0, 0, 0,    0,    1};
const Call kCalls[] = {
    {Op::Mode, {1}},
    {Op::Identity, {}},
    {Op::Frustum,
     {-0.0769800358919501, 0.0769800358919501, -0.0577350269189626, 0.0577350269189626, 0.1,
      400.0}},
    {Op::Mode, {0}},
    {Op::Identity, {}},
    {Op::Mult, {}},
    {Op::Translate, {-3.25, -17.5, 41.125}},
    {Op::Push, {}},
    {Op::Rotate, {90, 0, 0, 1}},
    {Op::Translate, {5, -6.5, 0}},
    {Op::Rotate, {-90, 1, 0, 0}},
    {Op::Rotate, {33.7, 0, -1, 0}},
    {Op::Rotate, {-12.25, 0, 0, -2}},
    {Op::Rotate, {17, -3, 0, 0}},
    {Op::Rotate, {123.4, 0.3, -0.5, 0.8}},   // an arbitrary axis, normalised first
    {Op::Rotate, {45, 0.00001, 0, 0.00001}}, // too short an axis: no rotation
    {Op::Rotate, {0, 1, 0, 0}},
    {Op::Push, {}},
    {Op::Rotate, {71.5, 1, 1, 1}},
    {Op::Pop, {}},
    {Op::Pop, {}},
    {Op::Pop, {}}, // the last matrix: nothing happens (GL_STACK_UNDERFLOW)
    {Op::Mode, {1}},
    {Op::Push, {}},
    {Op::Identity, {}},
    {Op::Ortho, {0, 800, 600, 0, 0.1, 200}},
    {Op::Translate, {0.5, 0.25, -1}},
};

void applyGl(const Call& c) {
    const auto f = [&c](int i) { return static_cast<float>(c.v[i]); };
    switch (c.op) {
    case Op::Mode:
        return glMatrixMode(c.v[0] == 0 ? GL_MODELVIEW : GL_PROJECTION);
    case Op::Identity:
        return glLoadIdentity();
    case Op::Push:
        return glPushMatrix();
    case Op::Pop:
        return glPopMatrix();
    case Op::Mult:
        return glMultMatrixf(kLookAt);
    case Op::Translate:
        return glTranslatef(f(0), f(1), f(2));
    case Op::Rotate:
        return glRotatef(f(0), f(1), f(2), f(3));
    case Op::Frustum:
        return glFrustum(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5]);
    case Op::Ortho:
        return glOrtho(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5]);
    }
}

void applyLayer(MatrixStacks& s, const Call& c) {
    const auto f = [&c](int i) { return static_cast<float>(c.v[i]); };
    switch (c.op) {
    case Op::Mode:
        s.mode = c.v[0] == 0 ? MatrixMode::ModelView : MatrixMode::Projection;
        return;
    case Op::Identity:
        matrixStackTop(s) = kIdentityMatrix;
        return;
    case Op::Push:
        return matrixStackPush(s);
    case Op::Pop:
        return matrixStackPop(s);
    case Op::Mult:
        return matrixMultiply(matrixStackTop(s), kLookAt);
    case Op::Translate:
        return matrixTranslate(matrixStackTop(s), f(0), f(1), f(2));
    case Op::Rotate:
        return matrixRotate(matrixStackTop(s), f(0), f(1), f(2), f(3));
    case Op::Frustum:
        return matrixFrustum(matrixStackTop(s), c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5]);
    case Op::Ortho:
        return matrixOrtho(matrixStackTop(s), c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5]);
    }
}

Matrix glMatrix(GLenum which) {
    Matrix m;
    glGetFloatv(which, m.data());
    return m;
}

TEST(WebGlLayer, MatrixStacksMatchMesaToTheBit) {
    while (glGetError() != GL_NO_ERROR) {
    }
    MatrixStacks stacks;
    for (size_t i = 0; i < std::size(kCalls); ++i) {
        applyGl(kCalls[i]);
        applyLayer(stacks, kCalls[i]);
        SCOPED_TRACE("after call " + std::to_string(i));
        EXPECT_EQ(stacks.entries[0][stacks.depth[0] - 1], glMatrix(GL_MODELVIEW_MATRIX));
        EXPECT_EQ(stacks.entries[1][stacks.depth[1] - 1], glMatrix(GL_PROJECTION_MATRIX));
    }
    // Mesa's gl_ModelViewProjectionMatrix is its own product of the two tops.
    const Matrix modelView = glMatrix(GL_MODELVIEW_MATRIX);
    glMultMatrixf(modelView.data());
    EXPECT_EQ(matrixStacksModelViewProjection(stacks), glMatrix(GL_PROJECTION_MATRIX));
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_UNDERFLOW));
}

TEST(WebGlLayer, StacksStopAtTheirDepth) {
    MatrixStacks stacks;
    for (int i = 0; i < kMatrixStackDepth + 3; ++i) {
        matrixStackPush(stacks);
        matrixTranslate(matrixStackTop(stacks), 1.0f, 0.0f, 0.0f);
    }
    EXPECT_EQ(stacks.depth[0], kMatrixStackDepth);
    EXPECT_EQ(matrixStackTop(stacks)[12], static_cast<float>(kMatrixStackDepth + 3));
    for (int i = 0; i < kMatrixStackDepth + 3; ++i) {
        matrixStackPop(stacks);
    }
    EXPECT_EQ(stacks.depth[0], 1);
    EXPECT_EQ(matrixStackTop(stacks), kIdentityMatrix);
    EXPECT_EQ(stacks.depth[1], 1);
}

TEST(WebGlLayer, QuadsBecomeTwoTrianglesEach) {
    std::vector<uint16_t> indices(kMaxIndexedQuads * 6);
    quadIndicesFill(indices.data(), kMaxIndexedQuads);
    const std::vector<uint16_t> firstTwo = {0, 1, 3, 1, 2, 3, 4, 5, 7, 5, 6, 7};
    EXPECT_EQ(std::vector<uint16_t>(indices.begin(), indices.begin() + 12), firstTwo);
    EXPECT_EQ(indices.back(), 65535);
    EXPECT_EQ(indices[indices.size() - 5], 65533);
}

TEST(WebGlLayer, AdaptedSourcesAreGlslEs100) {
    const std::string flat = shaderSourceAdapt(flatColorProgram.fragment, false);
    EXPECT_EQ(flat, "#version 100\n#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n"
                    "#else\nprecision mediump float;\n#endif\nvarying vec4 kiru_Color;\n"
                    "void main() {\n    gl_FragColor = kiru_Color;\n}");
    for (const ProgramSources* program :
         {&flatColorProgram, &texturedProgram, &particleProgram, &distanceFieldProgram}) {
        const std::string vertex = shaderSourceAdapt(program->vertex, true);
        const std::string fragment = shaderSourceAdapt(program->fragment, false);
        for (const char* gone : {"#version 120", "gl_FrontColor", "gl_Color", "gl_ModelView"}) {
            EXPECT_EQ(vertex.find(gone), std::string::npos) << gone;
            EXPECT_EQ(fragment.find(gone), std::string::npos) << gone;
        }
        // Mesa compiles "#version 100" with the ES rules (ARB_ES2_compatibility).
        const GLuint built = buildProgram(vertex.c_str(), fragment.c_str());
        ASSERT_NE(built, 0u) << vertex << "\n" << fragment;
        GLint linked = 0;
        glGetProgramiv(built, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        EXPECT_GE(glGetUniformLocation(built, kMvpUniformName), 0);
        glDeleteProgram(built);
    }
}

} // namespace
