#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "drawables/textured_cube.h"

namespace {

struct Case {
    float cx, cy, cz;
};

// Each face lies on one plane of the box, covers its four corners once, and carries the whole
// image as (0,0), (0,1), (1,1), (1,0).
TEST(TexturedCube, FacesCornersAndTexture) {
    const Case cases[] = {{0, 0, 0}, {22, 0, 0}, {-3.5f, 1.25f, 8}};
    // Axis held fixed by each face and on which side.
    const int planeAxis[6] = {2, 2, 1, 1, 0, 0};
    const float planeSign[6] = {-1, 1, -1, 1, -1, 1};
    const float texcoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "centre " << c.cx << "," << c.cy << "," << c.cz);
        TexturedCube cube;
        texturedCubeInit(cube);
        cube.x = c.cx;
        cube.y = c.cy;
        cube.z = c.cz;
        texturedCubeBuild(cube);
        const float centre[3] = {c.cx, c.cy, c.cz};
        const float h = cube.halfSize;
        for (int face = 0; face < 6; ++face) {
            std::set<std::pair<float, float>> corners;
            for (int corner = 0; corner < 4; ++corner) {
                const int v = face * 4 + corner;
                const float* p = cube.positions + v * 3;
                const int axis = planeAxis[face];
                EXPECT_FLOAT_EQ(p[axis], centre[axis] + planeSign[face] * h) << "vertex " << v;
                for (int k = 0; k < 3; ++k) {
                    EXPECT_FLOAT_EQ(std::abs(p[k] - centre[k]), h) << "vertex " << v;
                }
                corners.insert({p[(axis + 1) % 3], p[(axis + 2) % 3]});
                EXPECT_FLOAT_EQ(cube.texcoords[v * 2], texcoords[corner][0]) << "vertex " << v;
                EXPECT_FLOAT_EQ(cube.texcoords[v * 2 + 1], texcoords[corner][1]) << "vertex " << v;
                for (int k = 0; k < 4; ++k) {
                    EXPECT_FLOAT_EQ(cube.colors[v * 4 + k], 1.0f);
                }
            }
            EXPECT_EQ(corners.size(), 4u) << "face " << face;
        }
        // The first and the last vertex name the ends of the order.
        EXPECT_FLOAT_EQ(cube.positions[0], c.cx - 2);
        EXPECT_FLOAT_EQ(cube.positions[1], c.cy - 2);
        EXPECT_FLOAT_EQ(cube.positions[2], c.cz - 2);
        EXPECT_FLOAT_EQ(cube.positions[69], c.cx + 2);
        EXPECT_FLOAT_EQ(cube.positions[70], c.cy - 2);
        EXPECT_FLOAT_EQ(cube.positions[71], c.cz + 2);
        EXPECT_FLOAT_EQ(cube.texcoords[46], 1.0f);
        EXPECT_FLOAT_EQ(cube.texcoords[47], 0.0f);
        texturedCubeFree(cube);
        EXPECT_EQ(cube.positions, nullptr);
    }
}

} // namespace
