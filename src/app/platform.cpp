#include "app/platform.h"

#include <SDL.h>
#include <SDL_image.h>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/platform_failure.h"
#include "app/wayland_seat.h"
#include "render/gl.h"
#include "render/resources.h"
#include "stage/demo_state.h"

namespace {

// Set when the Wayland compositor offers no seat, which SDL 2.26.5 cannot start without.
bool waylandSeatless = false;
constexpr char kSeatless[] = "the Wayland compositor has no seat for input, which SDL needs";
SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_GLContext glContext = nullptr;

bool envSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

bool videoDriverBuilt(const char* name) {
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        if (std::strcmp(SDL_GetVideoDriver(i), name) == 0) {
            return true;
        }
    }
    return false;
}

// Over an empty SDL_VIDEODRIVER too, which would otherwise outrank the hint.
void driversSet(const char* drivers) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, drivers, SDL_HINT_OVERRIDE);
}

// Unless SDL_VIDEODRIVER names the drivers, a capture with no display named in the environment
// goes straight to SDL's offscreen driver (not to a console through KMSDRM), and Wayland is left
// out where it cannot be reached: libwayland would print its own complaint about
// XDG_RUNTIME_DIR on standard error. A system without X11 or Wayland (Windows) always has its
// desktop, and SDL's own choice stands.
//
// A compositor without a seat is left out in the same way (the capture renders offscreen, as with
// no display), and where SDL_VIDEODRIVER names Wayland the start-up fails before SDL would crash.
// False then.
bool chooseVideoDrivers(Headless headless) {
    waylandSeatless = false;
    // SDL takes an empty SDL_VIDEODRIVER as none.
    const char* hint = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool named = hint != nullptr && *hint != '\0';
    if (named && std::strstr(hint, "wayland") != nullptr &&
        waylandSeatProbe() == WaylandSeat::Missing) {
        return platformFail("no display", kSeatless);
    }
    if (named || !(videoDriverBuilt("x11") || videoDriverBuilt("wayland"))) {
        return true;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool waylandNamed = envSet("WAYLAND_DISPLAY") || envSet("WAYLAND_SOCKET");
    if (headless == Headless::Allowed && !waylandNamed && !envSet("DISPLAY")) {
        driversSet("offscreen");
        return true;
    }
    if (envSet("WAYLAND_SOCKET") || envSet("XDG_RUNTIME_DIR") ||
        (wayland != nullptr && wayland[0] == '/')) {
        waylandSeatless = waylandSeatProbe() == WaylandSeat::Missing;
        if (!waylandSeatless) {
            return true;
        }
        if (headless == Headless::Allowed && !envSet("DISPLAY")) {
            driversSet("offscreen");
            return true;
        }
    }
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        if (std::strcmp(SDL_GetVideoDriver(i), "wayland") != 0) {
            drivers += (drivers.empty() ? "" : ",") + std::string(SDL_GetVideoDriver(i));
        }
    }
    driversSet(drivers.c_str());
    return true;
}

bool invisible(const char* driver) {
    return driver != nullptr &&
           (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// glewInit succeeds on contexts older than 2.0, whose shader entry points stay null.
bool hasGl20() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version == nullptr) {
        return false;
    }
    int major = 0;
    for (; *version >= '0' && *version <= '9'; ++version) {
        major = major * 10 + (*version - '0');
    }
    return major >= 2 && GLEW_VERSION_2_0;
}

// Adaptive vsync where the driver has it (a late frame is shown at once instead of waiting a
// whole refresh), plain vsync otherwise. A driver may refuse both, or accept and not wait; the
// real-time frame loop then paces itself.
void requestVsync() {
    if (SDL_GL_SetSwapInterval(-1) != 0) {
        SDL_GL_SetSwapInterval(1);
    }
}

// Images are looked for beside the program too, wherever it was started from.
void findProgramFolder() {
    char* folder = SDL_GetBasePath();
    resourceProgramFolderSet(folder != nullptr ? folder : "");
    SDL_free(folder);
}

} // namespace

bool platformInit(int32_t width, int32_t height, bool fullScreen, Pacing pacing,
                  Headless headless) {
    platformFailClear();
    const char* hint = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool driversNamed = hint != nullptr && *hint != '\0';
    if (!chooseVideoDrivers(headless)) {
        return false;
    }
    const bool paced = pacing != Pacing::Unpaced;
    const Uint32 subsystems = paced ? (SDL_INIT_TIMER | SDL_INIT_VIDEO) : SDL_INIT_VIDEO;
    if (SDL_Init(subsystems) != 0) {
        return platformFail("no display", SDL_GetError());
    }
    if (invisible(SDL_GetCurrentVideoDriver())) {
        // Left to choose, SDL tries X11 before its offscreen and dummy drivers: landing there
        // with a display named means that display could not be opened.
        if (!driversNamed && envSet("DISPLAY") && videoDriverBuilt("x11")) {
            const std::string display = std::getenv("DISPLAY");
            SDL_Quit();
            return platformFail(
                ("no display (cannot open the X display \"" + display + "\")").c_str());
        }
        if (headless == Headless::Refused) {
            SDL_Quit();
            return waylandSeatless
                       ? platformFail("no display", kSeatless)
                       : platformFail("no display (SDL found only its offscreen or dummy "
                                      "video driver)");
        }
    }
    if (paced) {
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    }
    // SDL asks for 16 depth bits, which GLX tops up (Mesa's X11 visuals have 24 or 32) but EGL
    // gives exactly, and the field's columns then cut into each other differently.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    const Uint32 flags =
        fullScreen ? (SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_OPENGL) : SDL_WINDOW_OPENGL;
    if (SDL_CreateWindowAndRenderer(width, height, flags, &window, &renderer) != 0) {
        SDL_Quit();
        return platformFail("could not open the window", SDL_GetError());
    }
    glContext = SDL_GL_CreateContext(window);
    if (glContext == nullptr) {
        SDL_DestroyRenderer(renderer);
        SDL_DestroyWindow(window);
        SDL_Quit();
        return platformFail("could not create an OpenGL context", SDL_GetError());
    }
    // Under EGL (Wayland, SDL's offscreen driver) Debian's GLEW loads every GL entry point and
    // then fails looking for a GLX display; the GL 2.0 check below decides.
    const GLenum glew = glewInit();
    const char* step = nullptr;
    const char* reason = nullptr;
    if (glew != GLEW_OK && glew != GLEW_ERROR_NO_GLX_DISPLAY) {
        step = "could not load the OpenGL entry points";
        reason = reinterpret_cast<const char*>(glewGetErrorString(glew));
    } else if (!hasGl20()) {
        step = "OpenGL 2.0 or later is needed";
        reason = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    } else if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0) {
        step = "PNG decoding is not available";
        reason = IMG_GetError();
    }
    if (step != nullptr) {
        platformFail(step, reason);
        SDL_GL_DeleteContext(glContext);
        SDL_DestroyRenderer(renderer);
        SDL_DestroyWindow(window);
        SDL_Quit();
        return false;
    }
    if (pacing == Pacing::Realtime) {
        requestVsync();
    }
    findProgramFolder();
    return true;
}

void platformWindowSize(int32_t& width, int32_t& height) {
    SDL_GetWindowSize(window, &width, &height);
}

void platformDrawableSize(int32_t& width, int32_t& height) {
    SDL_PumpEvents();
    SDL_GL_GetDrawableSize(window, &width, &height);
}

void platformSwap() {
    SDL_GL_SwapWindow(window);
}

void platformTitleSet(const char* title) {
    SDL_SetWindowTitle(window, title);
}

void platformDelay(uint32_t milliseconds) {
    SDL_Delay(milliseconds);
}

void pumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_QUIT) {
            demoState.running = false;
        } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            demoState.running = false;
        }
    }
}

void platformShutdown() {
    IMG_Quit();
    SDL_GL_DeleteContext(glContext);
    SDL_Quit();
}
