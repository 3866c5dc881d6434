#pragma once

// Small value types shared by the renderer, the drawables and the scenes.

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// A colour as four floats in 0..1.
struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

// Floats per vertex in the drawables' client-side arrays.
inline constexpr int kPositionFloats = 3;
inline constexpr int kColorFloats = 4;
inline constexpr int kTexcoordFloats = 2;
