#pragma once
// Writes tightly packed 8-bit RGBA pixels (rows from the top) as a PNG with colour type RGBA.
// The output carries no time or text chunks, so the same pixels always give the same bytes.

#include <cstdint>

bool writePngRgba(const char* path, int width, int height, const uint8_t* rgba);
