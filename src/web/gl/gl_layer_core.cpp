#include "gl/gl_layer_core.h"

#include <cmath>
#include <numbers>

namespace {

// Mesa's matmul4: product = a * b, row by row, so that product may be a.
void multiplyInto(float* product, const float* a, const float* b) {
    for (int i = 0; i < 4; ++i) {
        const float ai0 = a[i], ai1 = a[4 + i], ai2 = a[8 + i], ai3 = a[12 + i];
        for (int j = 0; j < 4; ++j) {
            const float* bj = b + 4 * j;
            product[4 * j + i] = ai0 * bj[0] + ai1 * bj[1] + ai2 * bj[2] + ai3 * bj[3];
        }
    }
}

int modeIndex(MatrixMode mode) {
    return mode == MatrixMode::ModelView ? 0 : 1;
}

bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

const char kVertexHeader[] = "#version 100\n"
                             "uniform mat4 kiru_ModelViewProjectionMatrix;\n"
                             "varying vec4 kiru_Color;\n"
                             "vec4 kiru_FrontColor;";
const char kVertexFooter[] = "\nvoid main() {\n"
                             "    kiru_main();\n"
                             "    kiru_Color = clamp(kiru_FrontColor, 0.0, 1.0);\n"
                             "}\n";
const char kFragmentHeader[] = "#version 100\n"
                               "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
                               "precision highp float;\n"
                               "#else\n"
                               "precision mediump float;\n"
                               "#endif\n"
                               "varying vec4 kiru_Color;";

struct Rename {
    const char* from;
    const char* to;
    bool vertex; // applies to vertex shaders (else to fragment shaders)
};
constexpr Rename kRenames[] = {
    {"gl_ModelViewProjectionMatrix", "kiru_ModelViewProjectionMatrix", true},
    {"gl_FrontColor", "kiru_FrontColor", true},
    {"main", "kiru_main", true},
    {"gl_Color", "kiru_Color", false},
};

} // namespace

void matrixMultiply(Matrix& m, const float* right) {
    multiplyInto(m.data(), m.data(), right);
}

void matrixTranslate(Matrix& m, float x, float y, float z) {
    for (int i = 0; i < 4; ++i) {
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
    }
}

void matrixRotate(Matrix& m, float degrees, float x, float y, float z) {
    if (degrees == 0.0f) {
        return;
    }
    const float s = std::sin(static_cast<float>(degrees * std::numbers::pi / 180.0));
    const float c = std::cos(static_cast<float>(degrees * std::numbers::pi / 180.0));
    Matrix r = kIdentityMatrix;
    auto at = [&r](int row, int column) -> float& { return r[column * 4 + row]; };
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(0, 0) = c;
        at(1, 1) = c;
        at(0, 1) = z < 0.0f ? s : -s;
        at(1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && y != 0.0f && z == 0.0f) {
        at(0, 0) = c;
        at(2, 2) = c;
        at(0, 2) = y < 0.0f ? -s : s;
        at(2, 0) = y < 0.0f ? s : -s;
    } else if (x != 0.0f && y == 0.0f && z == 0.0f) {
        at(1, 1) = c;
        at(2, 2) = c;
        at(1, 2) = x < 0.0f ? s : -s;
        at(2, 1) = x < 0.0f ? -s : s;
    } else {
        const float magnitude = std::sqrt(x * x + y * y + z * z);
        if (magnitude <= 1.0e-4f) {
            return;
        }
        x /= magnitude;
        y /= magnitude;
        z /= magnitude;
        const float oneMinusC = 1.0f - c;
        at(0, 0) = (oneMinusC * (x * x)) + c;
        at(0, 1) = (oneMinusC * (x * y)) - z * s;
        at(0, 2) = (oneMinusC * (z * x)) + y * s;
        at(1, 0) = (oneMinusC * (x * y)) + z * s;
        at(1, 1) = (oneMinusC * (y * y)) + c;
        at(1, 2) = (oneMinusC * (y * z)) - x * s;
        at(2, 0) = (oneMinusC * (z * x)) - y * s;
        at(2, 1) = (oneMinusC * (y * z)) + x * s;
        at(2, 2) = (oneMinusC * (z * z)) + c;
    }
    matrixMultiply(m, r.data());
}

namespace {

// The clip volume glFrustum and glOrtho take: GL takes doubles, and Mesa rounds them to floats
// before any arithmetic.
struct ClipVolume {
    float l, r, b, t, n, f;
};

ClipVolume clipVolumeRounded(double left, double right, double bottom, double top, double nearZ,
                             double farZ) {
    return {static_cast<float>(left), static_cast<float>(right), static_cast<float>(bottom),
            static_cast<float>(top),  static_cast<float>(nearZ), static_cast<float>(farZ)};
}

} // namespace

void matrixFrustum(Matrix& m, double left, double right, double bottom, double top, double nearZ,
                   double farZ) {
    const auto [l, r, b, t, n, f] = clipVolumeRounded(left, right, bottom, top, nearZ, farZ);
    Matrix p{};
    p[0] = (2.0f * n) / (r - l);
    p[5] = (2.0f * n) / (t - b);
    p[8] = (r + l) / (r - l);
    p[9] = (t + b) / (t - b);
    p[10] = -(f + n) / (f - n);
    p[11] = -1.0f;
    p[14] = -(2.0f * f * n) / (f - n);
    matrixMultiply(m, p.data());
}

void matrixOrtho(Matrix& m, double left, double right, double bottom, double top, double nearZ,
                 double farZ) {
    const auto [l, r, b, t, n, f] = clipVolumeRounded(left, right, bottom, top, nearZ, farZ);
    Matrix p{};
    p[0] = 2.0f / (r - l);
    p[5] = 2.0f / (t - b);
    p[10] = -2.0f / (f - n);
    p[12] = -(r + l) / (r - l);
    p[13] = -(t + b) / (t - b);
    p[14] = -(f + n) / (f - n);
    p[15] = 1.0f;
    matrixMultiply(m, p.data());
}

Matrix& matrixStackTop(MatrixStacks& stacks) {
    const int index = modeIndex(stacks.mode);
    return stacks.entries[index][stacks.depth[index] - 1];
}

void matrixStackPush(MatrixStacks& stacks) {
    const int index = modeIndex(stacks.mode);
    if (stacks.depth[index] < kMatrixStackDepth) {
        const Matrix top = matrixStackTop(stacks);
        stacks.entries[index][stacks.depth[index]++] = top;
    }
}

void matrixStackPop(MatrixStacks& stacks) {
    const int index = modeIndex(stacks.mode);
    if (stacks.depth[index] > 1) {
        --stacks.depth[index];
    }
}

Matrix matrixStacksModelViewProjection(const MatrixStacks& stacks) {
    Matrix product;
    multiplyInto(product.data(), stacks.entries[1][stacks.depth[1] - 1].data(),
                 stacks.entries[0][stacks.depth[0] - 1].data());
    return product;
}

void quadIndicesFill(uint16_t* out, uint32_t quads) {
    constexpr uint16_t kCorners[6] = {0, 1, 3, 1, 2, 3};
    for (uint32_t q = 0; q < quads; ++q) {
        for (int k = 0; k < 6; ++k) {
            *out++ = static_cast<uint16_t>(q * 4 + kCorners[k]);
        }
    }
}

std::string shaderSourceAdapt(const std::string& source, bool vertexShader) {
    // The #version line goes; its line feed stays, so the body keeps its line count.
    size_t i = source.rfind("#version", 0) == 0 ? source.find('\n') : 0;
    std::string out = vertexShader ? kVertexHeader : kFragmentHeader;
    while (i < source.size()) {
        if (!isWordChar(source[i])) {
            out += source[i++];
            continue;
        }
        size_t end = i;
        while (end < source.size() && isWordChar(source[end])) {
            ++end;
        }
        const std::string word = source.substr(i, end - i);
        const char* replacement = word.c_str();
        for (const Rename& rename : kRenames) {
            if (rename.vertex == vertexShader && word == rename.from) {
                replacement = rename.to;
            }
        }
        out += replacement;
        i = end;
    }
    if (vertexShader) {
        out += kVertexFooter;
    }
    return out;
}
