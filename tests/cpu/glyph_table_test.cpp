// The glyph table holds the font's reference metrics, and the committed atlas under res/ holds
// the outlines where the table says. The atlas is checked for its form, not its bytes: a
// regenerated atlas passes as long as it keeps the same form.

#include "drawables/glyph_table.h"
#include "imagegen/font_atlas.h"

#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

struct Rect {
    int x0, y0, x1, y1; // texels [x0, x1) x [y0, y1)
};

// The largest v(x, y) over a rectangle, or over its outermost texels only, and never below 0.
template <typename F> auto maxOver(Rect r, const F& v, bool edgeOnly = false) {
    decltype(v(0, 0)) m = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            if (!edgeOnly || x == r.x0 || y == r.y0 || x == r.x1 - 1 || y == r.y1 - 1)
                m = std::max(m, v(x, y));
    return m;
}

const SDL_Surface* const atlas = IMG_Load("res/font1.png"); // kept for the whole run
const auto alpha = [](int x, int y) {
    return int{static_cast<const uint8_t*>(atlas->pixels)[y * atlas->pitch + 4 * x + 3]};
};

// Where the 0.5 level lies between inked texel (x, y) and an uninked neighbour one step along
// (dx, dy), in texels from the atlas's left or top side (texel x has its centre at x + 0.5); 0
// where there is no such edge.
float edge(int x, int y, int dx, int dy) {
    const int nx = x + dx, ny = y + dy;
    const bool inAtlas = std::min(nx, ny) >= 0 && std::max(nx, ny) < kFontAtlasSize;
    const float in = alpha(x, y) / 255.0f, out = inAtlas ? alpha(nx, ny) / 255.0f : 1.0f;
    const float along = (in - 0.5f) / (in - out); // from (x, y)'s centre
    return in >= 0.5f && out < 0.5f ? (dx != 0 ? x : y) + 0.5f + (dx + dy) * along : 0.0f;
}

// Codes 0..31 have no glyph; the others have ink in their rectangle, centred across it, and those
// standing on the baseline end on the line the layout uses (round ones up to 0.4 texel below).
// Over codes 32..126 each column adds up as the font's reference metrics do (summed from their
// decimals, as floats, apart from the table), so no single value in it is off.
TEST(GlyphTable, HoldsTheReferenceMetricsAndTheAtlasEachOutlineInItsRectangle) {
    const double kSums[] = {11869,         13634,          1798,          2286,
                            -18.384999901, 2058.904983997, 1743.393989563};
    double sums[std::size(kSums)] = {};
    // 8-bit RGBA, rows from the top: createTexture uploads these bytes as GL_RGBA unconverted.
    ASSERT_TRUE(atlas != nullptr && atlas->format->format == SDL_PIXELFORMAT_RGBA32 &&
                atlas->w == kFontAtlasSize && atlas->h == kFontAtlasSize)
        << IMG_GetError();
    static bool covered[kFontAtlasSize][kFontAtlasSize] = {};
    const char* const kStanding = "!#%&.0123456789:?ABCDEFGHIJKLMNOPRSTUVWXYZabcdefhiklmnorstuvwxz";
    for (int code = 0; code < kGlyphCount; ++code) {
        SCOPED_TRACE(code);
        const Glyph& g = glyphTable[code];
        EXPECT_EQ(g.code, code);
        if (code < ' ') {
            EXPECT_TRUE(g.atlasX == 0 && g.atlasY == 0 && g.width == 0 && g.height == 0 &&
                        g.offsetX == 0 && g.offsetY == 0 && g.advance == 0);
            continue;
        }
        const double v[] = {double(g.atlasX), double(g.atlasY), double(g.width), double(g.height),
                            g.offsetX,        g.offsetY,        g.advance};
        for (size_t k = 0; k < std::size(v); ++k) {
            sums[k] += v[k];
        }
        const Rect r{g.atlasX, g.atlasY, g.atlasX + g.width, g.atlasY + g.height};
        ASSERT_TRUE(r.x0 >= 0 && r.y0 >= 0 && r.x1 <= kFontAtlasSize && r.y1 <= kFontAtlasSize);
        maxOver(r, [](int x, int y) { return covered[y][x] = true; }); // marks every texel
        EXPECT_LE(maxOver(r, alpha, true), kBorderAlphaMax);
        if (code == ' ') {
            EXPECT_LE(maxOver(r, alpha), kBorderAlphaMax);
            continue;
        }
        EXPECT_GE(maxOver(r, alpha), 128); // ink: alpha above 0.5, inside the outline
        const float right = maxOver(r, [](int x, int y) { return edge(x, y, 1, 0); });
        // The leftmost edge, as the largest distance from the atlas's right side.
        const float left = kFontAtlasSize - maxOver(r, [](int x, int y) {
                               const float e = edge(x, y, -1, 0);
                               return e > 0 ? kFontAtlasSize - e : 0.0f;
                           });
        EXPECT_NEAR(left + right, r.x0 + r.x1, 0.7f);
        const float below = maxOver(r, [](int x, int y) { return edge(x, y, 0, 1); }) - r.y0;
        if (std::strchr(kStanding, code) != nullptr) {
            EXPECT_TRUE(below - g.offsetY > -0.1f && below - g.offsetY < 0.4f) << below;
        }
    }
    auto stray = [](int x, int y) { return covered[y][x] ? 0 : alpha(x, y); };
    EXPECT_EQ(maxOver({0, 0, kFontAtlasSize, kFontAtlasSize}, stray), 0);
    for (size_t k = 0; k < std::size(kSums); ++k) {
        EXPECT_NEAR(sums[k], kSums[k], 1e-6) << "column " << k + 1 << " of atlasX .. advance";
    }
}

} // namespace
