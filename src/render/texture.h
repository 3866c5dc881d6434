#pragma once
// Decoded images into GL textures.

#include "render/gl.h"
#include "render/image.h"

// Uploads the image as it is (8-bit RGBA, rows from the top, no flip), sets linear filtering and
// edge clamping and returns the texture, left bound to GL_TEXTURE_2D.
GLuint createTexture(const Image& image);

// Finds the file among the resource folders, decodes it and uploads it; 0 when it cannot, and the
// first such failure is kept for textureLoadFailure. Each call makes a texture of its own.
GLuint textureLoad(const char* name);

// "" while every image has loaded; otherwise one line naming the first image that did not, and
// why.
const char* textureLoadFailure();
