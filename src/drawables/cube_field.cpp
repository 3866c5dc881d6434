#include "drawables/cube_field.h"

#include <algorithm>
#include <cmath>

#include "render/arrays.h"
#include "render/quad_arrays.h"
#include "render/shaders.h"
#include "render/texture.h"

namespace {

constexpr int kColumnFaces = 5;
constexpr int kFaceCorners = 4;
static_assert(kColumnFaces * kFaceCorners == kColumnVertices);
// Columns 0.8 wide at a pitch of 0.83 leave a gap of 0.03; the first centre sits half a column
// and half a gap in from the grid's edge.
constexpr float kColumnGap = 0.03f;
constexpr float kFirstCentreInset = 0.415f;
constexpr float kHeightScale = 0.8f;

// The default functions are centred on column (20, 20) of the large field.
constexpr float kDefaultCentre = 20.0f;
constexpr float kHeightFrequency = 0.333f;
constexpr float kWeightFalloff = 0.028572f;
constexpr float kShadeFalloff = 0.021429f;

constexpr float kFaceTexcoords[kFaceCorners][kTexcoordFloats] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};

int32_t columnCount(int32_t n) {
    const int32_t positive = std::max(n, 0);
    return positive * positive;
}

} // namespace

float defaultHeight(float i, float j, float phase) {
    const float angle = (i + j + phase) * kHeightFrequency;
    return 2.0f * std::fabs(std::sin(angle));
}

float cubeFieldCentreWeight(float i, float j, float centre) {
    const float dx = i - centre;
    const float dy = j - centre;
    const float w = (dx * dx + dy * dy) * kWeightFalloff;
    return std::min(w, 1.0f);
}

// A ring: 0 at the centre, 1 on a band, folded back down beyond e = 2.
float cubeFieldRingShade(float i, float j, float centre) {
    const float dx = i - centre;
    const float dy = j - centre;
    const float e = (dx * dx + dy * dy) * kShadeFalloff;
    // Up to e = 2 the result is e (1 from e = 1 on); beyond, it folds back down as (4 - e) / 2.
    // The smaller of the two is the same wherever either reaches 1.
    return std::clamp(std::min(e, (4.0f - e) * 0.5f), 0.0f, 1.0f);
}

float defaultWeight(float i, float j) {
    return cubeFieldCentreWeight(i, j, kDefaultCentre);
}

float defaultShade(float i, float j, float /*phase*/) {
    return cubeFieldRingShade(i, j, kDefaultCentre);
}

// Heights and weights start zeroed, so a field drawn before its first update is flat.
void cubeFieldInit(CubeField& field, int32_t n) {
    const int32_t columns = columnCount(n);
    field.heightFn = defaultHeight;
    field.weightFn = defaultWeight;
    field.shadeFn = defaultShade;
    field.heights = new float[columns]();
    field.weights = new float[columns]();
    field.size = n;
    field.vertexCount = columns * kColumnVertices;
    texturedArraysNew(field.vertexCount, field.positions, field.colors, field.texcoords);
}

void cubeFieldLoadResources(CubeField& field) {
    field.program = programBuild(texturedProgram, field.attributes);
    field.texture = textureLoad("res/box1.png");
}

void cubeFieldSwitchOn(CubeField& field) {
    field.visible = 1;
    field.weightsReady = 0;
}

void cubeFieldComputeWeights(CubeField& field) {
    const int32_t n = field.size;
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            field.weights[i * n + j] = field.weightFn(static_cast<float>(i), static_cast<float>(j));
        }
    }
    field.weightsReady = 1;
}

void cubeFieldUpdateHeights(CubeField& field) {
    if (field.weightsReady == 0) {
        cubeFieldComputeWeights(field);
    }
    const int32_t n = field.size;
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            field.heights[i * n + j] =
                field.heightFn(static_cast<float>(i), static_cast<float>(j), field.phase);
        }
    }
}

int32_t cubeFieldBuild(CubeField& field) {
    const int32_t n = field.size; // no columns at all when n <= 0
    const float span = static_cast<float>(n) * kColumnPitch - kColumnGap;
    const float start = kFirstCentreInset - span * 0.5f;
    int32_t c = 0;
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            const float fi = static_cast<float>(i);
            const float fj = static_cast<float>(j);
            const float centreX = fi * kColumnPitch + field.originX + start;
            const float centreZ = fj * kColumnPitch + field.originZ + start;
            const int32_t cell = i * n + j;
            const float height = field.heights[cell] * kHeightScale * field.weights[cell];
            const float grey = field.shadeFn(fi, fj, field.phase) * field.brightness;
            const int32_t first = c * kColumnVertices;
            cubeFieldBuildColumn(field.positions + first * kPositionFloats,
                                 field.colors + first * kColorFloats,
                                 field.texcoords + first * kTexcoordFloats, centreX, field.originY,
                                 centreZ, kColumnHalfWidth, height, grey);
            ++c;
        }
    }
    return c;
}

// No bottom face: the columns stand on a floor.
void cubeFieldBuildColumn(float* positions, float* colors, float* texcoords, float centreX,
                          float bottomY, float centreZ, float halfWidth, float height, float grey) {
    const float x0 = centreX - halfWidth;
    const float x1 = centreX + halfWidth;
    const float z0 = centreZ - halfWidth;
    const float z1 = centreZ + halfWidth;
    const float y0 = bottomY;
    const float y1 = bottomY + height;
    const float corners[kColumnVertices][kPositionFloats] = {
        {x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}, // side at z0
        {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, // side at z1
        {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, // side at x1
        {x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}, // top
        {x0, y0, z0}, {x0, y1, z0}, {x0, y1, z1}, {x0, y0, z1}, // side at x0
    };
    int v = 0;
    for (const auto& corner : corners) {
        positions[v * kPositionFloats] = corner[0];
        positions[v * kPositionFloats + 1] = corner[1];
        positions[v * kPositionFloats + 2] = corner[2];
        colors[v * kColorFloats] = grey;
        colors[v * kColorFloats + 1] = grey;
        colors[v * kColorFloats + 2] = grey;
        colors[v * kColorFloats + 3] = 1.0f;
        texcoords[v * kTexcoordFloats] = kFaceTexcoords[v % kFaceCorners][0];
        texcoords[v * kTexcoordFloats + 1] = kFaceTexcoords[v % kFaceCorners][1];
        ++v;
    }
}

// Relies on the 3-D pass's projection, camera, depth and blending state.
void cubeFieldDraw(CubeField& field) {
    if (field.visible == 0) {
        return;
    }
    const int32_t columns = cubeFieldBuild(field);
    if (columns <= 0) {
        return;
    }
    useTexturedProgram(field.program, field.texture);
    drawQuadArrays({{field.attributes.position, kPositionFloats, field.positions},
                    {field.attributes.color, kColorFloats, field.colors},
                    {field.attributes.texcoord, kTexcoordFloats, field.texcoords}},
                   columns * kColumnVertices);
}

void cubeFieldFree(CubeField& field) {
    arraysFree(field.heights, field.weights, field.positions, field.colors, field.texcoords);
}
