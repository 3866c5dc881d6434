#pragma once
// Decoded images into GL textures.

#include <cstdint>
#include <string>
#include <vector>

#include "render/gl.h"
#include "render/image.h"

// No image wider or taller than this is decoded, whatever the GL could take.
inline constexpr int32_t kImageSideLimit = 4096;

// The largest side textureLoad takes: kImageSideLimit or the GL's GL_MAX_TEXTURE_SIZE, whichever
// is smaller.
int32_t textureSideLimit();

// Uploads the image as it is (8-bit RGBA, rows from the top, no flip), sets linear filtering and
// edge clamping and returns the texture, left bound to GL_TEXTURE_2D.
GLuint createTexture(const Image& image);

// Finds the file among the resource folders, reads its PNG header, and decodes and uploads it
// when its sides are within textureSideLimit; 0 when any step fails. Each call makes a texture of
// its own; a name that failed once is not tried again and gives 0 at once.
GLuint textureLoad(const char* name);

// "" while every image has loaded; otherwise the first line of textureLoadFailures.
const char* textureLoadFailure();

// One line for each image name that did not load: the name, where it was looked for or the file
// found, and why.
const std::vector<std::string>& textureLoadFailures();
