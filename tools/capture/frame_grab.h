#pragma once
// Reading a composed frame back from the buffer it was drawn into, before the swap.

#include <cstdint>

#include "render/gl.h"

// Reads width x height pixels of the buffer being drawn (the back buffer of a window, the one
// buffer of SDL's offscreen EGL surface) as GL_RGB, GL_RGBA or GL_BGRA bytes (pack alignment 1)
// into out, bottom row first as GL gives them.
void frameRead(int32_t width, int32_t height, GLenum format, uint8_t* out);

// frameRead, then rows flipped so that out's first row is the top of the screen.
void frameGrab(int32_t width, int32_t height, GLenum format, uint8_t* out);
