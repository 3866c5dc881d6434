#pragma once
// Metrics of the distance-field font atlas res/font1.png (256 x 256).

#include <cstdint>

struct Glyph {
    int32_t code;
    int32_t atlasX; // top-left corner in the atlas, rows from the top
    int32_t atlasY;
    int32_t width;
    int32_t height;
    float offsetX; // font pixels from the pen to the glyph's left edge
    float offsetY; // font pixels from the baseline up to the glyph's top
    float advance; // font pixels the pen moves on
};

inline constexpr int kGlyphCount = 127; // codes 0..126
inline constexpr int kFontAtlasSize = 256;
extern const Glyph glyphTable[kGlyphCount];

// The row for a character, or null for codes outside 0..126 (127 and every byte read as negative).
const Glyph* glyphFor(char c);
