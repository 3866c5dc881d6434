// kiru-capture: runs the demo's real start-up and frame loop without pacing and writes the listed
// frames as PNG stills, as an H.264 video or both, read from the drawn buffer before each swap.
// Frames before and between the listed ones are updated but not drawn.
#include <SDL.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "app/demo.h"
#include "capture/capture_options.h"
#include "capture/capture_worker.h"
#include "capture/frame_grab.h"
#include "capture/video_file.h"
#include "render/texture.h"
#include "stage/demo_state.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBadArguments = 2;
constexpr int kFailure = 1;

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int number) {
    stopSignal = number;
}

// SIGINT and SIGTERM end the capture after the current frame; a second one ends it at once.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of every thread of the process so far, user and system.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
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
        : shown_(isatty(STDERR_FILENO) != 0 && last > 1), last_(last) {
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

// A listed frame, composed and not yet presented: read back into the worker's next buffer.
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
    if (read.worker == nullptr) {
        glFinish(); // render-only: drawn to the end, as a read-back would wait for
        return;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    frameRead(read.width, read.height, GL_RGBA, read.worker->buffer());
    const GLenum failure = glGetError();
    if (failure != GL_NO_ERROR) {
        char reason[64];
        std::snprintf(reason, sizeof reason, "cannot read frame %u back (GL error 0x%x)",
                      read.frame, failure);
        read.outcome->failure(kFailure, reason);
        return;
    }
    read.worker->submit(read.frame, read.still);
}

} // namespace

int main(int argc, char* argv[]) {
    // A file-size limit must give a write error to report, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
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
        return 0;
    }
    Outcome outcome;
    const auto quit = [&](int status, const std::string& message) {
        std::fprintf(stderr, "kiru-capture: %s\n", printable(message).c_str());
        captureFoldersRemoveEmpty(folders);
        return status;
    };
    if (!captureFoldersMake(folders, text)) {
        return quit(kFailure, text);
    }

    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    catchStopSignals();
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
    if (!options.videoPath.empty() &&
        !video.open(options.videoPath, width, height, options.crf, text)) {
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
    while (played < last && stopSignal == 0 && demoState.running && outcome.status == 0 &&
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
    if (!options.videoPath.empty() && outcome.status == 0 && !video.finish(text)) {
        outcome.failure(kFailure, text);
    }
    const std::string when = std::to_string(played) + " of " + std::to_string(last);
    if (stopSignal != 0) {
        outcome.failure(128 + stopSignal, std::string("stopped by ") +
                                              (stopSignal == SIGINT ? "SIGINT" : "SIGTERM") +
                                              " after frame " + when);
    } else if (!demoState.running) {
        outcome.failure(kFailure, "the window was closed after frame " + when);
    }
    if (options.stats) {
        std::printf("%u frames in %.3f s, %.3f s of processor time\n", listed,
                    firstListed ? secondsSince(*firstListed) : 0.0,
                    firstListed ? processorSeconds() - processorAtFirst : 0.0);
    }
    progress.end(outcome.status == 0);
    platformShutdown();
    return outcome.status == 0 ? 0 : quit(outcome.status, outcome.message);
}
