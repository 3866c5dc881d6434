#pragma once
// Reading a composed frame back from the back buffer, before the swap.

#include <cstdint>

#include "render/gl.h"

// Reads width x height pixels of the back buffer as GL_RGB or GL_RGBA bytes (pack alignment 1)
// into out, rows flipped so that out's first row is the top of the screen.
void frameGrab(int32_t width, int32_t height, GLenum format, uint8_t* out);
