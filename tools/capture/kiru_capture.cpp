// kiru-capture: runs the demo's real start-up and frame loop without pacing and writes the listed
// frames as PNG stills, as an H.264 video or both, read from the drawn buffer before each swap.
// Frames before and between the listed ones are updated but not drawn.
// The command line as the system gives it (on Windows in its code page, as the C runtime's file
// calls take names), not through SDL's entry adapter.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/demo.h"
#include "capture/capture_options.h"
#include "capture/capture_system.h"
#include "capture/capture_worker.h"
#include "capture/frame_grab.h"
#include "capture/video_file.h"
#include "render/texture.h"
#include "stage/demo_state.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBadArguments = 2;
constexpr int kFailure = 1;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string minutes(double seconds) {
    const auto whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// On a terminal, one line on standard error rewritten in place: frame n of m, frames per
// second, time left (from the time listed and unlisted frames have taken so far).
class Progress {
  public:
    Progress(const std::vector<FrameRange>& frames, uint32_t last)
        : shown_(standardErrorIsTerminal() && last > 1), last_(last) {
        for (uint32_t frame = 1; shown_ && frame <= last; ++frame) {
            listedLeft_ += frameListContains(frames, frame) ? 1 : 0;
        }
    }

    void frameDone(uint32_t frame, bool listed, double seconds) {
        (listed ? listedSeconds_ : otherSeconds_) += seconds;
        (listed ? listedDone_ : otherDone_) += 1;
        listedLeft_ -= listed ? 1 : 0;
        if (!shown_ || (secondsSince(shownAt_) < 0.25 && frame < last_)) {
            return;
        }
        const double fps = (frame - shownFrame_) / secondsSince(shownAt_);
        const double perListed = listedDone_ > 0 ? listedSeconds_ / listedDone_ : 0.0;
        const double perOther = otherDone_ > 0 ? otherSeconds_ / otherDone_ : 0.0;
        const uint32_t othersLeft = last_ - frame - listedLeft_;
        const double left = listedLeft_ * perListed + othersLeft * perOther;
        std::fprintf(stderr, "\rframe %u of %u, %.1f fps, %s left\033[K", frame, last_, fps,
                     minutes(left).c_str());
        std::fflush(stderr);
        onScreen_ = true;
        shownAt_ = Clock::now();
        shownFrame_ = frame;
    }

    // Ends the line: a summary when the run completed, erased before a message.
    void end(bool completed) {
        if (onScreen_ && completed) {
            const double seconds = secondsSince(startedAt_);
            std::fprintf(stderr, "\rframe %u of %u, %.1f fps, done in %s\033[K\n", last_, last_,
                         last_ / seconds, minutes(seconds).c_str());
        } else if (onScreen_) {
            std::fputs("\r\033[K", stderr);
        }
        onScreen_ = false;
    }

  private:
    bool shown_;
    bool onScreen_ = false;
    uint32_t last_;
    uint32_t listedLeft_ = 0;
    uint32_t listedDone_ = 0;
    uint32_t otherDone_ = 0;
    double listedSeconds_ = 0.0;
    double otherSeconds_ = 0.0;
    Clock::time_point startedAt_ = Clock::now();
    Clock::time_point shownAt_ = startedAt_;
    uint32_t shownFrame_ = 0;
};

// A run's outcome: its status and, unless it succeeded, the one line that says why.
struct Outcome {
    int status = 0;
    std::string message;
    void failure(int code, const std::string& why) {
        if (status == 0 || status > kFailure) { // a write error outranks an interruption
            status = code;
            message = why;
        }
    }
};

// Standard output's buffered writes and its close: false with the reason when any failed. A
// standard output closed before the start is no failure when nothing was written to it.
bool standardOutputClose(std::string& error) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    int code = errno;
    if (std::fclose(stdout) != 0 && errno != EBADF) {
        code = code != 0 ? code : errno;
    } else if (flushed) {
        return true;
    }
    error = std::string("cannot write to standard output: ") +
            (code != 0 ? std::strerror(code) : "a write failed");
    return false;
}

// The start-up leaves OpenGL's error queue empty (Mesa, under GLX and EGL alike), so an error in
// it is a fault to report rather than one to drain. The frames must be drawn and read back whole:
// the limits are checked before the first frame.
bool startCheck(int32_t width, int32_t height, std::string& error) {
    if (const GLenum failure = glGetError(); failure != GL_NO_ERROR) {
        error = "the start-up raised OpenGL's " + glErrorName(failure);
        return false;
    }
    int32_t drawableWidth = 0;
    int32_t drawableHeight = 0;
    platformDrawableSize(drawableWidth, drawableHeight);
    const std::string problem =
        frameLimitProblem(frameLimitsQuery(drawableWidth, drawableHeight), width, height);
    if (!problem.empty()) {
        error = "cannot draw " + std::to_string(width) + "x" + std::to_string(height) +
                " frames: " + problem;
    }
    return problem.empty();
}

// A listed frame, composed and not yet presented: read back into the worker's next buffer, unless
// drawing or reading it raised a GL error.
struct FrameReadBack {
    CaptureWorker* worker;
    int32_t width;
    int32_t height;
    uint32_t frame;
    bool still;
    Outcome* outcome;
};

void readBack(void* context) {
    auto& read = *static_cast<FrameReadBack*>(context);
    if (read.worker != nullptr) {
        frameRead(read.width, read.height, GL_RGBA, read.worker->buffer());
    } else {
        glFinish(); // render-only: drawn to the end, as a read-back would wait for
    }
    if (const GLenum failure = glGetError(); failure != GL_NO_ERROR) {
        read.outcome->failure(kFailure, "frame " + std::to_string(read.frame) +
                                            ": drawing or reading it back raised OpenGL's " +
                                            glErrorName(failure));
    } else if (read.worker != nullptr) {
        read.worker->submit(read.frame, read.still);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    SDL_SetMainReady();
    captureSystemStart();
    CaptureOptions options;
    std::string text;
    std::vector<std::string> folders;
    if (!captureOptionsParse(argc, argv, options, text) ||
        (!options.help && !captureOutputsCheck(options, folders, text))) {
        std::fprintf(stderr, "kiru-capture: %s\n", printable(text).c_str());
        return kBadArguments;
    }
    if (options.help) {
        std::fputs(text.c_str(), stdout);
        if (!standardOutputClose(text)) {
            std::fprintf(stderr, "kiru-capture: %s\n", text.c_str());
            return kFailure;
        }
        return 0;
    }
    Outcome outcome;
    const auto quit = [&](int status, const std::string& message) {
        std::fprintf(stderr, "kiru-capture: %s\n", printable(message).c_str());
        captureFoldersRemoveEmpty();
        return status;
    };
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    stopSignalsCatch();
    if (!captureFoldersMake(folders, text)) {
        return quit(kFailure, text);
    }
    CommandLine window;
    window.width = options.width;
    window.height = options.height;
    window.fullScreen = false;
    if (!demoStart(window, Pacing::Unpaced, Headless::Allowed)) {
        return quit(kFailure, platformFailure());
    }
    // The demo runs on without an image; a capture would write wrong frames.
    if (*textureLoadFailure() != '\0') {
        platformShutdown();
        return quit(kFailure, textureLoadFailure());
    }

    const int32_t width = options.width;
    const int32_t height = options.height;
    VideoFile video;
    if (!startCheck(width, height, text) ||
        (!options.videoPath.empty() &&
         !video.open(options.videoPath, width, height, options.crf, text))) {
        platformShutdown();
        return quit(kFailure, text);
    }
    std::optional<CaptureWorker> worker;
    if (!options.dryRun) {
        worker.emplace(width, height, options.outDir, options.videoPath.empty() ? nullptr : &video);
    }

    const uint32_t last = frameListLast(options.frames);
    Progress progress(options.frames, last);
    std::optional<Clock::time_point> firstListed;
    double processorAtFirst = 0.0;
    uint32_t listed = 0;
    uint32_t played = 0;
    while (played < last && stopSignalNumber() == 0 && demoState.running && outcome.status == 0 &&
           !(worker && worker->failed())) {
        const uint32_t frame = played + 1;
        const Clock::time_point start = Clock::now();
        const bool wanted = frameListContains(options.frames, frame);
        if (wanted && !firstListed) {
            firstListed = start;
            processorAtFirst = processorSeconds();
        }
        FrameReadBack read{worker ? &*worker : nullptr, width,   height, frame,
                           !options.outDir.empty(),     &outcome};
        demoFrame({.draw = wanted, .inspect = readBack, .context = &read});
        listed += wanted ? 1 : 0;
        played = frame;
        progress.frameDone(frame, wanted, secondsSince(start));
    }

    if (worker && !worker->finish(text)) {
        outcome.failure(kFailure, text);
    }
    // A stop before the first frame leaves no video to keep: what was there stays.
    const bool videoKept = stopSignalNumber() == 0 || video.frames() > 0;
    if (!options.videoPath.empty() && outcome.status == 0 && videoKept && !video.finish(text)) {
        outcome.failure(kFailure, text);
    }
    const std::string when = std::to_string(played) + " of " + std::to_string(last);
    if (const int stop = stopSignalNumber(); stop != 0) {
        outcome.failure(128 + stop, "stopped by " + stopSignalName(stop) + " after frame " + when);
    } else if (!demoState.running) {
        outcome.failure(kFailure, "the window was closed after frame " + when);
    }
    if (options.stats) {
        std::printf("%u frames in %.3f s, %.3f s of processor time\n", listed,
                    firstListed ? secondsSince(*firstListed) : 0.0,
                    firstListed ? processorSeconds() - processorAtFirst : 0.0);
    }
    if (!standardOutputClose(text)) {
        outcome.failure(kFailure, text);
    }
    progress.end(outcome.status == 0);
    platformShutdown();
    video.discard(); // before its folder is removed
    return outcome.status == 0 ? 0 : quit(outcome.status, outcome.message);
}
