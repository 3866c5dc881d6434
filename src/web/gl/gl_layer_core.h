#pragma once
// The pure half of the web build's GL 2.0 layer (web/gl/gl_layer.h): the fixed-function matrix
// stacks, the indices that turn quads into triangles and the adaptation of the GLSL 1.20 programs
// to GLSL ES 1.00. It includes no GL header, so the native tests compile it and check its matrices
// against those worked out for the frame composer's calls.

#include <array>
#include <cstdint>
#include <string>

// A 4 x 4 matrix, column-major and single precision, as glGetFloatv(GL_MODELVIEW_MATRIX) gives it.
using Matrix = std::array<float, 16>;

inline constexpr Matrix kIdentityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Each operation multiplies its matrix onto m from the right, with Mesa's single-precision
// arithmetic term for term, so the results match Mesa's to the bit.
void matrixMultiply(Matrix& m, const float* right); // glMultMatrixf
void matrixTranslate(Matrix& m, float x, float y, float z);
void matrixRotate(Matrix& m, float degrees, float x, float y, float z);
void matrixFrustum(Matrix& m, double left, double right, double bottom, double top, double nearZ,
                   double farZ);
void matrixOrtho(Matrix& m, double left, double right, double bottom, double top, double nearZ,
                 double farZ);

enum class MatrixMode : uint8_t { ModelView, Projection };

// GL's modelview and projection stacks, each starting as one identity matrix. As in GL, a push
// onto a full stack and a pop of the last matrix change nothing.
inline constexpr int32_t kMatrixStackDepth = 32;
struct MatrixStacks {
    Matrix entries[2][kMatrixStackDepth] = {{kIdentityMatrix}, {kIdentityMatrix}};
    int32_t depth[2] = {1, 1};
    MatrixMode mode = MatrixMode::ModelView;
};

// The current mode's top matrix, which every operation above works on.
Matrix& matrixStackTop(MatrixStacks& stacks);
void matrixStackPush(MatrixStacks& stacks);
void matrixStackPop(MatrixStacks& stacks);
// Projection times modelview: the value of gl_ModelViewProjectionMatrix.
Matrix matrixStacksModelViewProjection(const MatrixStacks& stacks);

// Quad q (vertices 4q to 4q + 3) becomes the triangles 4q, 4q + 1, 4q + 3 and 4q + 1, 4q + 2,
// 4q + 3: Mesa's split with the last vertex provoking. Writes 6 * quads indices; vertices past
// 65535 do not fit 16 bits, so quads is at most kMaxIndexedQuads.
inline constexpr uint32_t kMaxIndexedQuads = 16384;
void quadIndicesFill(uint16_t* out, uint32_t quads);

// The uniform and varying that stand in for gl_ModelViewProjectionMatrix and gl_FrontColor /
// gl_Color in the adapted sources.
inline constexpr char kMvpUniformName[] = "kiru_ModelViewProjectionMatrix";

// A GLSL 1.20 source of the demo as GLSL ES 1.00: the #version line becomes the ES header (with
// the float precision in fragment shaders), gl_ModelViewProjectionMatrix a uniform, and
// gl_FrontColor / gl_Color a varying. The vertex shader's main is renamed and called from a new
// main that clamps the colour to 0..1, as GL 2.0 clamps gl_FrontColor.
std::string shaderSourceAdapt(const std::string& source, bool vertexShader);
