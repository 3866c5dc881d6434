#pragma once
// Rendering tests share one real GL context: an 800 x 600 window started by the demo's own
// start-up (all resources created, captions added), made by gl_main.cpp before any test runs.

#include <cstdint>

inline constexpr int32_t kHarnessWidth = 800;
inline constexpr int32_t kHarnessHeight = 600;

// Everything off or empty: boxes (box A at the origin, unturned) and fields invisible, emitters off
// and empty, panels of no size and alpha 0, every caption empty; camera at (0, 0, 5) looking at the
// origin with the up vector the start-up gave it; the screen size of the window.
void harnessClearScene();
