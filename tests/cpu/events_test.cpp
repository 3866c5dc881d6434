// The event pump against SDL's own queue, fed without a window.
#include <gtest/gtest.h>

#include <SDL.h>
#include <vector>

#include "app/platform.h"
#include "stage/demo_state.h"

namespace {

SDL_Event key(Uint32 type, SDL_Keycode sym) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = sym;
    return event;
}

TEST(PumpEvents, EscapePressedOrAQuitEndsTheRunAndTheQueueIsDrained) {
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const struct {
        std::vector<SDL_Event> events;
        bool running;
    } cases[] = {
        {{key(SDL_KEYUP, SDLK_ESCAPE)}, true},
        {{key(SDL_KEYDOWN, SDLK_a), key(SDL_KEYUP, SDLK_a)}, true},
        {{key(SDL_KEYDOWN, SDLK_ESCAPE)}, false},
        {{key(SDL_KEYDOWN, SDLK_a), quit, key(SDL_KEYUP, SDLK_ESCAPE), key(SDL_KEYDOWN, SDLK_b)},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        demoState.running = true;
        for (SDL_Event event : c.events) {
            ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        }
        pumpEvents();
        EXPECT_EQ(demoState.running, c.running);
        EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
    }
    demoState.running = true;
    SDL_Quit();
}

} // namespace
