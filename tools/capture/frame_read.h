#pragma once
// Reading a composed frame back from the buffer it was drawn into, before the swap, and the limits
// and errors of the GL that drew it.

#include <cstdint>
#include <string>

#include "render/gl.h"

// Reads width x height pixels of the buffer being drawn (the back buffer of a window, the one
// buffer of SDL's offscreen EGL surface) as GL_RGB, GL_RGBA or GL_BGRA bytes (pack alignment 1)
// into out, bottom row first as GL gives them.
void frameRead(int32_t width, int32_t height, GLenum format, uint8_t* out);

// What the GL implementation and the window let a frame be.
struct FrameLimits {
    int32_t viewportWidth = 0; // GL_MAX_VIEWPORT_DIMS
    int32_t viewportHeight = 0;
    int32_t renderbufferSide = 0; // GL_MAX_RENDERBUFFER_SIZE; 0 without framebuffer objects
    int32_t drawableWidth = 0;    // the drawable the window actually got
    int32_t drawableHeight = 0;
};

// The current context's limits, with the drawable's size as the window reports it.
FrameLimits frameLimitsQuery(int32_t drawableWidth, int32_t drawableHeight);

// "" when a width x height frame can be drawn and read back whole; otherwise the limit it
// passes, such as "the largest viewport here is 8192x8192".
std::string frameLimitProblem(const FrameLimits& limits, int32_t width, int32_t height);

// "GL_INVALID_OPERATION" and the like; "0x...." for a code it does not know.
std::string glErrorName(GLenum code);
