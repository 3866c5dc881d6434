// Draws res/particle1.png, the 2 x 2 sheet of particle sprites in the order of
// particleSpriteRects: a glow (top left), a star (top right), a ring (bottom left) and a spark
// burst (bottom right). The sprites are drawn with additive blending (source alpha, one): the sheet
// is opaque, grey on black, so what a sprite adds is its brightness times the vertex colour and
// alpha, and black adds nothing. Every sprite has faded to black well inside its quarter, so
// neighbouring sprites never bleed in under linear filtering.
//
// Usage: kiru-particlegen [output.png]

#include "png_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kSize = 128;
constexpr int kQuarter = kSize / 2;
constexpr int kSamples = 4; // per axis, so the thin rays stay smooth
constexpr float kPi = 3.14159265f;

// Every sprite is fully faded out beyond kFadeEnd pixels from its quarter's centre.
constexpr float kFadeStart = 16.0f;
constexpr float kFadeEnd = 26.0f;

constexpr int kSparkRays = 9;

float gauss(float d, float sigma) {
    return std::exp(-d * d / (2.0f * sigma * sigma));
}

float fade(float r) {
    if (r >= kFadeEnd) {
        return 0.0f;
    }
    if (r <= kFadeStart) {
        return 1.0f;
    }
    const float t = (kFadeEnd - r) / (kFadeEnd - kFadeStart);
    return t * t * (3.0f - 2.0f * t);
}

// A thin ray from the centre along angle `angle`, tapering to nothing at `length`.
float ray(float x, float y, float angle, float length, float width) {
    const float along = x * std::cos(angle) + y * std::sin(angle);
    const float across = -x * std::sin(angle) + y * std::cos(angle);
    if (along <= 0.0f || along >= length) {
        return 0.0f;
    }
    const float taper = 1.0f - along / length;
    return gauss(across, width) * taper * taper;
}

float glow(float x, float y) {
    const float r = std::hypot(x, y);
    return gauss(r, 6.5f) + 0.3f * gauss(r, 12.0f);
}

float star(float x, float y) {
    const float r = std::hypot(x, y);
    float v = gauss(r, 3.0f) + 0.15f * gauss(r, 9.0f);
    for (int i = 0; i < 4; ++i) {
        v += ray(x, y, i * 0.5f * kPi, 26.0f, 0.9f);
        v += 0.45f * ray(x, y, (i + 0.5f) * 0.5f * kPi, 15.0f, 0.7f);
    }
    return v;
}

float ring(float x, float y) {
    const float r = std::hypot(x, y);
    return gauss(r - 15.0f, 2.2f) + 0.12f * gauss(r, 8.0f);
}

struct SparkRay {
    float angle, length;
};

float spark(float x, float y, const SparkRay* rays) {
    const float r = std::hypot(x, y);
    float v = gauss(r, 1.8f) + 0.35f * gauss(r, 5.0f);
    for (int i = 0; i < kSparkRays; ++i) {
        v += 0.8f * ray(x, y, rays[i].angle, rays[i].length, 0.6f);
    }
    return v;
}

// A fixed-seed xorshift: the spark's rays are the same on every run.
float nextUnit(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state % 10000u) / 10000.0f;
}

} // namespace

int main(int argc, char** argv) {
    const char* outputPath = argc > 1 ? argv[1] : "res/particle1.png";
    SparkRay rays[kSparkRays];
    uint32_t rng = 0x7370726bu;
    for (int i = 0; i < kSparkRays; ++i) {
        rays[i].angle = (i + 0.6f * nextUnit(rng)) * 2.0f * kPi / kSparkRays;
        rays[i].length = 12.0f + 12.0f * nextUnit(rng);
    }

    std::vector<uint8_t> rgba(kSize * kSize * 4);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            // Rows run from the top of the image, which is v = 0 once uploaded.
            const int sprite = (y / kQuarter) * 2 + x / kQuarter;
            float sum = 0.0f;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const float lx = x % kQuarter + (sx + 0.5f) / kSamples - 0.5f * kQuarter;
                    const float ly = y % kQuarter + (sy + 0.5f) / kSamples - 0.5f * kQuarter;
                    float v = 0.0f;
                    switch (sprite) {
                    case 0:
                        v = glow(lx, ly);
                        break;
                    case 1:
                        v = star(lx, ly);
                        break;
                    case 2:
                        v = ring(lx, ly);
                        break;
                    default:
                        v = spark(lx, ly, rays);
                        break;
                    }
                    sum += std::min(1.0f, v) * fade(std::hypot(lx, ly));
                }
            }
            const auto level =
                static_cast<uint8_t>(std::lround(255.0f * sum / (kSamples * kSamples)));
            uint8_t* p = &rgba[(y * kSize + x) * 4];
            p[0] = p[1] = p[2] = level;
            p[3] = 255;
        }
    }
    return writePngRgba(outputPath, kSize, kSize, rgba.data()) ? 0 : 1;
}
