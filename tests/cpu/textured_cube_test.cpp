#include <gtest/gtest.h>

#include "drawables/textured_cube.h"

// Every vertex of a cube centred at (1, -2, 3) with half-size 2: each face's four corners as
// offsets (- or +) from the centre in x, y and z, and the whole image on each face.
TEST(TexturedCube, EveryVertexPositionColourAndTextureCoordinate) {
    const char* const kFaces[6][4] = {
        {"---", "+--", "++-", "-+-"}, {"--+", "+-+", "+++", "-++"}, // z = cz - h, z = cz + h
        {"---", "+--", "+-+", "--+"}, {"-+-", "++-", "+++", "-++"}, // y = cy - h, y = cy + h
        {"---", "-+-", "-++", "--+"}, {"+--", "++-", "+++", "+-+"}, // x = cx - h, x = cx + h
    };
    const float kCentre[3] = {1, -2, 3}, kTexcoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    TexturedCube cube;
    texturedCubeInit(cube);
    cube.x = 1, cube.y = -2, cube.z = 3;
    texturedCubeBuild(cube);
    for (int v = 0; v < kCubeVertices; ++v) {
        SCOPED_TRACE(v);
        for (int axis = 0; axis < 3; ++axis) {
            const float offset = kFaces[v / 4][v % 4][axis] == '-' ? -2.0f : 2.0f;
            EXPECT_EQ(cube.positions[v * 3 + axis], kCentre[axis] + offset) << "axis " << axis;
        }
        const float *c = cube.colors + v * 4, *uv = cube.texcoords + v * 2;
        EXPECT_TRUE(c[0] == 1 && c[1] == 1 && c[2] == 1 && c[3] == 1);
        EXPECT_TRUE(uv[0] == kTexcoords[v % 4][0] && uv[1] == kTexcoords[v % 4][1]);
    }
    texturedCubeFree(cube);
}
