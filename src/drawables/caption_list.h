#pragma once
// Captions: single-line texts drawn with the distance-field font, all in one draw call.

#include <cstdint>

#include "render/gl.h"
#include "render/shaders.h"
#include "render/types.h"

// All captions together draw at most this many vertices a frame (256 glyphs); the rest is skipped.
inline constexpr int MAX_TEXT_VERTICES = 1024;
inline constexpr uint32_t kCaptionCapacity = 10;
// What captionAdd returns on a full list: at or beyond count, so every write skips it.
inline constexpr uint32_t kCaptionNone = UINT32_MAX;
inline constexpr float kCaptionZ = -5.0f;

struct Caption {
    const char* text = nullptr; // not owned; null draws and measures as ""
    float scale = 5.0f;         // font pixels to overlay pixels
    Color color{1.0f, 1.0f, 1.0f, 1.0f};
    float x = 0.0f; // pen start
    float y = 0.0f; // top of the line; the baseline lies at y + 35 * scale
};

struct CaptionList {
    Caption* items = nullptr;
    uint32_t count = 0;
    uint32_t capacity = kCaptionCapacity;
    float* positions = nullptr;  // MAX_TEXT_VERTICES x 3
    float* colors = nullptr;     // MAX_TEXT_VERTICES x 4
    float* texcoords = nullptr;  // MAX_TEXT_VERTICES x 2
    float* smoothings = nullptr; // MAX_TEXT_VERTICES x 1
    AttributeLocations attributes;
    GLuint program = 0;     // distanceFieldProgram
    GLuint fontTexture = 0; // res/font1.png; 0 when it did not load
};

// Allocates kCaptionCapacity captions, none in use, and the vertex arrays.
void captionListInit(CaptionList& list);
void captionListLoadResources(CaptionList& list);
// Appends a copy and returns its index; kCaptionNone when the list is full.
uint32_t captionAdd(CaptionList& list, const Caption& caption);
// Overwrites a slot whole, colour reset to (1, 1, 1, 0.667); an index at or beyond count is
// ignored.
void captionSet(CaptionList& list, uint32_t index, const char* text, float scale, float x, float y);
// The slot for an in-place write, or null when the index is at or beyond count.
Caption* captionAt(CaptionList& list, uint32_t index);
// The distance the pen travels: the sum of advance * scale. Needs no GL.
float textWidth(const char* text, float scale);
// Lays out every caption into the vertex arrays; returns the number of vertices written.
int captionListBuild(CaptionList& list);
// Relies on the overlay pass's state: pixel orthographic projection, depth test off, alpha
// blending. The draw is issued even when nothing was laid out.
void captionListDraw(CaptionList& list);
void captionListFree(CaptionList& list);
