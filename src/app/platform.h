#pragma once
// The platform: SDL window with its GL context, GLEW, PNG decoding, events, lasting GL state.

#include <cstdint>

// The two builds differ only here: the subsystems started, the double-buffer request, and the
// sleep after each frame.
enum class Pacing : uint8_t { Paced, Unpaced };

// Starts SDL, opens the window (full-screen at the desktop size, or width x height), creates the
// GL context, loads GL 2.0 through GLEW and starts PNG decoding. False after any failure, with
// everything made so far released.
bool platformInit(int32_t width, int32_t height, bool fullScreen, Pacing pacing);

// The start-up step that last failed, in plain words ("" when none did). The demo itself stays
// silent; tools say it.
const char* platformFailure();

// Drains the event queue; a close request or Escape pressed clears demoState.running.
void pumpEvents();

// Clear colour, texturing on unit 0, blending, no culling, scissor or stencil.
void setInitialGlState();

// IMG_Quit, the GL context, SDL_Quit.
void platformShutdown();
