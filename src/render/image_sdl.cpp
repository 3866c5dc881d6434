// The native image decoder: SDL2_image, started by the platform with PNG support.
#include <SDL.h>
#include <SDL_image.h>

#include "render/image.h"

namespace {

const char* failure = "";

// SDL_PIXELFORMAT_RGBA32 is the format whose bytes are R, G, B, A in memory on every host.
bool isPackedRgba(const SDL_Surface* surface) {
    return surface->format->format == SDL_PIXELFORMAT_RGBA32 && surface->pitch == surface->w * 4;
}

} // namespace

bool imageLoad(const char* path, Image& image) {
    image = {};
    SDL_Surface* surface = IMG_Load(path);
    if (surface == nullptr) {
        failure = IMG_GetError();
        return false;
    }
    if (!isPackedRgba(surface)) {
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
        SDL_FreeSurface(surface);
        if (converted == nullptr || !isPackedRgba(converted)) {
            failure = "its pixels cannot be turned into 8-bit RGBA";
            SDL_FreeSurface(converted);
            return false;
        }
        surface = converted;
    }
    SDL_LockSurface(surface);
    image = {surface->w, surface->h, static_cast<const uint8_t*>(surface->pixels), surface};
    return true;
}

const char* imageFailure() {
    return failure;
}

void imageFree(Image& image) {
    if (auto* surface = static_cast<SDL_Surface*>(image.owner)) {
        SDL_UnlockSurface(surface);
        SDL_FreeSurface(surface);
    }
    image = {};
}
