// The web build's platform (app/platform.h): the page's canvas with a WebGL 1 context in place of
// SDL's window and GL context, the keyboard and clicks of the page, and the few SDL and SDL_image
// calls of the shared sources (src/web/include), with PNGs decoded by stb_image.
#include <SDL.h>
#include <SDL_image.h>
#include <cmath>
#include <cstring>
#include <emscripten/html5.h>

#include "app/demo_state.h"
#include "app/platform.h"
#include "render/gl.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {

constexpr char kCanvas[] = "#canvas";

const char* failure = "";
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
bool escapePressed = false;
SDL_PixelFormat rgba32 = {SDL_PIXELFORMAT_RGBA32};

bool fail(const char* what) {
    failure = what;
    return false;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (std::strcmp(event->key, "Escape") != 0) {
        return EM_FALSE;
    }
    escapePressed = true;
    return EM_TRUE;
}

EM_BOOL onClick(int, const EmscriptenMouseEvent*, void*) {
    // Within the click's own handler, as browsers require; the canvas keeps its pixel size and
    // the browser scales it to the screen.
    emscripten_request_fullscreen(kCanvas, EM_FALSE);
    return EM_TRUE;
}

} // namespace

// The canvas stands for the window: fullScreen sizes it to the page's window in device pixels,
// otherwise it is width x height. The size is read here once and kept, whatever the window does
// later. Pacing makes no difference: the browser paces every frame.
bool platformInit(int32_t width, int32_t height, bool fullScreen, Pacing, Headless) {
    failure = "";
    const double ratio = emscripten_get_device_pixel_ratio();
    if (fullScreen) {
        double cssWidth = 0.0;
        double cssHeight = 0.0;
        emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
        width = static_cast<int32_t>(std::lround(cssWidth * ratio));
        height = static_cast<int32_t>(std::lround(cssHeight * ratio));
    }
    if (width <= 0 || height <= 0 ||
        emscripten_set_canvas_element_size(kCanvas, width, height) != EMSCRIPTEN_RESULT_SUCCESS) {
        return fail("could not size the canvas");
    }
    emscripten_set_element_css_size(kCanvas, width / ratio, height / ratio);

    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE; // transparent black shows black, as in the native window
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    context = emscripten_webgl_create_context(kCanvas, &attributes);
    if (context <= 0) {
        return fail("could not create a WebGL context");
    }
    emscripten_webgl_make_context_current(context);
    kglInit();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKeyDown);
    emscripten_set_click_callback(kCanvas, nullptr, EM_TRUE, onClick);
    return true;
}

const char* platformFailure() {
    return failure;
}

// Escape, pressed since the last call, ends the run; the page has no close request.
void pumpEvents() {
    if (escapePressed) {
        demoState.running = false;
    }
}

void platformShutdown() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_click_callback(kCanvas, nullptr, EM_TRUE, nullptr);
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(context);
    context = 0;
}

void SDL_GetWindowSize(SDL_Window*, int* width, int* height) {
    emscripten_get_canvas_element_size(kCanvas, width, height);
}

void SDL_GL_SwapWindow(SDL_Window*) {}

SDL_Surface* SDL_ConvertSurfaceFormat(SDL_Surface*, Uint32, Uint32) {
    return nullptr;
}

void SDL_FreeSurface(SDL_Surface* surface) {
    if (surface != nullptr) {
        stbi_image_free(surface->pixels);
        delete surface;
    }
}

SDL_Surface* IMG_Load(const char* path) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path, &width, &height, &channels, 4);
    if (pixels == nullptr) {
        return nullptr;
    }
    return new SDL_Surface{&rgba32, width, height, width * 4, pixels};
}
