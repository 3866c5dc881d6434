#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "drawables/cube_field.h"
#include "render/types.h"

namespace {

// Column (2, 1) of a 3 x 3 field at origin (1, -1.5, 2): the grid starts at
// 0.415 - (3 * 0.83 - 0.03) / 2 = -0.815, so the column is centred at x = 1.845, z = 2.015, 0.8
// wide; its height is 4.5 * 0.8 * 0.5 and its grey 0.75 * 0.4.
TEST(CubeField, EveryVertexOfAColumn) {
    // x0 or x1, y0 or y1, z0 or z1, face by face: sides at z0 and z1, at x1, the top, at x0.
    const char* const kCorners[5][4] = {{"000", "100", "110", "010"},
                                        {"001", "101", "111", "011"},
                                        {"100", "110", "111", "101"},
                                        {"010", "110", "111", "011"},
                                        {"000", "010", "011", "001"}};
    const float kEdges[3][2] = {{1.445f, 2.245f}, {-1.5f, 0.3f}, {1.615f, 2.415f}};
    const float kTexcoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    CubeField f; // a private field; the demo's instances are left alone
    cubeFieldInit(f, 3);
    std::tie(f.originX, f.originY, f.originZ, f.phase, f.brightness) =
        std::tuple(1.0f, -1.5f, 2.0f, 0.5f, 0.4f);
    f.heightFn = [](float i, float j, float phase) { return i + 2 * j + phase; };
    f.weightFn = [](float, float) { return 0.5f; };
    f.shadeFn = [](float i, float j, float) { return 0.25f * (i + j); };
    cubeFieldUpdateHeights(f);
    ASSERT_EQ(cubeFieldBuild(f), 9);
    const int first = (2 * 3 + 1) * kColumnVertices;
    for (int v = 0; v < kColumnVertices; ++v) {
        SCOPED_TRACE(v);
        const int k = first + v;
        for (int axis = 0; axis < 3; ++axis) {
            const float want = kEdges[axis][kCorners[v / 4][v % 4][axis] - '0'];
            EXPECT_NEAR(f.positions[k * 3 + axis], want, 1e-5f) << "axis " << axis;
        }
        const float *c = f.colors + k * 4, *uv = f.texcoords + k * 2;
        EXPECT_TRUE(std::abs(c[0] - 0.3f) < 1e-6f && c[1] == c[0] && c[2] == c[0] && c[3] == 1);
        EXPECT_TRUE(uv[0] == kTexcoords[v % 4][0] && uv[1] == kTexcoords[v % 4][1]);
    }
    cubeFieldFree(f);
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
    EXPECT_NEAR(defaultHeight(20, 20, 0.5f), 1.5913597f, 1e-6f); // 2 |sin(40.5 x 0.333)|
}

} // namespace
