#pragma once
// A PNG file's size, read from its first bytes before anything is decoded, so that an image too
// large to draw is refused without the memory and time its decoding would take.

#include <cstddef>
#include <cstdint>

// The signature, then the first chunk's length and type, then the IHDR's width and height.
inline constexpr size_t kPngHeaderBytes = 24;

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    const char* failure = nullptr; // why the bytes cannot start a PNG; null when they can
};

// The size from the first count bytes of a file. Fails, naming the reason, when the bytes do not
// begin with the PNG signature, end before the height, hold a first chunk other than a 13-byte
// IHDR, or give a side of 0 or above 2^31 - 1 (which no PNG has).
PngHeader pngHeaderRead(const uint8_t* bytes, size_t count);
