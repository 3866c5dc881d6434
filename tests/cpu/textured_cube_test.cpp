#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "drawables/textured_cube.h"
#include "render/types.h"

// Faces at z-, z+, y-, y+, x-, x+: each lies on its plane of the box, covers its four corners
// once, and carries the whole image as (0,0), (0,1), (1,1), (1,0).
TEST(TexturedCube, FacesCornersAndTexture) {
    const float texcoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (const Vec3 c : {Vec3{0, 0, 0}, Vec3{22, 0, 0}, Vec3{-3.5f, 1.25f, 8}}) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << "," << c.z);
        TexturedCube cube;
        texturedCubeInit(cube);
        std::tie(cube.x, cube.y, cube.z) = std::tuple(c.x, c.y, c.z);
        texturedCubeBuild(cube);
        std::set<int> corners; // face x 8 + which corner of the box
        for (int v = 0; v < kCubeVertices; ++v) {
            const float* p = cube.positions + v * 3;
            const float d[3] = {p[0] - c.x, p[1] - c.y, p[2] - c.z};
            EXPECT_TRUE(std::abs(d[0]) == 2 && std::abs(d[1]) == 2 && std::abs(d[2]) == 2) << v;
            EXPECT_EQ(d[2 - v / 8], v / 4 % 2 == 0 ? -2.0f : 2.0f) << "vertex " << v;
            corners.insert(v / 4 * 8 + (d[0] > 0) + (d[1] > 0) * 2 + (d[2] > 0) * 4);
            EXPECT_EQ(cube.texcoords[v * 2], texcoords[v % 4][0]) << "vertex " << v;
            EXPECT_EQ(cube.texcoords[v * 2 + 1], texcoords[v % 4][1]) << "vertex " << v;
        }
        EXPECT_EQ(corners.size(), 24u);
        texturedCubeFree(cube);
    }
}
