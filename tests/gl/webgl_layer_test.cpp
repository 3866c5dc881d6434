// The web build's GL layer (src/web/gl/gl_layer_core.h) against Mesa on the harness's context: the
// same matrix calls give the same matrices to the bit. How its quads and adapted programs draw is
// held by the browser test's frames.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>

#include "gl/gl_layer_core.h"
#include "render/gl.h"

namespace {

// The demo's own calls (frame.cpp, camera.cpp, the drawables) and the corner cases of each, one
// letter per call and then its arguments: M 0 / M 1 matrix mode model-view / projection, I
// identity, U push, O pop, L multiply by kLookAt, T translate, R rotate, F frustum, N ortho.
// Rotations include arbitrary axes (normalised first) and too short an axis (no rotation); the
// third pop is of the last matrix (nothing happens: GL_STACK_UNDERFLOW).
const float kLookAt[16] = {0.6f,  -0.48f, 0.64f, 0, 0, 0.8f, 0.6f, 0,
                           -0.8f, -0.36f, 0.48f, 0, 0, 0,    0,    1};
const char* const kCalls =
    "M 1 I F -0.0769800358919501 0.0769800358919501 -0.0577350269189626 0.0577350269189626 0.1 400 "
    "M 0 I L T -3.25 -17.5 41.125 U R 90 0 0 1 T 5 -6.5 0 R -90 1 0 0 R 33.7 0 -1 0 "
    "R -12.25 0 0 -2 R 17 -3 0 0 R 123.4 0.3 -0.5 0.8 R 45 0.00001 0 0.00001 R 0 1 0 0 "
    "U R 71.5 1 1 1 O O O M 1 U I N 0 800 600 0 0.1 200 T 0.5 0.25 -1";

// One call, to Mesa and to the layer's stacks alike.
void apply(MatrixStacks& s, char op, const double* v) {
    const auto f = [v](int i) { return static_cast<float>(v[i]); };
    switch (op) {
    case 'M':
        glMatrixMode(v[0] == 0 ? GL_MODELVIEW : GL_PROJECTION);
        s.mode = v[0] == 0 ? MatrixMode::ModelView : MatrixMode::Projection;
        return;
    case 'I':
        glLoadIdentity();
        matrixStackTop(s) = kIdentityMatrix;
        return;
    case 'U':
        glPushMatrix();
        return matrixStackPush(s);
    case 'O':
        glPopMatrix();
        return matrixStackPop(s);
    case 'L':
        glMultMatrixf(kLookAt);
        return matrixMultiply(matrixStackTop(s), kLookAt);
    case 'T':
        glTranslatef(f(0), f(1), f(2));
        return matrixTranslate(matrixStackTop(s), f(0), f(1), f(2));
    case 'R':
        glRotatef(f(0), f(1), f(2), f(3));
        return matrixRotate(matrixStackTop(s), f(0), f(1), f(2), f(3));
    case 'F':
        glFrustum(v[0], v[1], v[2], v[3], v[4], v[5]);
        return matrixFrustum(matrixStackTop(s), v[0], v[1], v[2], v[3], v[4], v[5]);
    case 'N':
        glOrtho(v[0], v[1], v[2], v[3], v[4], v[5]);
        return matrixOrtho(matrixStackTop(s), v[0], v[1], v[2], v[3], v[4], v[5]);
    }
}

Matrix glMatrix(GLenum which) {
    Matrix m;
    glGetFloatv(which, m.data());
    return m;
}

TEST(WebGlLayer, MatrixStacksMatchMesaToTheBit) {
    for (int k = 0; k < 8 && glGetError() != GL_NO_ERROR; ++k) { // errors left by earlier tests
    }
    MatrixStacks stacks;
    for (const double mode : {0.0, 1.0}) { // Mesa's matrices as the layer's, whatever came before
        apply(stacks, 'M', &mode);
        apply(stacks, 'I', &mode);
    }
    // The demo's calls, then past the model-view stack's depth and back down: a push on a full
    // stack does nothing (GL_STACK_OVERFLOW), like a pop of the last matrix.
    std::string pushes, pops;
    for (int i = 0; i < kMatrixStackDepth + 3; ++i) {
        pushes += " U T 1 0 0";
        pops += " O T 0 0.5 0";
    }
    std::istringstream calls(std::string(kCalls) + " M 0" + pushes + pops + " M 1");
    int step = 0;
    for (char op; calls >> op;) {
        double v[6] = {};
        // The numbers up to the next letter.
        for (int n = 0; calls >> std::ws && !std::isalpha(calls.peek()) && calls >> v[n];) {
            ++n;
        }
        apply(stacks, op, v);
        SCOPED_TRACE("after call " + std::to_string(++step) + ", " + op);
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

} // namespace
