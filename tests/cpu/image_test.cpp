// The committed images under res/ have the form the drawables rely on. These check the files'
// form, not their bytes: a regenerated image passes as long as it keeps the same form.

#include "drawables/glyph_table.h"
#include "drawables/particle_emitter.h"
#include "imagegen/font_atlas.h"

#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

namespace {

struct Image {
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> s;
    explicit Image(const char* path) : s(IMG_Load(path), SDL_FreeSurface) {}
    // 8-bit RGBA, rows from the top: createTexture uploads these bytes as GL_RGBA unconverted.
    bool rgba() const { return s && s->format->format == SDL_PIXELFORMAT_RGBA32; }
    bool square(int n = 0) const { return rgba() && s->w == s->h && (n == 0 || s->w == n); }
    int at(int x, int y, int c) const { return px()[y * s->pitch + 4 * x + c]; }
    const uint8_t* px() const { return static_cast<const uint8_t*>(s->pixels); }
    // As a function of the texel: its brightness, the largest of R, G and B.
    int operator()(int x, int y) const { return std::max({at(x, y, 0), at(x, y, 1), at(x, y, 2)}); }
};

struct Rect {
    int x0, y0, x1, y1; // texels [x0, x1) x [y0, y1)
};

template <typename F> void forEach(Rect r, F f) {
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            f(x, y);
}

// The largest v(x, y) over a rectangle, or over its outermost texels only, and never below 0.
template <typename F> auto maxOver(Rect r, const F& v, bool edgeOnly = false) {
    decltype(v(0, 0)) m = 0;
    forEach(r, [&](int x, int y) {
        if (!edgeOnly || x == r.x0 || y == r.y0 || x == r.x1 - 1 || y == r.y1 - 1)
            m = std::max(m, v(x, y));
    });
    return m;
}

TEST(ImageFiles, AreEightBitRgbaPngsOfTheExpectedSize) {
    for (const char* path : {"res/font1.png", "res/box1.png", "res/particle1.png"}) {
        // The IHDR chunk, always first, says what the file stores before any decoder converts it.
        char b[26] = {};
        std::ifstream(path, std::ios::binary).read(b, sizeof b);
        EXPECT_EQ(std::memcmp(b, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16), 0) << path;
        EXPECT_EQ(std::memcmp(b + 24, "\x08\x06", 2), 0) << path; // bit depth 8, RGB with alpha
        const Image image(path);
        ASSERT_TRUE(image.rgba()) << path << ": " << IMG_GetError();
        // The atlas's own size is checked with its contents; the particle sheet splits in quarters.
        EXPECT_TRUE(image.square() && image.s->w % 2 == 0) << path;
    }
}

const Image atlas("res/font1.png");
const auto alpha = [](int x, int y) { return atlas.at(x, y, 3); };

// Per texel: where the 0.5 level lies between an inked texel and an uninked neighbour one step
// (dx, dy) away, along the step's axis, or 0 where there is no such edge. Texel i has its centre
// at i + 0.5.
auto edge(int dx, int dy) {
    return [=](int x, int y) {
        const float in = alpha(x, y) / 255.0f, out = alpha(x + dx, y + dy) / 255.0f;
        const float at = (dx != 0 ? x : y) + 0.5f + (dx + dy) * (in - 0.5f) / (in - out);
        return in >= 0.5f && out < 0.5f ? at : 0.0f;
    };
}

TEST(FontAtlas, HoldsEachOutlineInItsRectangleAndNothingElse) {
    ASSERT_TRUE(atlas.square(kFontAtlasSize));
    static bool covered[kFontAtlasSize][kFontAtlasSize] = {};
    for (int code = 32; code < kGlyphCount; ++code) {
        SCOPED_TRACE(code);
        const Glyph& g = glyphTable[code];
        const Rect r{g.atlasX, g.atlasY, g.atlasX + g.width, g.atlasY + g.height};
        ASSERT_TRUE(r.x0 >= 0 && r.y0 >= 0 && r.x1 <= kFontAtlasSize && r.y1 <= kFontAtlasSize);
        const float base = g.atlasY + g.offsetY;
        forEach(r, [](int x, int y) { covered[y][x] = true; });
        EXPECT_LE(maxOver(r, alpha, true), kBorderAlphaMax);
        // Ink: alpha above 0.5, inside the outline.
        EXPECT_TRUE(code == ' ' ? maxOver(r, alpha) <= kBorderAlphaMax : maxOver(r, alpha) >= 128);
        if (std::strchr("HIEFLTxznmrlhk1247", code) != nullptr) {
            // Short of the last row, so that every lower neighbour lies inside the rectangle.
            EXPECT_NEAR(maxOver({r.x0, r.y0, r.x1, r.y1 - 1}, edge(0, 1)), base, 0.5f);
        }
        if (code == 'l' || code == 'I') {
            // Halfway up the cap height: a plain vertical stem, the only ink on its row.
            const int y = std::clamp(static_cast<int>(base - 0.5f * kCapHeight), r.y0, r.y1 - 1);
            const Rect row{r.x0 + 1, y, r.x1 - 1, y + 1};
            EXPECT_NEAR(maxOver(row, edge(1, 0)) - maxOver(row, edge(-1, 0)),
                        code == 'l' ? kStemWidthL : kStemWidthI, 0.5f);
        }
    }
    auto stray = [](int x, int y) { return covered[y][x] ? 0 : alpha(x, y); };
    EXPECT_EQ(maxOver({0, 0, kFontAtlasSize, kFontAtlasSize}, stray), 0);
}

TEST(BoxImage, IsOpaqueWithAFrameDarkerThanItsField) {
    const Image box("res/box1.png");
    ASSERT_TRUE(box.square());
    const int n = box.s->w;
    EXPECT_EQ(maxOver({0, 0, n, n}, [&](int x, int y) { return 255 - box.at(x, y, 3); }), 0);
    // Every ring of the outer band, so every side of the frame, well below the field's brightest.
    const int field = maxOver({n / 4, n / 4, 3 * n / 4, 3 * n / 4}, box);
    for (int d = 0; d < std::max(2, n / 32); ++d)
        EXPECT_LT(maxOver({d, d, n - d, n - d}, box, true), field - 60) << d;
}

TEST(ParticleImage, FourDistinctSpritesOnBlackInTheSpriteQuarters) {
    const Image sheet("res/particle1.png");
    ASSERT_TRUE(sheet.square());
    // v = 0 is the first row of the image as uploaded.
    auto texel = [&](float f) { return static_cast<int>(f * sheet.s->w + 0.5f); };
    Rect q[4];
    for (int i = 0; i < 4; ++i) {
        const auto& [u0, v0, u1, v1] = particleSpriteRects[i];
        q[i] = {texel(u0), texel(v0), texel(u1), texel(v1)};
        EXPECT_GE(maxOver(q[i], sheet), 200) << i;
        EXPECT_LE(maxOver(q[i], sheet, true), 4) << i;
        for (int j = 0; j < i; ++j) {
            const int dx = q[j].x0 - q[i].x0, dy = q[j].y0 - q[i].y0;
            long d = 0;
            forEach(q[i],
                    [&](int x, int y) { d += std::abs(sheet(x, y) - sheet(x + dx, y + dy)); });
            EXPECT_GE(d, 4L * (q[i].x1 - q[i].x0) * (q[i].y1 - q[i].y0)) << j << " and " << i;
        }
    }
}

} // namespace
