#include "drawables/caption_list.h"

#include <algorithm>
#include <span>

#include "drawables/glyph_table.h"
#include "render/arrays.h"
#include "render/quad_arrays.h"
#include "render/shaders.h"
#include "render/texture.h"

namespace {

constexpr int kQuadVertices = 4;
constexpr int kSmoothingFloats = 1;    // edge softness, one float a vertex
constexpr float kBaselineDrop = 35.0f; // font pixels from the top of the line to the baseline
constexpr float kSmoothingScale = 5.0f;
constexpr float kSmoothingCap = 16.0f; // keeps the edge from getting softer than 1/16
constexpr Color kCaptionSetColor{1.0f, 1.0f, 1.0f, 0.667f};
constexpr float kAtlasSize = static_cast<float>(kFontAtlasSize);

// One corner of a glyph's quad: overlay pixels and atlas coordinates.
struct GlyphCorner {
    float x, y, u, v;
};

const char* textOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

} // namespace

void captionListInit(CaptionList& list) {
    list.capacity = kCaptionCapacity;
    list.items = new Caption[list.capacity]();
    texturedArraysNew(MAX_TEXT_VERTICES, list.positions, list.colors, list.texcoords);
    list.smoothings = new float[MAX_TEXT_VERTICES * kSmoothingFloats]();
}

void captionListLoadResources(CaptionList& list) {
    list.program = programBuild(distanceFieldProgram, list.attributes);
    list.fontTexture = textureLoad("res/font1.png");
}

uint32_t captionAdd(CaptionList& list, const Caption& caption) {
    if (list.count >= list.capacity) {
        return kCaptionNone;
    }
    list.items[list.count] = caption;
    return list.count++;
}

void captionSet(CaptionList& list, uint32_t index, const char* text, float scale, float x,
                float y) {
    Caption* caption = captionAt(list, index);
    if (caption == nullptr) {
        return;
    }
    *caption = Caption{text, scale, kCaptionSetColor, x, y};
}

Caption* captionAt(CaptionList& list, uint32_t index) {
    return index < list.count ? &list.items[index] : nullptr;
}

// Characters without a glyph row (codes 127 and above) measure as nothing.
float textWidth(const char* text, float scale) {
    float width = 0.0f;
    for (const char* c = textOrEmpty(text); *c != '\0'; ++c) {
        if (const Glyph* glyph = glyphFor(*c)) {
            width = width + glyph->advance * scale;
        }
    }
    return width;
}

// Every glyph, control characters included, costs four vertices of the frame's budget; once the
// budget is spent the rest of that caption and every later caption are skipped. Characters
// without a glyph row draw nothing and cost nothing.
int captionListBuild(CaptionList& list) {
    int budget = MAX_TEXT_VERTICES;
    int v = 0;
    for (const Caption& caption : std::span(list.items, list.count)) {
        const float s = caption.scale;
        float pen = caption.x;
        const float baseline = caption.y + kBaselineDrop * s;
        const float smoothing = 1.0f / std::min(kSmoothingScale * s, kSmoothingCap);
        for (const char* c = textOrEmpty(caption.text); *c != '\0' && budget > 0; ++c) {
            const Glyph* glyph = glyphFor(*c);
            if (glyph == nullptr) {
                continue;
            }
            const float left = pen + glyph->offsetX * s;
            const float top = baseline - glyph->offsetY * s;
            const float right = left + static_cast<float>(glyph->width) * s;
            const float bottom = top + static_cast<float>(glyph->height) * s;
            const float u0 = static_cast<float>(glyph->atlasX) / kAtlasSize;
            const float v0 = static_cast<float>(glyph->atlasY) / kAtlasSize;
            const float u1 = static_cast<float>(glyph->atlasX + glyph->width) / kAtlasSize;
            const float v1 = static_cast<float>(glyph->atlasY + glyph->height) / kAtlasSize;
            const GlyphCorner corners[kQuadVertices] = {
                {left, top, u0, v0},
                {right, top, u1, v0},
                {right, bottom, u1, v1},
                {left, bottom, u0, v1},
            };
            for (const GlyphCorner& corner : corners) {
                float* position = list.positions + v * kPositionFloats;
                position[0] = corner.x;
                position[1] = corner.y;
                position[2] = kCaptionZ;
                float* color = list.colors + v * kColorFloats;
                color[0] = caption.color.r;
                color[1] = caption.color.g;
                color[2] = caption.color.b;
                color[3] = caption.color.a;
                list.texcoords[v * kTexcoordFloats] = corner.u;
                list.texcoords[v * kTexcoordFloats + 1] = corner.v;
                list.smoothings[v * kSmoothingFloats] = smoothing;
                ++v;
            }
            budget -= kQuadVertices;
            pen = pen + glyph->advance * s;
        }
    }
    return MAX_TEXT_VERTICES - budget;
}

void captionListDraw(CaptionList& list) {
    const int vertices = captionListBuild(list);
    useTexturedProgram(list.program, list.fontTexture);
    drawQuadArrays({{list.attributes.position, kPositionFloats, list.positions},
                    {list.attributes.color, kColorFloats, list.colors},
                    {list.attributes.texcoord, kTexcoordFloats, list.texcoords},
                    {list.attributes.smoothing, kSmoothingFloats, list.smoothings}},
                   vertices);
}

void captionListFree(CaptionList& list) {
    arraysFree(list.items, list.positions, list.colors, list.texcoords, list.smoothings);
}
