#pragma once
// Decoded images, as the texture upload takes them. The decoder is the platform's: SDL2_image
// natively (render/image_sdl.cpp), stb_image on the web.

#include <cstdint>

// width x height pixels of 4 bytes R, G, B, A, rows from the top, tightly packed.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* pixels = nullptr;
    void* owner = nullptr; // the decoder's own record, released by imageFree
};

// Decodes the image file at path into 8-bit RGBA, converting other pixel formats. False, with the
// image left empty, when it cannot be read or decoded; imageFailure then says why.
bool imageLoad(const char* path, Image& image);
// The decoder's reason for the last failed imageLoad, on one line.
const char* imageFailure();
void imageFree(Image& image);
