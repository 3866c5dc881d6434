// Preloaded into a demo build by bench/pacing_bench.sh: counts the frames it presents and says, at
// exit, how many a second it presented from the first on.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

static long presented = 0;
static double first = -1.0;

static double secondsNow(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

void SDL_GL_SwapWindow(void* window) {
    static void (*swap)(void*) = NULL;
    if (swap == NULL) {
        *(void**)&swap = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    }
    if (first < 0.0) {
        first = secondsNow();
    }
    presented += 1;
    swap(window);
}

__attribute__((destructor)) static void report(void) {
    const double seconds = secondsNow() - first;
    if (presented > 1) {
        fprintf(stderr, "%ld frames in %.2f s: %.2f frames a second\n", presented, seconds,
                (double)(presented - 1) / seconds);
    }
}
