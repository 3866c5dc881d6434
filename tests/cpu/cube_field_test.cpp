#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "drawables/cube_field.h"
#include "render/types.h"

namespace {

// A private field; the demo's instances are left alone.
struct Field {
    CubeField f;
    explicit Field(int32_t n) { cubeFieldInit(f, n); }
    ~Field() { cubeFieldFree(f); }
};

// Smallest and largest x, y and z over one column's vertices.
std::pair<Vec3, Vec3> columnSpan(const CubeField& f, int32_t i, int32_t j) {
    const float* p = f.positions + (i * f.size + j) * kColumnVertices * 3;
    Vec3 lo{p[0], p[1], p[2]}, hi = lo;
    for (const float* q = p; q < p + kColumnVertices * 3; q += 3) {
        lo = {std::min(lo.x, q[0]), std::min(lo.y, q[1]), std::min(lo.z, q[2])};
        hi = {std::max(hi.x, q[0]), std::max(hi.y, q[1]), std::max(hi.z, q[2])};
    }
    return {lo, hi};
}

TEST(CubeField, ColumnSpansOriginAndWeight) {
    const struct {
        int32_t n, i, j;
        float originX, xMin, zMin, yMax; // every column is 0.8 wide and stands on y = -1.5
    } cases[] = {{16, 0, 0, 0, -6.61f, -6.61f, -0.7f},   {16, 15, 15, 0, 5.84f, 5.84f, 5.3f},
                 {44, 0, 0, 0, -18.23f, -18.23f, -0.7f}, {44, 43, 43, 0, 17.46f, 17.46f, 16.5f},
                 {16, 15, 0, 2.5f, 8.34f, -6.61f, 5.3f}, {16, 3, 7, 0, -4.12f, -0.8f, -1.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "N " << c.n << " column " << c.i << "," << c.j);
        Field field(c.n);
        field.f.originX = c.originX;
        field.f.originY = -1.5f;
        field.f.phase = 2.0f;
        // Heights i + 2, times 0.8 and the weight; column j = 7 has weight 0 and lies flat.
        field.f.heightFn = [](float i, float, float phase) { return i + phase; };
        field.f.weightFn = [](float, float j) { return j == 7 ? 0.0f : 0.5f; };
        cubeFieldUpdateHeights(field.f);
        ASSERT_EQ(cubeFieldBuild(field.f), c.n * c.n);
        const auto [lo, hi] = columnSpan(field.f, c.i, c.j);
        EXPECT_NEAR(lo.x, c.xMin, 1e-4f);
        EXPECT_NEAR(hi.x, c.xMin + 0.8f, 1e-4f);
        EXPECT_NEAR(lo.z, c.zMin, 1e-4f);
        EXPECT_NEAR(hi.z, c.zMin + 0.8f, 1e-4f);
        EXPECT_FLOAT_EQ(lo.y, -1.5f);
        EXPECT_FLOAT_EQ(hi.y, c.yMax);
    }
}

TEST(CubeField, SwitchOnMakesTheNextUpdateRecomputeTheWeights) {
    Field field(16);
    field.f.weightFn = [](float, float) { return 0.5f; };
    cubeFieldUpdateHeights(field.f);
    field.f.weightFn = [](float, float) { return 0.25f; };
    cubeFieldUpdateHeights(field.f); // the weights are kept between switch-ons
    EXPECT_EQ(field.f.weights[37], 0.5f);
    cubeFieldSwitchOn(field.f);
    cubeFieldUpdateHeights(field.f);
    EXPECT_TRUE(field.f.visible == 1 && field.f.weights[37] == 0.25f);
}

TEST(CubeFieldDefaults, BoundaryValues) {
    // Offsets whose squared distances times 0.021429 are exactly 2 and 3 in single precision.
    const float e2i = 29.4515324f, e3i = 31.8320408f;
    // i, j, weight, shade.
    const float cases[][4] = {
        {20, 20, 0, 0},  {0, 0, 1, 0},       {22, 21, 5 * 0.028572f, 5 * 0.021429f},
        {e2i, 22, 1, 1}, {e3i, 20, 1, 0.5f}, {28, 20, 1, 1},
        {36, 20, 1, 0}};
    for (const auto& [i, j, weight, shade] : cases) {
        SCOPED_TRACE(testing::Message() << i << "," << j);
        EXPECT_FLOAT_EQ(defaultWeight(i, j), weight);
        EXPECT_FLOAT_EQ(defaultShade(i, j, 7.0f), shade);
    }
    // Just past e = 2 the ring folds back down.
    EXPECT_LT(defaultShade(std::nextafter(e2i, 100.0f), 22, 0.0f), 1.0f);
    EXPECT_EQ(defaultHeight(0, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(defaultHeight(20, 20, 0.5f), 2 * std::fabs(std::sin(40.5f * 0.333f)));
}

} // namespace
