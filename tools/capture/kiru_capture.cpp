// kiru-capture: runs the demo's real start-up and frame loop in a window, without sleeping, and
// writes chosen frames as RGB PNGs, read from the back buffer before each swap.
#include <SDL.h>
#include <SDL_image.h>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/demo.h"
#include "app/demo_state.h"
#include "capture/capture_options.h"
#include "capture/frame_grab.h"
#include "render/frame.h"
#include "scenes/scene1.h"

namespace {

constexpr int kBadArguments = 2;
constexpr int kPlatformFailure = 1;

const char kUsage[] =
    "usage: kiru-capture [--size WxH] [--frames LIST] [--out DIR]\n"
    "  --size WxH     window size, both multiples of 4 (default 800x600)\n"
    "  --frames LIST  frames to write, counted from 1, like 1-120,480,900-910 (default 1)\n"
    "  --out DIR      folder for frame-000123.png files (default capture)\n";

bool writePng(const std::string& path, int32_t width, int32_t height, uint8_t* rgb) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(rgb, width, height, 24, width * 3,
                                                              SDL_PIXELFORMAT_RGB24);
    if (surface == nullptr) {
        return false;
    }
    const bool written = IMG_SavePNG(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return written;
}

} // namespace

int main(int argc, char* argv[]) {
    CaptureOptions options;
    std::string error;
    if (!captureOptionsParse(argc, argv, options, error)) {
        std::fprintf(stderr, "kiru-capture: %s\n", error.c_str());
        return kBadArguments;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!captureOutDirPrepare(options.outDir, error)) {
        std::fprintf(stderr, "kiru-capture: %s\n", error.c_str());
        return kBadArguments;
    }

    CommandLine window;
    window.width = options.width;
    window.height = options.height;
    window.fullScreen = false;
    if (!demoStart(window, Pacing::Unpaced)) {
        std::fprintf(stderr, "kiru-capture: %s\n", platformFailure());
        return kPlatformFailure;
    }
    scene1Setup();

    const uint32_t last = frameListLast(options.frames);
    const bool showProgress = isatty(STDERR_FILENO) != 0 && last > 1;
    std::vector<uint8_t> pixels(static_cast<size_t>(options.width) * options.height * 3);
    int status = 0;
    for (uint32_t frame = 1; frame <= last && demoState.running; ++frame) {
        demoUpdateScene();
        composeFramePasses();
        if (frameListContains(options.frames, frame)) {
            frameGrab(options.width, options.height, GL_RGB, pixels.data());
            const std::string path = captureFramePath(options.outDir, frame);
            if (!writePng(path, options.width, options.height, pixels.data())) {
                std::fprintf(stderr, "\nkiru-capture: cannot write %s: %s\n", path.c_str(),
                             IMG_GetError());
                status = kPlatformFailure;
                break;
            }
        }
        SDL_GL_SwapWindow(demoState.window);
        pumpEvents();
        demoState.frameCount += 1;
        if (showProgress) {
            std::fprintf(stderr, "\rframe %u of %u", frame, last);
        }
    }
    if (showProgress) {
        std::fputc('\n', stderr);
    }
    if (status == 0 && !demoState.running) {
        std::fprintf(stderr, "kiru-capture: the window was closed before frame %u\n", last);
        status = kPlatformFailure;
    }
    platformShutdown();
    return status;
}
