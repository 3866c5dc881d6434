#include "render/texture.h"

#include <SDL.h>
#include <SDL_image.h>

namespace {

// SDL_PIXELFORMAT_RGBA32 is the format whose bytes are R, G, B, A in memory on every host.
bool isPackedRgba(const SDL_Surface* surface) {
    return surface->format->format == SDL_PIXELFORMAT_RGBA32 && surface->pitch == surface->w * 4;
}

} // namespace

GLuint createTexture(SDL_Surface* surface) {
    if (!isPackedRgba(surface)) {
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
        SDL_FreeSurface(surface);
        if (converted == nullptr || !isPackedRgba(converted)) {
            SDL_FreeSurface(converted);
            return 0;
        }
        surface = converted;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    SDL_LockSurface(surface);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, surface->w, surface->h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 surface->pixels);
    SDL_UnlockSurface(surface);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP_TO_EDGE));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP_TO_EDGE));
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    SDL_FreeSurface(surface);
    return texture;
}

GLuint textureLoad(const char* path) {
    SDL_Surface* surface = IMG_Load(path);
    return surface != nullptr ? createTexture(surface) : 0;
}
