#pragma once
// The web build's <SDL_image.h>: IMG_Load over stb_image (web/platform_web.cpp).

#include <SDL.h>

// The image at path (in the page's packaged files) as a packed RGBA32 surface, with grey, grey
// and alpha, and RGB images converted as SDL_ConvertSurfaceFormat would; null when it does not
// load.
SDL_Surface* IMG_Load(const char* path);
