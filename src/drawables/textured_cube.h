#pragma once
// TexturedCube: a box of six textured faces, turned about the world origin.

#include "render/gl.h"
#include "render/shaders.h"
#include "render/types.h"

inline constexpr int kCubeVertices = 24;

struct TexturedCube {
    float x = 0.0f; // centre, world units, before the rotations
    float y = 0.0f;
    float z = 0.0f;
    float rotX = 0.0f; // degrees, applied x, then y, then z
    float rotY = 0.0f;
    float rotZ = 0.0f;
    float halfSize = 2.0f;
    float* positions = nullptr; // kCubeVertices x 3
    float* colors = nullptr;    // kCubeVertices x 4, all 1
    float* texcoords = nullptr; // kCubeVertices x 2
    AttributeLocations attributes;
    GLuint program = 0; // texturedProgram of its own
    GLuint texture = 0; // res/box1.png of its own; 0 when it did not load
    bool visible = false;
};

void texturedCubeInit(TexturedCube& cube);
void texturedCubeLoadResources(TexturedCube& cube);
// Writes the 24 vertices from the centre and halfSize; needs no GL.
void texturedCubeBuild(TexturedCube& cube);
// Nothing at all unless visible; the rotations go on the modelview matrix, pushed and popped.
void texturedCubeDraw(TexturedCube& cube);
void texturedCubeFree(TexturedCube& cube);
