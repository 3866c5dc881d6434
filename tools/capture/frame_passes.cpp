// kiru-frame-passes: one frame of the demo as it stands after each of the composer's passes that
// draws, as PNG stills in an existing folder (DIR/pass-solid.png, pass-particles.png and
// pass-overlay.png), for the pictures of the design page. The start and the read-back are
// kiru-capture's.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "app/demo.h"
#include "capture/capture_run.h"
#include "capture/frame_read.h"
#include "capture/multisample.h"
#include "capture/still_file.h"
#include "capture/video_file.h"
#include "stage/frame.h"

int main(int argc, char* argv[]) {
    SDL_SetMainReady();
    CaptureOptions options;
    uint32_t frame = 0;
    if (argc != 4 || !frameNumberParse(argv[1], frame) ||
        !windowSizeParse(argv[2], options.width, options.height)) {
        std::fputs("usage: kiru-frame-passes FRAME WxH DIR\n", stderr);
        return kBadArguments;
    }
    Multisample multisample;
    VideoFile video;
    std::string error;
    const struct {
        const char* name;
        void (*draw)();
    } passes[] = {{"solid", framePassSolid},
                  {"particles", framePassParticles},
                  {"overlay", framePassOverlay}};
    if (!captureOpen(options, multisample, video, error)) {
        std::fprintf(stderr, "kiru-frame-passes: %s\n", error.c_str());
        return kFailure;
    }
    demoUpdate(static_cast<int32_t>(frame));
    framePassClear();
    std::vector<uint8_t> pixels(size_t(options.width) * size_t(options.height) * 4);
    bool written = true;
    for (size_t i = 0; written && i < std::size(passes); ++i) {
        passes[i].draw();
        frameRead(options.width, options.height, GL_RGBA, pixels.data());
        const std::string path = std::string(argv[3]) + "/pass-" + passes[i].name + ".png";
        written = stillWrite(path, options.width, options.height, pixels.data(), error);
    }
    if (!written) {
        std::fprintf(stderr, "kiru-frame-passes: %s\n", error.c_str());
    }
    platformShutdown();
    return written ? 0 : kFailure;
}
