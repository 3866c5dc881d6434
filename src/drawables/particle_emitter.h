#pragma once
// ParticleEmitter: a fixed pool of camera-facing sprites drawn with additive blending.

#include <cstdint>

#include "render/camera.h"
#include "render/gl.h"
#include "render/shaders.h"
#include "render/types.h"

inline constexpr uint32_t kParticleCapacity = 512;
inline constexpr float kParticleLife = 2.0f;

struct Particle {
    Vec3 position;
    Vec3 velocity;
    float life = kParticleLife; // seconds left; dead when not above 0
    int32_t sprite = 0;         // row of particleSpriteRects
};

struct ParticleEmitter {
    uint32_t rngState = 0; // the emitter's own generator, never reseeded
    uint32_t count = 0;    // records 0..count-1 are in use
    uint32_t capacity = kParticleCapacity;
    Particle* particles = nullptr;
    float* positions = nullptr; // capacity x 4 corners x 3
    float* colors = nullptr;    // capacity x 4 x 4
    float* texcoords = nullptr; // capacity x 4 x 2
    AttributeLocations attributes;
    GLuint program = 0;                  // particleProgram of its own
    GLuint texture = 0;                  // res/particle1.png of its own; 0 when it did not load
    Vec3 origin;                         // where new particles start
    Vec3 drift;                          // added to every velocity when moving; not damped
    const CameraBlock* camera = nullptr; // borrowed; the draw reads cameraUp and cameraRight
    bool enabled = false;                // update and draw do nothing while false
};

// Texture rectangle of one sprite in the 2 x 2 sheet.
struct SpriteRect {
    float uMin;
    float vMin;
    float uMax;
    float vMax;
};
extern const SpriteRect particleSpriteRects[4];

void particleEmitterInit(ParticleEmitter& emitter, const CameraBlock* camera);
void particleEmitterLoadResources(ParticleEmitter& emitter);
// One draw of the generator: 0..32767.
uint32_t particleEmitterRandom(ParticleEmitter& emitter);
// Spends four draws; adds one particle at origin unless the pool is full (then drops it).
void particleEmitterEmit(ParticleEmitter& emitter);
// Removes dead records by moving the last one in, and steps every live one once.
void particleEmitterUpdate(ParticleEmitter& emitter, float dt);
void particleStep(Particle& particle, const Vec3& drift, float dt);
// Writes four corners per record facing the plane of right and up; returns the vertex count.
uint32_t particleEmitterBuild(ParticleEmitter& emitter, const Vec3& right, const Vec3& up);
// Nothing at all unless enabled; otherwise one GL_QUADS draw, also of 0 vertices.
void particleEmitterDraw(ParticleEmitter& emitter);
void particleEmitterFree(ParticleEmitter& emitter);
