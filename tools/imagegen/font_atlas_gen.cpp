// Renders the distance-field font atlas res/font1.png: every glyph of codes 33..126 drawn by
// FreeType's SDF renderer into its glyphTable rectangle, so that the table's offsets and advances
// put it on the common baseline at kFontPixelSize.
//
// Usage: kiru-fontgen [output.png [font.ttf]]

#include "drawables/glyph_table.h"
#include "font_atlas.h"
#include "png_writer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_MODULE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kSize = kFontAtlasSize;
constexpr int kFirstCode = 33;
constexpr int kLastCode = 126;

// Ink kept this far inside a rectangle's edges: half a texel to the border texel's centre plus the
// distance at which the field has fallen to kBorderAlphaMax.
constexpr float kInkMargin = 0.5f + kSdfSpread * (128 - kBorderAlphaMax) / 128.0f;
// A glyph whose rendered border still comes out too bright is fitted again with a wider margin.
constexpr float kMarginStep = 0.05f;
constexpr int kMaxFitTries = 20;

// Glyphs that hang between a top and a bottom rather than stand on the baseline.
constexpr const char* kBracketGlyphs = "()[]{}|";

// Ink bounds of an outline, font pixels, y up from the baseline.
struct InkBox {
    float x0, y0, x1, y1;
};

// How one outline is mapped into its rectangle. Horizontally the ink is centred in the rectangle
// and shrunk about its centre by sx. A glyph on the baseline keeps the baseline and shrinks about
// it by sy; a floating glyph (marks above or below the baseline, brackets) shrinks about its own
// middle and moves up by shiftY only as far as it must to fit.
struct Placement {
    float sx = 1.0f;
    float sy = 1.0f;
    float shiftY = 0.0f;
    bool floating = false;
};

InkBox inkBox(const FT_Outline& outline) {
    FT_BBox box;
    FT_Outline_Get_BBox(const_cast<FT_Outline*>(&outline), &box);
    return {box.xMin / 64.0f, box.yMin / 64.0f, box.xMax / 64.0f, box.yMax / 64.0f};
}

bool isFloating(int code, const InkBox& ink) {
    // Round letters overshoot the baseline by a fraction of a pixel; that still counts as on it.
    const float overshoot = 0.5f;
    return std::strchr(kBracketGlyphs, code) != nullptr || ink.y0 > overshoot || ink.y1 < 0.0f;
}

Placement fitGlyph(int code, const Glyph& g, const InkBox& ink, float margin) {
    Placement p;
    const float room = static_cast<float>(g.width) - 2.0f * margin;
    const float inkWidth = ink.x1 - ink.x0;
    if (inkWidth > room) {
        p.sx = room / inkWidth;
    }
    // Usable band, y up from the baseline.
    const float top = g.offsetY - margin;
    const float bottom = g.offsetY - static_cast<float>(g.height) + margin;
    p.floating = isFloating(code, ink);
    if (!p.floating) {
        if (ink.y1 > top) {
            p.sy = std::min(p.sy, top / ink.y1);
        }
        if (ink.y0 < bottom) {
            p.sy = std::min(p.sy, bottom / ink.y0);
        }
        return p;
    }
    const float inkHeight = ink.y1 - ink.y0;
    if (inkHeight > top - bottom) {
        p.sy = (top - bottom) / inkHeight;
    }
    const float middle = 0.5f * (ink.y0 + ink.y1);
    const float y0 = middle - 0.5f * inkHeight * p.sy;
    const float y1 = middle + 0.5f * inkHeight * p.sy;
    if (y1 > top) {
        p.shiftY = top - y1;
    } else if (y0 < bottom) {
        p.shiftY = bottom - y0;
    }
    return p;
}

// Moves the outline into rectangle space: origin at the rectangle's top-left corner, y up, so the
// baseline lies at y = -offsetY.
void placeOutline(FT_Outline& outline, const Glyph& g, const InkBox& ink, const Placement& p) {
    const float centreX = 0.5f * (ink.x0 + ink.x1);
    const float middleY = 0.5f * (ink.y0 + ink.y1);
    for (int i = 0; i < outline.n_points; ++i) {
        const float x = outline.points[i].x / 64.0f;
        const float y = outline.points[i].y / 64.0f;
        const float px = (x - centreX) * p.sx + 0.5f * static_cast<float>(g.width);
        const float py = p.floating ? (y - middleY) * p.sy + middleY + p.shiftY : y * p.sy;
        outline.points[i].x = std::lround(px * 64.0f);
        outline.points[i].y = std::lround((py - g.offsetY) * 64.0f);
    }
}

// Copies the rendered field into the glyph's rectangle, clipped to it; returns the brightest
// border texel and whether any texel is inside the outline.
int blitGlyph(const FT_GlyphSlot slot, const Glyph& g, std::vector<uint8_t>& alpha, bool& hasInk) {
    for (int y = g.atlasY; y < g.atlasY + g.height; ++y) {
        std::fill_n(alpha.begin() + y * kSize + g.atlasX, g.width, uint8_t{0});
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = g.atlasY - slot->bitmap_top + static_cast<int>(row);
        if (y < g.atlasY || y >= g.atlasY + g.height) {
            continue;
        }
        const uint8_t* src = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const int x = g.atlasX + slot->bitmap_left + static_cast<int>(col);
            if (x >= g.atlasX && x < g.atlasX + g.width) {
                alpha[y * kSize + x] = src[col];
            }
        }
    }
    int borderMax = 0;
    hasInk = false;
    for (int y = g.atlasY; y < g.atlasY + g.height; ++y) {
        for (int x = g.atlasX; x < g.atlasX + g.width; ++x) {
            const int a = alpha[y * kSize + x];
            const bool border = x == g.atlasX || y == g.atlasY || x == g.atlasX + g.width - 1 ||
                                y == g.atlasY + g.height - 1;
            if (border) {
                borderMax = std::max(borderMax, a);
            }
            hasInk = hasInk || a >= 128;
        }
    }
    return borderMax;
}

// The atlas is only right for the outlines font_atlas.h describes.
bool checkFont(FT_Face face) {
    struct Measure {
        char c;
        bool height;
        int units;
    };
    const Measure measures[] = {
        {'l', false, kStemUnitsL}, {'I', false, kStemUnitsI}, {'I', true, kCapHeightUnits}};
    if (face->units_per_EM != kFontUnitsPerEm) {
        std::fprintf(stderr, "font has %d units per em, font_atlas.h expects %d\n",
                     face->units_per_EM, kFontUnitsPerEm);
        return false;
    }
    for (const Measure& m : measures) {
        if (FT_Load_Char(face, static_cast<FT_ULong>(m.c), FT_LOAD_NO_SCALE) != 0) {
            return false;
        }
        FT_BBox box;
        FT_Outline_Get_BBox(&face->glyph->outline, &box);
        const long units = m.height ? box.yMax - box.yMin : box.xMax - box.xMin;
        if (units != m.units) {
            std::fprintf(stderr, "'%c' measures %ld font units, font_atlas.h expects %d\n", m.c,
                         units, m.units);
            return false;
        }
    }
    return true;
}

bool rectanglesDisjoint() {
    std::vector<uint8_t> owned(kSize * kSize, 0);
    for (int code = 32; code <= kLastCode; ++code) {
        const Glyph& g = glyphTable[code];
        for (int y = g.atlasY; y < g.atlasY + g.height; ++y) {
            for (int x = g.atlasX; x < g.atlasX + g.width; ++x) {
                if (x < 0 || y < 0 || x >= kSize || y >= kSize || owned[y * kSize + x]++ != 0) {
                    std::fprintf(stderr, "glyph %d: rectangle overlaps or leaves the atlas\n",
                                 code);
                    return false;
                }
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const char* outputPath = argc > 1 ? argv[1] : "res/font1.png";
    const char* fontPath = argc > 2 ? argv[2] : kFontFile;
    if (!rectanglesDisjoint()) {
        return 1;
    }

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "cannot start FreeType\n");
        return 1;
    }
    FT_UInt spread = kSdfSpread;
    if (FT_Property_Set(library, "sdf", "spread", &spread) != 0) {
        std::fprintf(stderr, "FreeType has no SDF renderer\n");
        return 1;
    }
    if (FT_New_Face(library, fontPath, 0, &face) != 0) {
        std::fprintf(stderr, "cannot open font %s\n", fontPath);
        return 1;
    }
    if (!checkFont(face) || FT_Set_Pixel_Sizes(face, 0, kFontPixelSize) != 0) {
        return 1;
    }

    std::vector<uint8_t> alpha(kSize * kSize, 0);
    for (int code = kFirstCode; code <= kLastCode; ++code) {
        const Glyph& g = glyphTable[code];
        float margin = kInkMargin;
        bool done = false;
        for (int attempt = 0; attempt < kMaxFitTries && !done; ++attempt) {
            // Unhinted, so that stems keep the outline's width and sub-pixel placement holds.
            if (FT_Load_Char(face, static_cast<FT_ULong>(code),
                             FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
                face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
                std::fprintf(stderr, "glyph %d: no outline\n", code);
                return 1;
            }
            const InkBox ink = inkBox(face->glyph->outline);
            const Placement p = fitGlyph(code, g, ink, margin);
            placeOutline(face->glyph->outline, g, ink, p);
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_SDF) != 0) {
                std::fprintf(stderr, "glyph %d: SDF rendering failed\n", code);
                return 1;
            }
            bool hasInk = false;
            const int borderMax = blitGlyph(face->glyph, g, alpha, hasInk);
            if (borderMax > kBorderAlphaMax) {
                margin += kMarginStep;
                continue;
            }
            if (!hasInk) {
                std::fprintf(stderr, "glyph %d: no texel inside the outline\n", code);
                return 1;
            }
            done = true;
            if (p.sx < 1.0f || p.sy < 1.0f || p.shiftY != 0.0f || attempt > 0) {
                std::printf("'%c': width x%.3f, height x%.3f, moved up %+.2f px, margin %.2f px\n",
                            code, p.sx, p.sy, p.shiftY, margin);
            }
        }
        if (!done) {
            std::fprintf(stderr, "glyph %d does not fit its rectangle\n", code);
            return 1;
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    // White everywhere, so that linear filtering never darkens an edge; the field is in alpha.
    std::vector<uint8_t> rgba(kSize * kSize * 4, 255);
    for (int i = 0; i < kSize * kSize; ++i) {
        rgba[i * 4 + 3] = alpha[i];
    }
    return writePngRgba(outputPath, kSize, kSize, rgba.data()) ? 0 : 1;
}
