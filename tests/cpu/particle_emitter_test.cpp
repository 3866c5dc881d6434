#include <gtest/gtest.h>

#include "drawables/particle_emitter.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;

// A private emitter; the demo's instances are left alone.
struct Emitter {
    ParticleEmitter e;
    Emitter() { particleEmitterInit(e, nullptr); }
    ~Emitter() { particleEmitterFree(e); }
};

TEST(ParticleEmitter, GeneratorSequenceFromStateZero) {
    Emitter emitter;
    const uint32_t expected[] = {38,   7719,  21238, 2437,  8855, 11797,
                                 8365, 32285, 10450, 30612, 5853, 28100};
    for (uint32_t value : expected) {
        EXPECT_EQ(particleEmitterRandom(emitter.e), value);
    }
}

TEST(ParticleEmitter, FirstThreeEmissions) {
    struct Case {
        Vec3 velocity;
        int32_t sprite;
    };
    const Case cases[] = {
        {{-1.995361f, -1.057711f, -0.055544f}, 1},
        {{-0.919034f, -0.559893f, -1.234138f}, 1},
        {{-0.724326f, 1.736930f, -1.464126f}, 0},
    };
    Emitter emitter;
    emitter.e.origin = {1.0f, -2.0f, 3.5f};
    for (int i = 0; i < 3; ++i) {
        particleEmitterEmit(emitter.e);
    }
    ASSERT_EQ(emitter.e.count, 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Particle& p = emitter.e.particles[i];
        EXPECT_NEAR(p.velocity.x, cases[i].velocity.x, 1e-6f);
        EXPECT_NEAR(p.velocity.y, cases[i].velocity.y, 1e-6f);
        EXPECT_NEAR(p.velocity.z, cases[i].velocity.z, 1e-6f);
        EXPECT_EQ(p.sprite, cases[i].sprite);
        EXPECT_EQ(p.life, 2.0f);
        EXPECT_EQ(p.position.x, 1.0f);
        EXPECT_EQ(p.position.y, -2.0f);
        EXPECT_EQ(p.position.z, 3.5f);
    }
}

TEST(ParticleEmitter, FullPoolDropsTheEmissionButSpendsTheDraws) {
    Emitter full;
    for (uint32_t k = 0; k < kParticleCapacity + 1; ++k) {
        particleEmitterEmit(full.e);
    }
    EXPECT_EQ(full.e.count, kParticleCapacity);
    // After a reset the next particle comes from the draws after the dropped one's.
    full.e.count = 0;
    particleEmitterEmit(full.e);
    Emitter reference;
    for (uint32_t k = 0; k < (kParticleCapacity + 1) * 4; ++k) {
        particleEmitterRandom(reference.e);
    }
    particleEmitterEmit(reference.e);
    EXPECT_EQ(full.e.particles[0].velocity.x, reference.e.particles[0].velocity.x);
    EXPECT_EQ(full.e.particles[0].velocity.z, reference.e.particles[0].velocity.z);
    EXPECT_EQ(full.e.rngState, reference.e.rngState);
}

TEST(ParticleEmitter, DisabledUpdateChangesNothingButEmitStillFills) {
    Emitter emitter;
    particleEmitterEmit(emitter.e);
    particleEmitterEmit(emitter.e);
    EXPECT_EQ(emitter.e.count, 2u);
    const Particle before = emitter.e.particles[0];
    particleEmitterUpdate(emitter.e, kDt);
    EXPECT_EQ(emitter.e.particles[0].life, before.life);
    EXPECT_EQ(emitter.e.particles[0].position.x, before.position.x);
    EXPECT_EQ(emitter.e.count, 2u);
}

// Records are tagged by position.x; velocity and drift are zero so live ones keep their tag.
void fill(ParticleEmitter& e, const float* lives, uint32_t n) {
    e.count = n;
    for (uint32_t i = 0; i < n; ++i) {
        e.particles[i] = Particle{};
        e.particles[i].position.x = static_cast<float>(i);
        e.particles[i].life = lives[i];
    }
}

TEST(ParticleEmitter, RemovalMovesTheLastRecordIn) {
    struct Case {
        const char* name;
        float lives[5];
        uint32_t n;
        uint32_t countAfter;
        float tagsAfter[5];
    };
    const Case cases[] = {
        // Record 0 takes 3; the dead record 2 is now last and stays, unstepped.
        {"dead first and third", {0, 1, 0, 1.5f}, 4, 3, {3, 1, 2}},
        // The record moved in is tested again: 4 is dead too, so 3 follows it.
        {"dead run", {0, 1, 1, 1, 0}, 5, 3, {3, 1, 2}},
        {"only record dead", {0}, 1, 1, {0}},
        {"all alive", {1, 1, 1}, 3, 3, {0, 1, 2}},
        {"dead last", {1, 1, 0}, 3, 3, {0, 1, 2}},
        // 2 and then 1 move into place 0; the last one left is not removed.
        {"all dead", {0, 0, 0}, 3, 1, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Emitter emitter;
        emitter.e.enabled = true;
        fill(emitter.e, c.lives, c.n);
        particleEmitterUpdate(emitter.e, kDt);
        ASSERT_EQ(emitter.e.count, c.countAfter);
        for (uint32_t i = 0; i < c.countAfter; ++i) {
            const Particle& p = emitter.e.particles[i];
            EXPECT_EQ(p.position.x, c.tagsAfter[i]) << "record " << i;
            // Every live record was stepped exactly once, including the ones moved forward.
            const float original = c.lives[static_cast<uint32_t>(p.position.x)];
            if (original > 0.0f) {
                EXPECT_FLOAT_EQ(p.life, original - kDt) << "record " << i;
            } else {
                EXPECT_EQ(p.life, 0.0f) << "record " << i;
            }
        }
    }
}

TEST(ParticleEmitter, DeadLastRecordLeavesOnceSomethingFollowsIt) {
    Emitter emitter;
    emitter.e.enabled = true;
    const float lives[] = {0.0f};
    fill(emitter.e, lives, 1);
    particleEmitterUpdate(emitter.e, kDt);
    EXPECT_EQ(emitter.e.count, 1u);
    particleEmitterEmit(emitter.e);
    EXPECT_EQ(emitter.e.count, 2u);
    particleEmitterUpdate(emitter.e, kDt);
    ASSERT_EQ(emitter.e.count, 1u);
    EXPECT_FLOAT_EQ(emitter.e.particles[0].life, 2.0f - kDt);
}

TEST(ParticleStep, LifeReachesZeroAtTheHundredAndTwentyFirstStep) {
    Particle p;
    const Vec3 drift;
    for (int step = 1; step <= 120; ++step) {
        particleStep(p, drift, kDt);
    }
    EXPECT_GT(p.life, 0.0f);
    EXPECT_LT(p.life, 1e-5f);
    particleStep(p, drift, kDt);
    EXPECT_EQ(p.life, 0.0f);
}

TEST(ParticleStep, DriftMovesWithoutDampingAndVelocityIsDamped) {
    struct Case {
        Vec3 drift, velocity;
        Vec3 position, velocityAfter;
    };
    const float k = 0.99083334f;
    const Case cases[] = {
        {{1, 0, 0}, {0, 0, 0}, {kDt, 0, 0}, {0, 0, 0}},
        {{0, 0, 0}, {1, -2, 3}, {kDt, -2 * kDt, 3 * kDt}, {k, -2 * k, 3 * k}},
        {{1, 1, 0}, {-1, 1, 0}, {0, 2 * kDt, 0}, {-k, k, 0}},
    };
    for (const Case& c : cases) {
        Particle p;
        p.velocity = c.velocity;
        particleStep(p, c.drift, kDt);
        EXPECT_FLOAT_EQ(p.position.x, c.position.x);
        EXPECT_FLOAT_EQ(p.position.y, c.position.y);
        EXPECT_FLOAT_EQ(p.position.z, c.position.z);
        EXPECT_FLOAT_EQ(p.velocity.x, c.velocityAfter.x);
        EXPECT_FLOAT_EQ(p.velocity.y, c.velocityAfter.y);
        EXPECT_FLOAT_EQ(p.velocity.z, c.velocityAfter.z);
        EXPECT_FLOAT_EQ(p.life, 2.0f - kDt);
    }
    // Drift keeps its value through many steps.
    Particle p;
    for (int s = 0; s < 60; ++s) {
        particleStep(p, {1, 0, 0}, kDt);
    }
    EXPECT_NEAR(p.position.x, 1.0f, 1e-5f);
}

TEST(ParticleEmitter, SpriteCornersColourAndTexture) {
    struct Case {
        Vec3 position;
        float life;
        int32_t sprite;
    };
    const Case cases[] = {
        {{0, 0, 0}, 2.0f, 0},
        {{-1, 2, 0.5f}, 1.0f, 3},
        {{3, -4, 5}, 0.0f, 1}, // dead: a square of size 0, alpha 0
    };
    Emitter emitter;
    emitter.e.count = 3;
    for (int i = 0; i < 3; ++i) {
        emitter.e.particles[i].position = cases[i].position;
        emitter.e.particles[i].life = cases[i].life;
        emitter.e.particles[i].sprite = cases[i].sprite;
    }
    const Vec3 right{1, 0, 0};
    const Vec3 up{0, 1, 0};
    ASSERT_EQ(particleEmitterBuild(emitter.e, right, up), 12u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        const float alpha = c.life * 0.5f;
        const float o = alpha * 0.5f * 0.333f; // half the side
        const SpriteRect& r = particleSpriteRects[c.sprite];
        // Bottom-left, bottom-right, top-right, top-left in the plane of right and up.
        const float offsets[4][2] = {{-o, -o}, {o, -o}, {o, o}, {-o, o}};
        const float uv[4][2] = {
            {r.uMin, r.vMin}, {r.uMax, r.vMin}, {r.uMax, r.vMax}, {r.uMin, r.vMax}};
        for (int corner = 0; corner < 4; ++corner) {
            const int v = i * 4 + corner;
            EXPECT_FLOAT_EQ(emitter.e.positions[v * 3], c.position.x + offsets[corner][0]);
            EXPECT_FLOAT_EQ(emitter.e.positions[v * 3 + 1], c.position.y + offsets[corner][1]);
            EXPECT_FLOAT_EQ(emitter.e.positions[v * 3 + 2], c.position.z);
            // Unclamped: the pipeline limits the colour to 0..1.
            EXPECT_FLOAT_EQ(emitter.e.colors[v * 4], c.position.x + 0.15f);
            EXPECT_FLOAT_EQ(emitter.e.colors[v * 4 + 1], c.position.y + 0.15f);
            EXPECT_FLOAT_EQ(emitter.e.colors[v * 4 + 2], c.position.z + 0.15f);
            EXPECT_FLOAT_EQ(emitter.e.colors[v * 4 + 3], alpha);
            EXPECT_FLOAT_EQ(emitter.e.texcoords[v * 2], uv[corner][0]);
            EXPECT_FLOAT_EQ(emitter.e.texcoords[v * 2 + 1], uv[corner][1]);
        }
    }
    // A newborn sprite is 0.333 across.
    EXPECT_FLOAT_EQ(emitter.e.positions[1 * 3] - emitter.e.positions[0], 0.333f);
}

TEST(ParticleEmitter, SpriteFacesASidewaysCamera) {
    Emitter emitter;
    emitter.e.count = 1;
    const Vec3 right{0, 0, 1}; // a camera looking along +x
    const Vec3 up{0, 1, 0};
    particleEmitterBuild(emitter.e, right, up);
    const float o = 0.1665f;
    EXPECT_FLOAT_EQ(emitter.e.positions[0], 0.0f);
    EXPECT_FLOAT_EQ(emitter.e.positions[1], -o);
    EXPECT_FLOAT_EQ(emitter.e.positions[2], -o);
    EXPECT_FLOAT_EQ(emitter.e.positions[3], 0.0f);
    EXPECT_FLOAT_EQ(emitter.e.positions[4], -o);
    EXPECT_FLOAT_EQ(emitter.e.positions[5], o);
    EXPECT_EQ(particleEmitterBuild(emitter.e, {}, up), 4u);
    // A zero right vector collapses the square to a vertical line.
    EXPECT_FLOAT_EQ(emitter.e.positions[0], 0.0f);
    EXPECT_FLOAT_EQ(emitter.e.positions[2], 0.0f);
    EXPECT_FLOAT_EQ(emitter.e.positions[5], 0.0f);
}

TEST(ParticleEmitter, InitAndFree) {
    CameraBlock camera;
    ParticleEmitter e;
    particleEmitterInit(e, &camera);
    EXPECT_EQ(e.camera, &camera);
    EXPECT_EQ(e.capacity, 512u);
    EXPECT_FALSE(e.enabled);
    for (uint32_t i = 0; i < e.capacity; ++i) {
        ASSERT_EQ(e.particles[i].life, 2.0f);
        ASSERT_EQ(e.particles[i].sprite, 0);
    }
    particleEmitterFree(e);
    EXPECT_EQ(e.particles, nullptr);
    EXPECT_EQ(e.positions, nullptr);
}

} // namespace
