#include "drawables/caption_list.h"

#include <algorithm>
#include <span>

#include "app/demo_state.h"
#include "drawables/glyph_table.h"
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

void captionListInit() {
    captions.capacity = kCaptionCapacity;
    captions.items = new Caption[captions.capacity]();
    captions.positions = new float[MAX_TEXT_VERTICES * kPositionFloats]();
    captions.colors = new float[MAX_TEXT_VERTICES * kColorFloats]();
    captions.texcoords = new float[MAX_TEXT_VERTICES * kTexcoordFloats]();
    captions.smoothings = new float[MAX_TEXT_VERTICES * kSmoothingFloats]();
}

void captionListLoadResources() {
    captions.program = buildProgram(distanceFieldProgram.vertex, distanceFieldProgram.fragment);
    captions.positionAttrib = glGetAttribLocation(captions.program, "position");
    captions.colorAttrib = glGetAttribLocation(captions.program, "color");
    captions.texcoordAttrib = glGetAttribLocation(captions.program, "texcoord");
    captions.smoothingAttrib = glGetAttribLocation(captions.program, "smoothing");
    captions.fontTexture = textureLoad("res/font1.png");
}

uint32_t captionAdd(const Caption& caption) {
    if (captions.count >= captions.capacity) {
        return kCaptionNone;
    }
    captions.items[captions.count] = caption;
    return captions.count++;
}

void captionSet(uint32_t index, const char* text, float scale, float x, float y) {
    Caption* caption = captionAt(index);
    if (caption == nullptr) {
        return;
    }
    *caption = Caption{text, scale, kCaptionSetColor, x, y};
}

Caption* captionAt(uint32_t index) {
    return index < captions.count ? &captions.items[index] : nullptr;
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
int captionListBuild() {
    int budget = MAX_TEXT_VERTICES;
    int v = 0;
    for (const Caption& caption : std::span(captions.items, captions.count)) {
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
                float* position = captions.positions + v * kPositionFloats;
                position[0] = corner.x;
                position[1] = corner.y;
                position[2] = kCaptionZ;
                float* color = captions.colors + v * kColorFloats;
                color[0] = caption.color.r;
                color[1] = caption.color.g;
                color[2] = caption.color.b;
                color[3] = caption.color.a;
                captions.texcoords[v * kTexcoordFloats] = corner.u;
                captions.texcoords[v * kTexcoordFloats + 1] = corner.v;
                captions.smoothings[v * kSmoothingFloats] = smoothing;
                ++v;
            }
            budget -= kQuadVertices;
            pen = pen + glyph->advance * s;
        }
    }
    return MAX_TEXT_VERTICES - budget;
}

// Relies on the overlay pass's state: pixel orthographic projection, depth test off, alpha
// blending. The draw is issued even when nothing was laid out.
void captionListDraw() {
    const int vertices = captionListBuild();
    useTexturedProgram(captions.program, captions.fontTexture);
    drawQuadArrays({{captions.positionAttrib, kPositionFloats, captions.positions},
                    {captions.colorAttrib, kColorFloats, captions.colors},
                    {captions.texcoordAttrib, kTexcoordFloats, captions.texcoords},
                    {captions.smoothingAttrib, kSmoothingFloats, captions.smoothings}},
                   vertices);
}

void captionListFree() {
    delete[] captions.items;
    delete[] captions.positions;
    delete[] captions.colors;
    delete[] captions.texcoords;
    delete[] captions.smoothings;
    captions.items = nullptr;
    captions.positions = nullptr;
    captions.colors = nullptr;
    captions.texcoords = nullptr;
    captions.smoothings = nullptr;
}
