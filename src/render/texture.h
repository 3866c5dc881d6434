#pragma once
// Decoded images into GL textures.

#include "render/gl.h"

struct SDL_Surface;

// Uploads the surface as tightly packed 8-bit RGBA (converting other formats first), sets linear
// filtering and edge clamping, frees the surface and returns the texture, left bound to
// GL_TEXTURE_2D. Returns 0 when a surface in another format cannot be converted.
GLuint createTexture(SDL_Surface* surface);

// IMG_Load and createTexture; 0 when the image does not load. Each call makes a texture of its own.
GLuint textureLoad(const char* path);
