#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "drawables/particle_emitter.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;

// A private emitter; the demo's instances are left alone.
class ParticleEmitterTest : public testing::Test {
  protected:
    ParticleEmitterTest() { particleEmitterInit(e, nullptr); }
    ~ParticleEmitterTest() override { particleEmitterFree(e); }
    ParticleEmitter e;
};

void expectFloats(const float* got, std::initializer_list<float> want, float tolerance = 1e-6f) {
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_NEAR(got[k], want.begin()[k], tolerance) << "element " << k;
    }
}

void expectFloats(Vec3 v, std::initializer_list<float> want, float tolerance = 1e-6f) {
    expectFloats(std::array{v.x, v.y, v.z}.data(), want, tolerance);
}

TEST_F(ParticleEmitterTest, GeneratorEmissionsAndTheFullPool) {
    ParticleEmitter generator; // a second generator from state 0; it needs no arrays
    for (uint32_t value : {38u, 7719u, 21238u, 2437u, 8855u, 11797u, 8365u, 32285u, 10450u}) {
        EXPECT_EQ(particleEmitterRandom(generator), value);
    }
    e.origin = {1.0f, -2.0f, 3.5f};
    for (uint32_t k = 0; k < kParticleCapacity + 1; ++k) {
        particleEmitterEmit(e);
    }
    expectFloats(e.particles[0].velocity, {-1.995361f, -1.057711f, -0.055544f});
    expectFloats(e.particles[1].velocity, {-0.919034f, -0.559893f, -1.234138f});
    expectFloats(e.particles[2].velocity, {-0.724326f, 1.736930f, -1.464126f});
    EXPECT_EQ((std::vector{e.particles[0].sprite, e.particles[1].sprite, e.particles[2].sprite}),
              (std::vector{1, 1, 0}));
    expectFloats(e.particles[2].position, {1.0f, -2.0f, 3.5f}, 0.0f);
    // The emission that found the pool full was dropped, but its four draws were spent.
    EXPECT_EQ(e.count, kParticleCapacity);
    // The nine draws above and the rest of (capacity + 1) x 4.
    for (uint32_t k = 9; k < (kParticleCapacity + 1) * 4; ++k) {
        particleEmitterRandom(generator);
    }
    EXPECT_EQ(e.rngState, generator.rngState);
}

TEST_F(ParticleEmitterTest, RemovalMovesTheLastRecordIn) {
    // Lives before one update, and the records after it, tagged by their place before (in x).
    const std::pair<std::vector<float>, std::vector<float>> cases[] = {
        // Record 0 takes 3; the dead record 2 is now last and stays, unstepped.
        {{0, 1, 0, 1.5f}, {3, 1, 2}},
        // The record moved in is tested again: 4 is dead too, so 3 follows it.
        {{0, 1, 1, 1, 0}, {3, 1, 2}},
        // A dead last record stays counted.
        {{1, 1, 0}, {0, 1, 2}},
        // 2 and then 1 move into place 0; the last one left is not removed.
        {{0, 0, 0}, {1}},
    };
    e.enabled = true;
    for (const auto& [lives, tags] : cases) {
        SCOPED_TRACE(testing::PrintToString(lives));
        for (e.count = 0; e.count < lives.size(); ++e.count) {
            e.particles[e.count] = {{static_cast<float>(e.count), 0, 0}, {0, 1, 0}, lives[e.count]};
        }
        particleEmitterUpdate(e, kDt);
        ASSERT_EQ(e.count, tags.size());
        for (uint32_t i = 0; i < e.count; ++i) {
            // Every live record moved up exactly once, including the ones moved forward; the
            // dead one left in last place did not move.
            const bool live = lives[static_cast<size_t>(tags[i])] > 0;
            EXPECT_EQ(e.particles[i].position.x, tags[i]) << "record " << i;
            EXPECT_FLOAT_EQ(e.particles[i].position.y, live ? kDt : 0) << "record " << i;
        }
    }
}

TEST(ParticleStep, LifeReachesZeroAtTheHundredAndTwentyFirstStep) {
    Particle p;
    for (int step = 1; step <= 120; ++step) {
        particleStep(p, {}, kDt);
    }
    EXPECT_GT(p.life, 0.0f);
    particleStep(p, {}, kDt);
    EXPECT_EQ(p.life, 0.0f);
}

TEST_F(ParticleEmitterTest, SpriteCornersAndColour) {
    // The dead one is a square of size 0 at alpha 0.
    const Particle cases[] = {
        {{0, 0, 0}, {}, 2.0f, 0}, {{-1, 2, 0.5f}, {}, 1.0f, 3}, {{3, -4, 5}, {}, 0.0f, 1}};
    e.count = 3;
    std::copy(std::begin(cases), std::end(cases), e.particles);
    ASSERT_EQ(particleEmitterBuild(e, {1, 0, 0}, {0, 1, 0}), 12u);
    for (int v = 0; v < 12; ++v) {
        SCOPED_TRACE(v);
        const auto& [p, velocity, life, sprite] = cases[v / 4];
        const float alpha = life * 0.5f, half = alpha * 0.5f * 0.333f; // 0.333 across at birth
        // Bottom-left, bottom-right, top-right, top-left in the plane of right and up.
        const float dx = v % 4 == 1 || v % 4 == 2 ? half : -half, dy = v % 4 >= 2 ? half : -half;
        expectFloats(e.positions + v * 3, {p.x + dx, p.y + dy, p.z});
        // Unclamped: the pipeline limits the colour to 0..1.
        expectFloats(e.colors + v * 4, {p.x + 0.15f, p.y + 0.15f, p.z + 0.15f, alpha});
    }
}

} // namespace
