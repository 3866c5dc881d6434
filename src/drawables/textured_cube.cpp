#include "drawables/textured_cube.h"

#include "render/arrays.h"
#include "render/camera.h"
#include "render/quad_arrays.h"
#include "render/shaders.h"
#include "render/texture.h"

namespace {

constexpr int kFaceCount = 6;
constexpr int kFaceCorners = 4;

// Offset signs from the centre in x, y, z, face by face, corners 0 to 3.
constexpr float kCornerSigns[kFaceCount][kFaceCorners][kPositionFloats] = {
    {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}}, // z = cz - h
    {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},     // z = cz + h
    {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}, // y = cy - h
    {{-1, 1, -1}, {1, 1, -1}, {1, 1, 1}, {-1, 1, 1}},     // y = cy + h
    {{-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}}, // x = cx - h
    {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}},     // x = cx + h
};

// The whole image on every face.
constexpr float kFaceTexcoords[kFaceCorners][kTexcoordFloats] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};

} // namespace

void texturedCubeInit(TexturedCube& cube) {
    texturedArraysNew(kCubeVertices, cube.positions, cube.colors, cube.texcoords);
}

void texturedCubeLoadResources(TexturedCube& cube) {
    cube.program = programBuild(texturedProgram, cube.attributes);
    cube.texture = textureLoad("res/box1.png");
}

void texturedCubeBuild(TexturedCube& cube) {
    const float h = cube.halfSize;
    int v = 0;
    for (const auto& face : kCornerSigns) {
        for (const auto& sign : face) {
            const float* uv = kFaceTexcoords[v % kFaceCorners];
            float* position = cube.positions + v * kPositionFloats;
            position[0] = cube.x + sign[0] * h;
            position[1] = cube.y + sign[1] * h;
            position[2] = cube.z + sign[2] * h;
            float* color = cube.colors + v * kColorFloats;
            color[0] = color[1] = color[2] = color[3] = 1.0f;
            cube.texcoords[v * kTexcoordFloats] = uv[0];
            cube.texcoords[v * kTexcoordFloats + 1] = uv[1];
            ++v;
        }
    }
}

// The centre is in the vertices and the rotations outside them, so every rotation turns the cube
// about the world origin. Relies on the 3-D pass's projection, camera and depth state.
void texturedCubeDraw(TexturedCube& cube) {
    if (!cube.visible) {
        return;
    }
    glPushMatrix();
    rotateXYZ(cube.rotX, cube.rotY, cube.rotZ);
    texturedCubeBuild(cube);
    useTexturedProgram(cube.program, cube.texture);
    drawQuadArrays({{cube.attributes.position, kPositionFloats, cube.positions},
                    {cube.attributes.color, kColorFloats, cube.colors},
                    {cube.attributes.texcoord, kTexcoordFloats, cube.texcoords}},
                   kCubeVertices);
    glPopMatrix();
}

void texturedCubeFree(TexturedCube& cube) {
    arraysFree(cube.positions, cube.colors, cube.texcoords);
}
