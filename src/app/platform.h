#pragma once
// The platform: SDL window with its GL context, GLEW, PNG decoding, events, lasting GL state.

#include <cstdint>

// The two builds differ only here: the subsystems started, the double-buffer request, and the
// sleep after each frame.
enum class Pacing : uint8_t { Paced, Unpaced };

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

// Drains the event queue; a close request or Escape pressed clears demoState.running.
void pumpEvents();

// Clear colour, texturing on unit 0, blending, no culling, scissor or stencil.
void setInitialGlState();

// IMG_Quit, the GL context, SDL_Quit.
void platformShutdown();
