#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "drawables/cube_field.h"

namespace {

// A private field; the demo's instances are left alone.
struct Field {
    CubeField f;
    explicit Field(int32_t n) { cubeFieldInit(f, n); }
    ~Field() { cubeFieldFree(f); }
};

struct Span {
    float min[3];
    float max[3];
};

Span columnSpan(const CubeField& f, int32_t i, int32_t j) {
    const float* p = f.positions + (i * f.size + j) * kColumnVertices * 3;
    Span s{{p[0], p[1], p[2]}, {p[0], p[1], p[2]}};
    for (int v = 1; v < kColumnVertices; ++v) {
        for (int k = 0; k < 3; ++k) {
            s.min[k] = std::min(s.min[k], p[v * 3 + k]);
            s.max[k] = std::max(s.max[k], p[v * 3 + k]);
        }
    }
    return s;
}

float one(float, float) {
    return 1.0f;
}
float half(float, float) {
    return 0.5f;
}
float quarter(float, float) {
    return 0.25f;
}
float unitHeight(float, float, float) {
    return 1.0f;
}

int shadeCalls = 0;
float countingShade(float, float, float) {
    ++shadeCalls;
    return 0.5f;
}

TEST(CubeField, CornerColumnSpans) {
    struct Case {
        int32_t n;
        int32_t i, j;
        float min, max; // in x and in z
    };
    const Case cases[] = {
        {16, 0, 0, -6.61f, -5.81f},
        {16, 15, 15, 5.84f, 6.64f},
        {44, 0, 0, -18.23f, -17.43f},
        {44, 43, 43, 17.46f, 18.26f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "N " << c.n << " column " << c.i << "," << c.j);
        Field field(c.n);
        field.f.weightFn = one;
        field.f.heightFn = unitHeight;
        cubeFieldUpdateHeights(field.f);
        ASSERT_EQ(cubeFieldBuild(field.f), c.n * c.n);
        const Span s = columnSpan(field.f, c.i, c.j);
        EXPECT_NEAR(s.min[0], c.min, 1e-4f);
        EXPECT_NEAR(s.max[0], c.max, 1e-4f);
        EXPECT_NEAR(s.min[2], c.min, 1e-4f);
        EXPECT_NEAR(s.max[2], c.max, 1e-4f);
        EXPECT_FLOAT_EQ(s.min[1], 0.0f);
        EXPECT_FLOAT_EQ(s.max[1], 0.8f); // height 1 x 0.8 x weight 1
    }
}

TEST(CubeField, ColumnFacesOriginAndShade) {
    Field field(16);
    field.f.originX = 2.0f;
    field.f.originY = -1.5f;
    field.f.originZ = -3.0f;
    field.f.brightness = 0.5f;
    field.f.weightFn = half;
    field.f.heightFn = [](float i, float, float phase) { return i + phase; };
    field.f.shadeFn = [](float, float j, float) { return j / 16.0f; };
    field.f.phase = 1.0f;
    cubeFieldUpdateHeights(field.f);
    ASSERT_EQ(cubeFieldBuild(field.f), 256);
    // Column (3, 5): centre x = 3 x 0.83 + 2 - 6.21, z = 5 x 0.83 - 3 - 6.21, height 4 x 0.8 x 0.5.
    const int32_t c = 3 * 16 + 5;
    const float* p = field.f.positions + c * kColumnVertices * 3;
    const float x0 = 3 * 0.83f + 2 - 6.21f - 0.4f;
    const float z0 = 5 * 0.83f - 3 - 6.21f - 0.4f;
    const float y1 = -1.5f + 1.6f;
    // The top face is vertices 12..15 at y1; the other faces reach down to the floor.
    for (int v = 12; v < 16; ++v) {
        EXPECT_NEAR(p[v * 3 + 1], y1, 1e-5f) << "vertex " << v;
    }
    EXPECT_NEAR(p[0], x0, 1e-4f);
    EXPECT_FLOAT_EQ(p[1], -1.5f);
    EXPECT_NEAR(p[2], z0, 1e-4f);
    // The side at x1 starts at (x1, y0, z0); the side at x0 starts at (x0, y0, z0).
    EXPECT_NEAR(p[8 * 3], x0 + 0.8f, 1e-4f);
    EXPECT_NEAR(p[16 * 3], x0, 1e-4f);
    for (int v = 0; v < kColumnVertices; ++v) {
        const float* color = field.f.colors + (c * kColumnVertices + v) * 4;
        EXPECT_FLOAT_EQ(color[0], 5.0f / 16.0f * 0.5f);
        EXPECT_FLOAT_EQ(color[2], color[0]);
        EXPECT_FLOAT_EQ(color[3], 1.0f);
        const float* uv = field.f.texcoords + (c * kColumnVertices + v) * 2;
        const float expected[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        EXPECT_FLOAT_EQ(uv[0], expected[v % 4][0]);
        EXPECT_FLOAT_EQ(uv[1], expected[v % 4][1]);
    }
}

TEST(CubeField, WeightZeroColumnLiesFlat) {
    Field field(44);
    cubeFieldSwitchOn(field.f);
    cubeFieldUpdateHeights(field.f); // default functions: weight 0 at (20, 20)
    field.f.phase = 0.5f;
    cubeFieldUpdateHeights(field.f);
    cubeFieldBuild(field.f);
    EXPECT_GT(field.f.heights[20 * 44 + 20], 0.0f);
    const Span flat = columnSpan(field.f, 20, 20);
    EXPECT_EQ(flat.min[1], 0.0f);
    EXPECT_EQ(flat.max[1], 0.0f);
    const Span tall = columnSpan(field.f, 0, 0);
    EXPECT_GT(tall.max[1], 0.0f);
}

TEST(CubeField, StartsFlatAndBuildsNothingWhenEmpty) {
    Field field(16);
    EXPECT_EQ(field.f.vertexCount, 16 * 16 * 20);
    EXPECT_EQ(field.f.visible, 0);
    EXPECT_EQ(field.f.weightsReady, 0);
    cubeFieldBuild(field.f);
    for (int32_t c = 0; c < 256; ++c) {
        ASSERT_EQ(field.f.heights[c], 0.0f);
        ASSERT_EQ(field.f.weights[c], 0.0f);
    }
    EXPECT_EQ(columnSpan(field.f, 7, 9).max[1], 0.0f);
    Field empty(0);
    EXPECT_EQ(cubeFieldBuild(empty.f), 0);
}

TEST(CubeField, ShadeFunctionOncePerColumnPerBuild) {
    Field field(16);
    field.f.shadeFn = countingShade;
    shadeCalls = 0;
    cubeFieldBuild(field.f);
    EXPECT_EQ(shadeCalls, 256);
    cubeFieldUpdateHeights(field.f);
    EXPECT_EQ(shadeCalls, 256);
}

TEST(CubeField, SwitchOnMarksTheWeightsStale) {
    Field field(16);
    field.f.weightFn = half;
    cubeFieldSwitchOn(field.f);
    cubeFieldUpdateHeights(field.f);
    EXPECT_EQ(field.f.weights[37], 0.5f);
    EXPECT_EQ(field.f.weightsReady, 1);
    // A new weight function with only visible set keeps the old weights.
    field.f.weightFn = quarter;
    field.f.visible = 0;
    field.f.visible = 1;
    cubeFieldUpdateHeights(field.f);
    EXPECT_EQ(field.f.weights[37], 0.5f);
    cubeFieldSwitchOn(field.f);
    EXPECT_EQ(field.f.visible, 1);
    EXPECT_EQ(field.f.weightsReady, 0);
    cubeFieldUpdateHeights(field.f);
    EXPECT_EQ(field.f.weights[37], 0.25f);
    EXPECT_EQ(field.f.weightsReady, 1);
}

TEST(CubeFieldDefaults, BoundaryValues) {
    struct Case {
        const char* name;
        float i, j;
        float height, weight, shade; // NAN: not checked at this point
    };
    // Offsets whose squared distances times 0.021429 are exactly 2 and 3 in single precision.
    const float e2i = 29.4515324f, e2j = 22.0f;
    const float e3i = 31.8320408f, e3j = 20.0f;
    const Case cases[] = {
        {"centre", 20, 20, 2 * std::fabs(std::sin(40 * 0.333f)), 0.0f, 0.0f},
        {"origin", 0, 0, 0.0f, 1.0f, 0.0f},
        {"weight ramp", 22, 21, NAN, 5 * 0.028572f, 5 * 0.021429f},
        {"e exactly 2", e2i, e2j, NAN, 1.0f, 1.0f},
        {"just past 2: folded", std::nextafter(e2i, 100.0f), e2j, NAN, 1.0f, NAN},
        {"e exactly 3", e3i, e3j, NAN, 1.0f, 0.5f},
        {"ring band", 28, 20, NAN, 1.0f, 1.0f},
        {"beyond the ring", 36, 20, NAN, 1.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!std::isnan(c.height)) {
            EXPECT_FLOAT_EQ(defaultHeight(c.i, c.j, 0.0f), c.height);
        }
        EXPECT_FLOAT_EQ(defaultWeight(c.i, c.j), c.weight);
        if (!std::isnan(c.shade)) {
            EXPECT_FLOAT_EQ(defaultShade(c.i, c.j, 7.0f), c.shade);
        }
    }
    const float dx = e2i - 20.0f, dy = e2j - 20.0f;
    ASSERT_EQ((dx * dx + dy * dy) * 0.021429f, 2.0f);
    EXPECT_LT(defaultShade(std::nextafter(e2i, 100.0f), e2j, 0.0f), 1.0f);
    // The phase moves the height wave along the diagonal and leaves the shade alone.
    EXPECT_FLOAT_EQ(defaultHeight(1, 2, 0.5f), 2 * std::fabs(std::sin(3.5f * 0.333f)));
    EXPECT_FLOAT_EQ(defaultShade(25, 20, 0), defaultShade(25, 20, 3));
}

} // namespace
