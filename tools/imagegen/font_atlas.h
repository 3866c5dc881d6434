#pragma once
// How res/font1.png is made, shared by its generator and the tests that check the committed file.
// All lengths are font pixels, which are atlas pixels: the atlas holds the glyphs at scale 1.

// Liberation Sans Bold (fonts-liberation2, SIL Open Font License 1.1).
inline constexpr const char* kFontFile =
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";
inline constexpr int kFontUnitsPerEm = 2048;

// One size for every glyph: the em in font pixels.
inline constexpr int kFontPixelSize = 30;

// Distances are stored as 128 + 128 * d / spread, so the edge ramp of the distance field is
// twice the spread wide; 2 is the narrowest FreeType accepts.
inline constexpr int kSdfSpread = 2;

// Border texels of a glyph rectangle stay at or below this alpha, so linear filtering at a quad's
// edge never pulls in enough of the neighbouring rectangle to reach the shader's edge ramp.
inline constexpr int kBorderAlphaMax = 77; // 0.3

// Outline measures of the font at kFontPixelSize that the atlas must reproduce: the stems of
// 'l' and 'I' (plain rectangles in this font) and the cap height.
inline constexpr int kStemUnitsL = 281;
inline constexpr int kStemUnitsI = 295;
inline constexpr int kCapHeightUnits = 1409;
inline constexpr float kStemWidthL =
    kStemUnitsL * static_cast<float>(kFontPixelSize) / kFontUnitsPerEm;
inline constexpr float kStemWidthI =
    kStemUnitsI * static_cast<float>(kFontPixelSize) / kFontUnitsPerEm;
inline constexpr float kCapHeight =
    kCapHeightUnits * static_cast<float>(kFontPixelSize) / kFontUnitsPerEm;
