// The committed images under res/ have the form the drawables rely on. These check the files'
// form, not their bytes: a regenerated image passes as long as it keeps the same form.

#include "drawables/glyph_table.h"
#include "drawables/particle_emitter.h"
#include "imagegen/font_atlas.h"

#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kFontPath = "res/font1.png";
constexpr const char* kBoxPath = "res/box1.png";
constexpr const char* kParticlePath = "res/particle1.png";

constexpr int kInkAlpha = 128; // alpha above 0.5: inside the glyph outline

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

struct PngHeader {
    bool valid = false;
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colorType = 0;
};

// The IHDR chunk, which always comes first: it says what the file stores, before any decoder's
// conversion.
PngHeader readPngHeader(const char* path) {
    PngHeader header;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return header;
    }
    unsigned char b[26] = {};
    const bool complete = std::fread(b, 1, sizeof b, file) == sizeof b;
    std::fclose(file);
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!complete || !std::equal(signature, signature + 8, b) || b[12] != 'I' || b[13] != 'H' ||
        b[14] != 'D' || b[15] != 'R') {
        return header;
    }
    auto be32 = [&](int at) {
        return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 |
               uint32_t{b[at + 3]};
    };
    header = {true, be32(16), be32(20), b[24], b[25]};
    return header;
}

// Pixels of a decoded 8-bit RGBA image, bytes R, G, B, A, rows from the top.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;

    const uint8_t* at(int x, int y) const { return &bytes[(y * width + x) * 4]; }
    int alpha(int x, int y) const { return at(x, y)[3]; }
    int brightness(int x, int y) const {
        const uint8_t* p = at(x, y);
        return std::max({p[0], p[1], p[2]});
    }
};

Rgba loadRgba(const char* path) {
    Rgba image;
    Surface surface(IMG_Load(path));
    if (surface == nullptr || surface->format->format != SDL_PIXELFORMAT_RGBA32) {
        return image;
    }
    image.width = surface->w;
    image.height = surface->h;
    image.bytes.resize(static_cast<size_t>(surface->w) * surface->h * 4);
    for (int y = 0; y < surface->h; ++y) {
        const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
        std::copy_n(row, surface->w * 4, image.bytes.begin() + y * surface->w * 4);
    }
    return image;
}

TEST(ImageFiles, AreEightBitRgbaPngsOfTheExpectedSize) {
    struct Case {
        const char* path;
        int width; // 0: any modest square size
    };
    const Case cases[] = {{kFontPath, kFontAtlasSize}, {kBoxPath, 0}, {kParticlePath, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const PngHeader header = readPngHeader(c.path);
        ASSERT_TRUE(header.valid);
        EXPECT_EQ(header.bitDepth, 8);
        EXPECT_EQ(header.colorType, 6); // RGB with alpha
        EXPECT_EQ(header.width, header.height);
        if (c.width != 0) {
            EXPECT_EQ(header.width, static_cast<uint32_t>(c.width));
        } else {
            EXPECT_GE(header.width, 64u);
            EXPECT_LE(header.width, 512u);
            EXPECT_EQ(header.width % 2, 0u); // the particle sheet splits into equal quarters
        }
        Surface surface(IMG_Load(c.path));
        ASSERT_NE(surface, nullptr) << IMG_GetError();
        // createTexture uploads the bytes as GL_RGBA without conversion.
        EXPECT_EQ(surface->format->format, static_cast<Uint32>(SDL_PIXELFORMAT_RGBA32));
        EXPECT_EQ(surface->pitch, surface->w * 4);
        EXPECT_EQ(static_cast<uint32_t>(surface->w), header.width);
        EXPECT_EQ(static_cast<uint32_t>(surface->h), header.height);
    }
}

class FontAtlas : public testing::Test {
  protected:
    static void SetUpTestSuite() { atlas = new Rgba(loadRgba(kFontPath)); }
    static void TearDownTestSuite() {
        delete atlas;
        atlas = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(atlas->width, kFontAtlasSize);
        ASSERT_EQ(atlas->height, kFontAtlasSize);
    }

    static float alphaAt(int x, int y) { return atlas->alpha(x, y) / 255.0f; }

    // Where the 0.5 level lies between two texel centres, one inside and one outside; texel i
    // has its centre at i + 0.5.
    static float crossing(int inside, float aIn, int outside, float aOut) {
        const float t = (aIn - 0.5f) / (aIn - aOut);
        return inside + 0.5f + t * static_cast<float>(outside - inside);
    }

    // The outline's left and right edges along row y, between columns x0 and x1 (exclusive).
    static bool rowEdges(int y, int x0, int x1, float& left, float& right) {
        int first = -1;
        int last = -1;
        for (int x = x0; x < x1; ++x) {
            if (atlas->alpha(x, y) >= kInkAlpha) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        if (first <= x0 || last >= x1 - 1) {
            return false;
        }
        left = crossing(first, alphaAt(first, y), first - 1, alphaAt(first - 1, y));
        right = crossing(last, alphaAt(last, y), last + 1, alphaAt(last + 1, y));
        return true;
    }

    // The lowest point of the outline in a rectangle, rows from the top of the atlas.
    static float inkBottom(const Glyph& g) {
        float bottom = -1.0f;
        for (int x = g.atlasX; x < g.atlasX + g.width; ++x) {
            for (int y = g.atlasY + g.height - 2; y >= g.atlasY; --y) {
                if (atlas->alpha(x, y) >= kInkAlpha) {
                    bottom = std::max(bottom, crossing(y, alphaAt(x, y), y + 1, alphaAt(x, y + 1)));
                    break;
                }
            }
        }
        return bottom;
    }

    static Rgba* atlas;
};

Rgba* FontAtlas::atlas = nullptr;

TEST_F(FontAtlas, BorderTexelsOfEveryRectangleStayBelowTheEdgeRamp) {
    for (int code = 32; code < kGlyphCount; ++code) {
        const Glyph& g = glyphTable[code];
        int brightest = 0;
        for (int y = g.atlasY; y < g.atlasY + g.height; ++y) {
            for (int x = g.atlasX; x < g.atlasX + g.width; ++x) {
                const bool border = x == g.atlasX || y == g.atlasY || x == g.atlasX + g.width - 1 ||
                                    y == g.atlasY + g.height - 1;
                if (border) {
                    brightest = std::max(brightest, atlas->alpha(x, y));
                }
            }
        }
        EXPECT_LE(brightest, kBorderAlphaMax) << "glyph " << code;
    }
}

TEST_F(FontAtlas, EveryVisibleGlyphHasInkAndTheSpaceHasNone) {
    for (int code = 32; code < kGlyphCount; ++code) {
        const Glyph& g = glyphTable[code];
        int brightest = 0;
        for (int y = g.atlasY; y < g.atlasY + g.height; ++y) {
            for (int x = g.atlasX; x < g.atlasX + g.width; ++x) {
                brightest = std::max(brightest, atlas->alpha(x, y));
            }
        }
        if (code == ' ') {
            EXPECT_LE(brightest, kBorderAlphaMax);
        } else {
            EXPECT_GE(brightest, kInkAlpha) << "glyph " << code;
        }
    }
}

TEST_F(FontAtlas, TexelsOutsideAllRectanglesAreEmptyAndInkedTexelsWhite) {
    std::vector<bool> covered(kFontAtlasSize * kFontAtlasSize, false);
    for (int code = 32; code < kGlyphCount; ++code) {
        const Glyph& g = glyphTable[code];
        for (int y = g.atlasY; y < g.atlasY + g.height; ++y) {
            for (int x = g.atlasX; x < g.atlasX + g.width; ++x) {
                covered[y * kFontAtlasSize + x] = true;
            }
        }
    }
    int strayTexels = 0;
    int colouredTexels = 0;
    for (int y = 0; y < kFontAtlasSize; ++y) {
        for (int x = 0; x < kFontAtlasSize; ++x) {
            const uint8_t* p = atlas->at(x, y);
            strayTexels += (!covered[y * kFontAtlasSize + x] && p[3] != 0) ? 1 : 0;
            colouredTexels += (p[3] != 0 && (p[0] != 255 || p[1] != 255 || p[2] != 255)) ? 1 : 0;
        }
    }
    EXPECT_EQ(strayTexels, 0);
    EXPECT_EQ(colouredTexels, 0);
}

TEST_F(FontAtlas, GlyphsThatStandOnTheBaselineEndOnIt) {
    for (const char c : std::string("HIEFLTxznmrlhk1247")) {
        const Glyph& g = glyphTable[static_cast<int>(c)];
        const float baseline = static_cast<float>(g.atlasY) + g.offsetY;
        EXPECT_NEAR(inkBottom(g), baseline, 0.5f) << "glyph '" << c << "'";
    }
}

TEST_F(FontAtlas, StemsAndCapHeightMatchTheOutlineAtTheChosenSize) {
    struct Case {
        char c;
        float stem;
    };
    const Case cases[] = {{'l', kStemWidthL}, {'I', kStemWidthI}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.c);
        const Glyph& g = glyphTable[static_cast<int>(k.c)];
        // Halfway up the cap height: a plain vertical stem in a sans.
        const float baseline = static_cast<float>(g.atlasY) + g.offsetY;
        const int row = static_cast<int>(baseline - 0.5f * kCapHeight);
        float left = 0.0f;
        float right = 0.0f;
        ASSERT_TRUE(rowEdges(row, g.atlasX, g.atlasX + g.width, left, right));
        EXPECT_NEAR(right - left, k.stem, 0.5f);
        // The stem is centred across its rectangle.
        EXPECT_NEAR(0.5f * (left + right), g.atlasX + 0.5f * g.width, 0.5f);
    }
    // The cap height of 'I', from the top edge at the stem's centre column down to the baseline.
    const Glyph& g = glyphTable[static_cast<int>('I')];
    const int column = g.atlasX + g.width / 2;
    int top = g.atlasY;
    while (top < g.atlasY + g.height && atlas->alpha(column, top) < kInkAlpha) {
        ++top;
    }
    ASSERT_GT(top, g.atlasY);
    const float topEdge = crossing(top, alphaAt(column, top), top - 1, alphaAt(column, top - 1));
    EXPECT_NEAR(inkBottom(g) - topEdge, kCapHeight, 0.5f);
}

TEST(BoxImage, IsOpaqueWithAFrameDarkerThanItsField) {
    const Rgba box = loadRgba(kBoxPath);
    ASSERT_GT(box.width, 0);
    const int n = box.width;
    int translucent = 0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            translucent += box.alpha(x, y) != 255 ? 1 : 0;
        }
    }
    EXPECT_EQ(translucent, 0);

    auto luminance = [&](int x, int y) {
        const uint8_t* p = box.at(x, y);
        return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
    };
    float field = 0.0f;
    for (int y = n / 4; y < 3 * n / 4; ++y) {
        for (int x = n / 4; x < 3 * n / 4; ++x) {
            field += luminance(x, y);
        }
    }
    field /= static_cast<float>((n / 2) * (n / 2));
    // Each side on its own: a frame on only some sides would not close the box.
    const int band = std::max(2, n / 32);
    for (int side = 0; side < 4; ++side) {
        float sum = 0.0f;
        for (int i = 0; i < n; ++i) {
            for (int d = 0; d < band; ++d) {
                const int x = side == 0 ? d : side == 1 ? n - 1 - d : i;
                const int y = side == 2 ? d : side == 3 ? n - 1 - d : i;
                sum += luminance(x, y);
            }
        }
        EXPECT_LT(sum / static_cast<float>(n * band), field - 60.0f) << "side " << side;
    }
}

TEST(ParticleImage, FourDistinctSpritesOnBlackInTheSpriteQuarters) {
    const Rgba sheet = loadRgba(kParticlePath);
    ASSERT_GT(sheet.width, 0);
    struct Quarter {
        int x0, y0, x1, y1;
    };
    Quarter quarters[4];
    for (int i = 0; i < 4; ++i) {
        const SpriteRect& r = particleSpriteRects[i];
        // v = 0 is the first row of the image as uploaded.
        quarters[i] = {static_cast<int>(std::lround(r.uMin * sheet.width)),
                       static_cast<int>(std::lround(r.vMin * sheet.height)),
                       static_cast<int>(std::lround(r.uMax * sheet.width)),
                       static_cast<int>(std::lround(r.vMax * sheet.height))};
    }
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const Quarter& q = quarters[i];
        int brightest = 0;
        int edgeBrightest = 0;
        int translucent = 0;
        for (int y = q.y0; y < q.y1; ++y) {
            for (int x = q.x0; x < q.x1; ++x) {
                const int b = sheet.brightness(x, y);
                brightest = std::max(brightest, b);
                if (x == q.x0 || y == q.y0 || x == q.x1 - 1 || y == q.y1 - 1) {
                    edgeBrightest = std::max(edgeBrightest, b);
                }
                // Drawn with source alpha and one: opaque, so the brightness alone adds.
                translucent += sheet.alpha(x, y) != 255 ? 1 : 0;
            }
        }
        EXPECT_GE(brightest, 200);
        EXPECT_LE(edgeBrightest, 4);
        EXPECT_EQ(translucent, 0);
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            const int w = quarters[i].x1 - quarters[i].x0;
            const int h = quarters[i].y1 - quarters[i].y0;
            long difference = 0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    difference +=
                        std::abs(sheet.brightness(quarters[i].x0 + x, quarters[i].y0 + y) -
                                 sheet.brightness(quarters[j].x0 + x, quarters[j].y0 + y));
                }
            }
            EXPECT_GE(static_cast<float>(difference) / static_cast<float>(w * h), 4.0f)
                << "sprites " << i << " and " << j;
        }
    }
}

} // namespace
