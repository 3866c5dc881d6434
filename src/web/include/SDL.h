#pragma once
// The web build's <SDL.h>: only the SDL names that the shared sources use (a window handle, the
// buffer swap, the window size and 8-bit RGBA surfaces), backed by src/web/platform_web.cpp. The
// native build includes the real SDL.

#include <cstdint>

using Uint32 = uint32_t;

struct SDL_Window; // never defined: the web has the page's canvas instead

// Bytes R, G, B, A in memory: the one format the web build's surfaces have.
inline constexpr Uint32 SDL_PIXELFORMAT_RGBA32 = 0x16762004u; // SDL's ABGR8888 on little-endian

struct SDL_PixelFormat {
    Uint32 format;
};

struct SDL_Surface {
    SDL_PixelFormat* format;
    int w;
    int h;
    int pitch;
    void* pixels;
};

// The canvas size in pixels.
void SDL_GetWindowSize(SDL_Window* window, int* width, int* height);
// Nothing: the browser shows the canvas once the frame's callback returns.
void SDL_GL_SwapWindow(SDL_Window* window);
// Null: every surface is RGBA32 already, so the shared code never needs to convert one.
SDL_Surface* SDL_ConvertSurfaceFormat(SDL_Surface* surface, Uint32 format, Uint32 flags);
void SDL_FreeSurface(SDL_Surface* surface);
inline int SDL_LockSurface(SDL_Surface*) {
    return 0;
}
inline void SDL_UnlockSurface(SDL_Surface*) {}
