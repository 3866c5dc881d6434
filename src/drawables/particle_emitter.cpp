#include "drawables/particle_emitter.h"

#include <algorithm>
#include <span>

#include "render/arrays.h"
#include "render/quad_arrays.h"
#include "render/shaders.h"
#include "render/texture.h"

namespace {

constexpr int kSpriteCorners = 4;
constexpr uint32_t kRngMultiplier = 214013u;
constexpr uint32_t kRngIncrement = 2531011u;
constexpr uint32_t kRngMax = 0x7FFFu;
constexpr float kDamping = 0.55f;     // velocity lost per second, as a fraction
constexpr float kColorLift = 0.15f;   // added to the world position to make the colour
constexpr float kSpriteSpan = 0.333f; // side of a newborn sprite, world units
constexpr float kAlphaPerLife = 0.5f; // alpha 1 at birth

} // namespace

const SpriteRect particleSpriteRects[4] = {
    {0.0f, 0.0f, 0.5f, 0.5f},
    {0.5f, 0.0f, 1.0f, 0.5f},
    {0.0f, 0.5f, 0.5f, 1.0f},
    {0.5f, 0.5f, 1.0f, 1.0f},
};

void particleEmitterInit(ParticleEmitter& emitter, const CameraBlock* camera) {
    emitter.capacity = kParticleCapacity;
    emitter.particles = new Particle[emitter.capacity]();
    texturedArraysNew(emitter.capacity * kSpriteCorners, emitter.positions, emitter.colors,
                      emitter.texcoords);
    emitter.camera = camera;
}

void particleEmitterLoadResources(ParticleEmitter& emitter) {
    emitter.program = programBuild(particleProgram, emitter.attributes);
    emitter.texture = textureLoad("res/particle1.png");
}

// Unsigned arithmetic wraps modulo 2^32, which is the generator's modulus.
uint32_t particleEmitterRandom(ParticleEmitter& emitter) {
    emitter.rngState = emitter.rngState * kRngMultiplier + kRngIncrement;
    return (emitter.rngState >> 16) & kRngMax;
}

// The four draws are spent even when the pool is full, so a dropped emission still changes what
// later ones produce. Does not look at enabled.
void particleEmitterEmit(ParticleEmitter& emitter) {
    const uint32_t r1 = particleEmitterRandom(emitter);
    const uint32_t r2 = particleEmitterRandom(emitter);
    const uint32_t r3 = particleEmitterRandom(emitter);
    const uint32_t r4 = particleEmitterRandom(emitter);
    if (emitter.count >= emitter.capacity) {
        return;
    }
    const float q1 = static_cast<float>(r1) / static_cast<float>(kRngMax);
    const float q2 = static_cast<float>(r2) / static_cast<float>(kRngMax);
    const float q3 = static_cast<float>(r3) / static_cast<float>(kRngMax);
    Particle& particle = emitter.particles[emitter.count];
    particle.position = emitter.origin;
    particle.velocity = {q1 * 4.0f - 2.0f, q2 * 4.0f - 2.0f, q3 * 3.0f - 2.0f};
    particle.life = kParticleLife;
    particle.sprite = static_cast<int32_t>(r4 & 3u);
    ++emitter.count;
}

void particleStep(Particle& particle, const Vec3& drift, float dt) {
    particle.position.x += (drift.x + particle.velocity.x) * dt;
    particle.position.y += (drift.y + particle.velocity.y) * dt;
    particle.position.z += (drift.z + particle.velocity.z) * dt;
    const float k = 1.0f - kDamping * dt;
    particle.velocity.x *= k;
    particle.velocity.y *= k;
    particle.velocity.z *= k;
    particle.life = std::max(particle.life - dt, 0.0f);
}

// A dead record is replaced by the last one, which is tested again in its new place; a dead
// record in the last place stays counted (and unstepped) until it is no longer last.
void particleEmitterUpdate(ParticleEmitter& emitter, float dt) {
    if (!emitter.enabled) {
        return;
    }
    Particle* particles = emitter.particles;
    for (uint32_t i = 0; i < emitter.count; ++i) {
        while (!(particles[i].life > 0.0f) && i < emitter.count - 1) {
            particles[i] = particles[emitter.count - 1];
            --emitter.count;
        }
        if (particles[i].life > 0.0f) {
            particleStep(particles[i], emitter.drift, dt);
        }
    }
}

// Each sprite is a square in the plane of right and up, centred on the particle. Colours are
// written unclamped; the pipeline clamps them to 0..1.
uint32_t particleEmitterBuild(ParticleEmitter& emitter, const Vec3& right, const Vec3& up) {
    const Vec3 sum{right.x + up.x, right.y + up.y, right.z + up.z};
    const Vec3 difference{right.x - up.x, right.y - up.y, right.z - up.z};
    uint32_t v = 0;
    for (const Particle& particle : std::span(emitter.particles, emitter.count)) {
        const Vec3& p = particle.position;
        const float alpha = particle.life * kAlphaPerLife;
        const float half = (alpha * 0.5f) * kSpriteSpan;
        const Vec3 a{sum.x * half, sum.y * half, sum.z * half};
        const Vec3 b{difference.x * half, difference.y * half, difference.z * half};
        const SpriteRect& rect = particleSpriteRects[particle.sprite & 3];
        const Vec3 corners[kSpriteCorners] = {
            {p.x - a.x, p.y - a.y, p.z - a.z},
            {p.x + b.x, p.y + b.y, p.z + b.z},
            {p.x + a.x, p.y + a.y, p.z + a.z},
            {p.x - b.x, p.y - b.y, p.z - b.z},
        };
        const float uv[kSpriteCorners][kTexcoordFloats] = {{rect.uMin, rect.vMin},
                                                           {rect.uMax, rect.vMin},
                                                           {rect.uMax, rect.vMax},
                                                           {rect.uMin, rect.vMax}};
        for (const Vec3& corner : corners) {
            const float* st = uv[v % kSpriteCorners];
            float* position = emitter.positions + v * kPositionFloats;
            position[0] = corner.x;
            position[1] = corner.y;
            position[2] = corner.z;
            float* color = emitter.colors + v * kColorFloats;
            color[0] = p.x + kColorLift;
            color[1] = p.y + kColorLift;
            color[2] = p.z + kColorLift;
            color[3] = alpha;
            emitter.texcoords[v * kTexcoordFloats] = st[0];
            emitter.texcoords[v * kTexcoordFloats + 1] = st[1];
            ++v;
        }
    }
    return emitter.count * kSpriteCorners;
}

// Relies on the particle pass's state: the frame's camera already applied (so cameraRight is
// current), depth test on, depth writes off, additive blending.
void particleEmitterDraw(ParticleEmitter& emitter) {
    if (!emitter.enabled) {
        return;
    }
    const uint32_t vertices =
        particleEmitterBuild(emitter, emitter.camera->cameraRight, emitter.camera->cameraUp);
    useTexturedProgram(emitter.program, emitter.texture);
    drawQuadArrays({{emitter.attributes.position, kPositionFloats, emitter.positions},
                    {emitter.attributes.color, kColorFloats, emitter.colors},
                    {emitter.attributes.texcoord, kTexcoordFloats, emitter.texcoords}},
                   static_cast<GLsizei>(vertices));
}

void particleEmitterFree(ParticleEmitter& emitter) {
    arraysFree(emitter.particles, emitter.positions, emitter.colors, emitter.texcoords);
}
