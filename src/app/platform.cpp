#include "app/platform.h"

#include <SDL.h>
#include <SDL_image.h>

#include "app/demo_state.h"
#include "render/gl.h"

namespace {

const char* failure = "";

bool fail(const char* what) {
    failure = what;
    return false;
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

} // namespace

bool platformInit(int32_t width, int32_t height, bool fullScreen, Pacing pacing) {
    failure = "";
    const Uint32 subsystems =
        pacing == Pacing::Paced ? (SDL_INIT_TIMER | SDL_INIT_VIDEO) : SDL_INIT_VIDEO;
    if (SDL_Init(subsystems) != 0) {
        return fail("could not start SDL video (is there a display?)");
    }
    if (pacing == Pacing::Paced) {
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    }
    const Uint32 flags =
        fullScreen ? (SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_OPENGL) : SDL_WINDOW_OPENGL;
    if (SDL_CreateWindowAndRenderer(width, height, flags, &demoState.window, &demoState.renderer) !=
        0) {
        SDL_Quit();
        return fail("could not open the window");
    }
    demoState.glContext = SDL_GL_CreateContext(demoState.window);
    if (demoState.glContext == nullptr) {
        SDL_DestroyRenderer(demoState.renderer);
        SDL_DestroyWindow(demoState.window);
        SDL_Quit();
        return fail("could not create an OpenGL context");
    }
    const char* step = nullptr;
    if (glewInit() != GLEW_OK) {
        step = "could not load the OpenGL entry points";
    } else if (!hasGl20()) {
        step = "OpenGL 2.0 or later is needed";
    } else if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0) {
        step = "PNG decoding is not available";
    }
    if (step != nullptr) {
        SDL_GL_DeleteContext(demoState.glContext);
        SDL_DestroyRenderer(demoState.renderer);
        SDL_DestroyWindow(demoState.window);
        SDL_Quit();
        return fail(step);
    }
    return true;
}

const char* platformFailure() {
    return failure;
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

void setInitialGlState() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
}

void platformShutdown() {
    IMG_Quit();
    SDL_GL_DeleteContext(demoState.glContext);
    SDL_Quit();
}
