#include <gtest/gtest.h>

#include <array>
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

// From state 0 the generator draws 38, 7719, 21238, 2437, 8855, 11797, 8365, 32285, 10450, 30612,
// 5853, 28100: each emission takes four, the velocity from the first three and the sprite from
// the last one's two low bits.
TEST_F(ParticleEmitterTest, GeneratorEmissionsAndTheFullPool) {
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
    // The generator's state after (capacity + 1) x 4 = 2052 draws from 0, worked out apart.
    EXPECT_EQ(e.rngState, 0xC897E8C4u);
}

// One step moves by (drift + velocity) / 60 and keeps 1 - 0.55 / 60 of the velocity; a life of 2
// still has about 0.0000012 left after 120 steps and reaches 0 at the 121st.
TEST(ParticleStep, MovesWithTheDriftSlowsDownAndDiesAtTheHundredAndTwentyFirstStep) {
    Particle p{{1, 2, 3}, {1, 2, 3}};
    particleStep(p, {0.5f, -1.5f, 0.25f}, kDt);
    expectFloats(p.position, {1.025f, 2.0083333f, 3.0541667f});
    expectFloats(p.velocity, {0.99083334f, 1.9816667f, 2.9725f});
    for (int step = 2; step <= 120; ++step) {
        particleStep(p, {}, kDt);
    }
    EXPECT_GT(p.life, 0.0f);
    particleStep(p, {}, kDt);
    EXPECT_EQ(p.life, 0.0f);
}

// Four particles at (1, 2, 3), one per sprite, life 1.5: alpha 0.75 and half-size
// 0.75 * 0.5 * 0.333 = 0.124875, with right (0.6, 0, 0.8) and up (0.1, 1, 0.2), so that
// A = (right + up) * 0.124875 and B = (right - up) * 0.124875.
TEST_F(ParticleEmitterTest, EveryCornerOfTheFourSprites) {
    const float a[3] = {0.0874125f, 0.124875f, 0.124875f},
                b[3] = {0.0624375f, -0.124875f, 0.074925f};
    const float kSigns[4][2] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}}; // p - A, p + B, p + A, p - B
    const float kRects[4][4] = {
        {0, 0, 0.5f, 0.5f}, {0.5f, 0, 1, 0.5f}, {0, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 1, 1}};
    e.count = 4;
    for (int32_t k = 0; k < 4; ++k) {
        e.particles[k] = Particle{{1, 2, 3}, {}, 1.5f, k};
    }
    ASSERT_EQ(particleEmitterBuild(e, {0.6f, 0, 0.8f}, {0.1f, 1, 0.2f}), 16u);
    for (int v = 0; v < 16; ++v) {
        SCOPED_TRACE(v);
        const float* sign = kSigns[v % 4];
        const float p[3] = {1, 2, 3};
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(e.positions[v * 3 + axis], p[axis] + sign[0] * a[axis] + sign[1] * b[axis],
                        1e-6f);
        }
        // The colour follows the world position, unclamped: the pipeline limits it to 0..1.
        expectFloats(e.colors + v * 4, {1.15f, 2.15f, 3.15f, 0.75f});
        const float* rect = kRects[v / 4]; // uMin, vMin, uMax, vMax
        const bool right = v % 4 == 1 || v % 4 == 2, bottom = v % 4 >= 2;
        expectFloats(e.texcoords + v * 2, {rect[right ? 2 : 0], rect[bottom ? 3 : 1]});
    }
}

} // namespace
