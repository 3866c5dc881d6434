// The web build's platform (app/platform.h): the page's canvas with a WebGL 1 context in place of
// SDL's window and GL context, the keyboard and clicks of the page, and the tab's title.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <emscripten/html5.h>

#include "app/platform.h"
#include "app/platform_failure.h"
#include "render/gl.h"
#include "stage/demo_state.h"

namespace {

constexpr char kCanvas[] = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
bool escapePressed = false;

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

// A browser gives a smaller drawing buffer than the canvas asks for when it cannot hold it, and
// would scale every frame to fit: such a size is refused rather than drawn wrong.
bool drawingBufferHolds(int32_t width, int32_t height) {
    int32_t drawnWidth = 0;
    int32_t drawnHeight = 0;
    platformDrawableSize(drawnWidth, drawnHeight);
    GLint most[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, most);
    if (drawnWidth == width && drawnHeight == height && width <= most[0] && height <= most[1]) {
        return true;
    }
    char line[160];
    std::snprintf(line, sizeof line,
                  "this browser cannot draw %dx%d pixels (it gives %dx%d, at most %dx%d)", width,
                  height, drawnWidth, drawnHeight, most[0], most[1]);
    return platformFail(line);
}

} // namespace

// The canvas stands for the window: fullScreen sizes it to the page's window in device pixels,
// otherwise it is width x height. The size is read here once and kept, whatever the window does
// later. Pacing makes no difference: the browser paces every frame.
bool platformInit(int32_t width, int32_t height, bool fullScreen, Pacing, Headless) {
    platformFailClear();
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
        return platformFail("could not size the canvas");
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
        return platformFail("could not create a WebGL context");
    }
    emscripten_webgl_make_context_current(context);
    if (!drawingBufferHolds(width, height)) {
        platformShutdown();
        return false;
    }
    kglInit();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKeyDown);
    emscripten_set_click_callback(kCanvas, nullptr, EM_TRUE, onClick);
    return true;
}

void platformWindowSize(int32_t& width, int32_t& height) {
    emscripten_get_canvas_element_size(kCanvas, &width, &height);
}

void platformDrawableSize(int32_t& width, int32_t& height) {
    emscripten_webgl_get_drawing_buffer_size(context, &width, &height);
}

// The browser shows the canvas once the frame's callback returns.
void platformSwap() {}

void platformTitleSet(const char* title) {
    emscripten_set_window_title(title);
}

// Never needed: the browser paces every frame, and a page must not block.
void platformDelay(uint32_t) {}

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
