#pragma once
// Rendering tests share one real GL context: an 800 x 600 window started by the demo's own
// start-up (all resources created, captions added), made by gl_main.cpp before any test runs.

#include <cstdint>
#include <vector>

inline constexpr int32_t kHarnessWidth = 800;
inline constexpr int32_t kHarnessHeight = 600;

struct Rgba {
    uint8_t r, g, b, a;
};

// A frame read back from the back buffer, top row first.
struct Frame {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bytes; // RGBA
    Rgba at(int32_t x, int32_t y) const {
        const uint8_t* p = &bytes[(static_cast<size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

// Everything off or empty: boxes and fields invisible, emitters off and empty, panels of no
// size and alpha 0, every caption empty; camera at (0, 0, 5) looking at the origin.
void harnessClearScene();

// composeFramePasses, read the back buffer, then swap.
Frame harnessCompose();
