#pragma once
// CubeField: an N x N grid of textured box columns on a common floor.

#include <cstdint>

#include "render/gl.h"
#include "render/shaders.h"
#include "render/types.h"

// i runs along x, j along z; both are whole numbers 0..N-1 passed as floats.
using CubeFieldHeightFn = float (*)(float i, float j, float phase);
using CubeFieldWeightFn = float (*)(float i, float j);
using CubeFieldShadeFn = float (*)(float i, float j, float phase);

inline constexpr int kColumnVertices = 20; // five faces of four; no bottom face
inline constexpr float kColumnPitch = 0.83f;
inline constexpr float kColumnHalfWidth = 0.4f;

struct CubeField {
    float originX = 0.0f;
    float originY = 0.0f; // y of every column's bottom
    float originZ = 0.0f;
    CubeFieldHeightFn heightFn = nullptr;
    CubeFieldWeightFn weightFn = nullptr;
    CubeFieldShadeFn shadeFn = nullptr;
    float* heights = nullptr; // N*N, element i*N + j
    float* weights = nullptr; // N*N
    float phase = 0.0f;
    int32_t size = 0;        // N
    int32_t vertexCount = 0; // N*N*kColumnVertices
    float* positions = nullptr;
    float* colors = nullptr;
    float* texcoords = nullptr;
    AttributeLocations attributes;
    GLuint program = 0; // texturedProgram of its own
    GLuint texture = 0; // res/box1.png of its own; 0 when it did not load
    float brightness = 1.0f;
    uint8_t visible = 0;
    uint8_t weightsReady = 0; // set once weights hold the current weightFn's values
};

// The default weight and shade about any centre column (20 for the defaults): the weight grows
// with the squared distance up to 1 from about 5.9 columns out; the shade is a ring, 0 at the
// centre, 1 between about 6.8 and 9.7 columns, 0 again from about 13.7.
float cubeFieldCentreWeight(float i, float j, float centre);
float cubeFieldRingShade(float i, float j, float centre);

float defaultHeight(float i, float j, float phase);
float defaultWeight(float i, float j);
float defaultShade(float i, float j, float phase);

// Installs the default functions and allocates the grids (zeroed) and vertex arrays.
void cubeFieldInit(CubeField& field, int32_t n);
void cubeFieldLoadResources(CubeField& field);
// How scenes switch a field on: visible set and the weights marked stale, together.
void cubeFieldSwitchOn(CubeField& field);
void cubeFieldComputeWeights(CubeField& field);
// Recomputes stale weights, then every height from heightFn and phase.
void cubeFieldUpdateHeights(CubeField& field);
// Lays out every column; returns N*N, or 0 when N <= 0. Calls shadeFn once per column.
int32_t cubeFieldBuild(CubeField& field);
// Writes one column's 20 vertices into the three output places.
void cubeFieldBuildColumn(float* positions, float* colors, float* texcoords, float centreX,
                          float bottomY, float centreZ, float halfWidth, float height, float grey);
// Nothing at all unless visible; otherwise builds and issues one GL_QUADS draw.
void cubeFieldDraw(CubeField& field);
void cubeFieldFree(CubeField& field);
