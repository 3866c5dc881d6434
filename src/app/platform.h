#pragma once
// The platform: the window (the page's canvas on the web) with its GL context, image decoding,
// events, the swap and the title. It owns its handles; the rest of the program reaches them only
// through these calls. One unit per platform: app/platform.cpp (SDL), web/platform_web.cpp.

#include <cstdint>
#include <type_traits>

// The sizes below are the window system's own ints, written in place.
static_assert(std::is_same_v<int32_t, int>);

// The three builds differ here and in the frame loop: the subsystems started, the double-buffer
// and swap-interval requests, and how frames are paced (a 16 ms sleep after each, none, or by the
// wall clock with vsync).
enum class Pacing : uint8_t { Paced, Unpaced, Realtime };

// Whether start-up may render where nobody sees it: SDL's offscreen (EGL) or dummy video driver.
// The demo refuses; the capture tool and the rendering tests allow it, and with no display
// named in the environment they ask SDL for the offscreen driver.
enum class Headless : uint8_t { Refused, Allowed };

// Starts SDL, opens the window (full-screen at the desktop size, or width x height), creates the
// GL context, loads GL 2.0 through GLEW and starts PNG decoding. False after any failure, with
// everything made so far released.
bool platformInit(int32_t width, int32_t height, bool fullScreen, Pacing pacing, Headless headless);

// The start-up step that last failed, in plain words on one line ("" when none did), such as
// "no display (...)" or "OpenGL 2.0 or later is needed (...)".
const char* platformFailure();

// The window's size in pixels, as the start-up takes it for a full-screen run.
void platformWindowSize(int32_t& width, int32_t& height);

// The size in pixels of what the frames are drawn into, once pending window events (a window
// manager's resize) have arrived.
void platformDrawableSize(int32_t& width, int32_t& height);

void platformSwap();

void platformTitleSet(const char* title);

void platformDelay(uint32_t milliseconds);

// Drains the event queue; a close request or Escape pressed clears demoState.running.
void pumpEvents();

// Clear colour, texturing on unit 0, blending, no culling, scissor or stencil.
void setInitialGlState();

// Image decoding, the GL context and the window system, in that order.
void platformShutdown();
