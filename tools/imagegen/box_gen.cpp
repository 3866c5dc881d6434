// Draws res/box1.png, the face of every cube and cube-field column: a dark outline, a raised
// bevelled frame lit from the top left and a lighter field with a faint grain, so that each face
// reads as one box even where columns stand 0.03 apart under grey vertex colours.
//
// Usage: kiru-boxgen [output.png]

#include "png_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kSize = 128;
constexpr int kSamples = 4; // per axis, to smooth the frame's edges

// Distances from the face's edge, pixels.
constexpr float kOutline = 1.5f;
constexpr float kOuterBevel = 4.0f;
constexpr float kInnerBevel = 9.0f;
constexpr float kFrame = 12.0f;
constexpr float kShadow = 18.0f; // the frame's soft shadow on the field ends here

struct Rgb {
    float r, g, b;
};

constexpr Rgb kOutlineColor = {30, 31, 36};
constexpr Rgb kFrameColor = {86, 88, 97};
constexpr Rgb kFieldColor = {214, 216, 222};

Rgb scaled(Rgb c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}

// Light falls from the top left: a slope facing up or left is brighter, one facing down or right
// darker. `outward` is true where the surface falls away towards the face's edge.
float bevelLight(float x, float y, bool outward) {
    const float toLeft = x;
    const float toTop = y;
    const float toRight = kSize - x;
    const float toBottom = kSize - y;
    const bool litSide = std::min(toLeft, toTop) < std::min(toRight, toBottom);
    return (litSide == outward) ? 1.45f : 0.62f;
}

Rgb sample(float x, float y) {
    const float d = std::min({x, y, kSize - x, kSize - y});
    if (d < kOutline) {
        return kOutlineColor;
    }
    if (d < kOuterBevel) {
        return scaled(kFrameColor, bevelLight(x, y, true));
    }
    if (d < kInnerBevel) {
        return kFrameColor;
    }
    if (d < kFrame) {
        return scaled(kFrameColor, bevelLight(x, y, false));
    }
    // The raised frame shades the field along its top and left inner edges.
    const float shade = (std::min(x, y) < kShadow)
                            ? 0.86f + 0.14f * (std::min(x, y) - kFrame) / (kShadow - kFrame)
                            : 1.0f;
    return scaled(kFieldColor, std::min(1.0f, shade));
}

// A fixed-seed xorshift: the grain is the same on every run.
uint32_t nextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

int main(int argc, char** argv) {
    const char* outputPath = argc > 1 ? argv[1] : "res/box1.png";
    std::vector<uint8_t> rgba(kSize * kSize * 4);
    uint32_t rng = 0x6b697275u;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Rgb sum = {0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgb c = sample(x + (sx + 0.5f) / kSamples, y + (sy + 0.5f) / kSamples);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            const float grain = static_cast<float>(nextRandom(rng) % 9) - 4.0f;
            const float n = kSamples * kSamples;
            uint8_t* p = &rgba[(y * kSize + x) * 4];
            p[0] = toByte(sum.r / n + grain);
            p[1] = toByte(sum.g / n + grain);
            p[2] = toByte(sum.b / n + grain);
            p[3] = 255;
        }
    }
    return writePngRgba(outputPath, kSize, kSize, rgba.data()) ? 0 : 1;
}
