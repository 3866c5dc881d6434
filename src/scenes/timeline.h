#pragma once
// What every scene shares: the fixed frame step and small helpers for single-precision rules.

#include <cstdint>

#include "stage/demo_state.h"

// Scene time advances by this every update, whatever the real frame time.
inline constexpr float kFrameStep = 1.0f / 60.0f;
// Captions fade in and out by this much alpha a second.
inline constexpr float kCaptionFadeRate = 0.8f;

// Scene rules are windows of scene time, open at both ends: a rule never acts at the exact moment
// its window opens or closes.
inline bool after(float t, float start) {
    return t > start;
}
inline bool before(float t, float end) {
    return t < end;
}
inline bool between(float t, float start, float end) {
    return after(t, start) && before(t, end);
}

inline float clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

// The screen size as floats, converted from the unsigned pixel counts.
inline float screenW() {
    return static_cast<float>(demoState.screenWidth);
}
inline float screenH() {
    return static_cast<float>(demoState.screenHeight);
}

// Caption slots of the demo state as list indices (-1 reads as an index every write skips).
inline uint32_t slotIndex(int32_t slot) {
    return static_cast<uint32_t>(slot);
}

// Black captions fading out: full at from, gone 1.25 s later.
inline Color captionFadeOut(float t, float from) {
    return {0.0f, 0.0f, 0.0f, clamp01(1.0f - (t - from) * kCaptionFadeRate)};
}

// A scene's end: its clock back to 0, the next scene's number and that scene's set-up, all in the
// update that ends it.
inline void sceneHandOver(float& sceneTime, int32_t next, void (*nextSetup)()) {
    sceneTime = 0.0f;
    demoState.sceneNumber = next;
    nextSetup();
}

// The scenes' captions are always those of the demo's one list.
inline void captionSet(uint32_t index, const char* text, float scale, float x, float y) {
    captionSet(captions, index, text, scale, x, y);
}

// In-place colour write of a caption slot, skipped when the slot is not in the list.
inline void captionColorSet(int32_t slot, Color color) {
    if (Caption* caption = captionAt(captions, slotIndex(slot))) {
        caption->color = color;
    }
}
