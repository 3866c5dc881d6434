#include "capture/capture_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/demo.h"
#include "capture/capture_system.h"
#include "capture/capture_worker.h"
#include "capture/frame_read.h"
#include "capture/multisample.h"
#include "capture/video_file.h"
#include "render/texture.h"
#include "stage/demo_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// The progress line is rewritten at most this often, and at the last frame.
constexpr double kProgressSeconds = 0.25;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string minutes(double seconds) {
    const auto whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
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

// The composed frame into the worker's next buffer, or with no worker drawn to the end as a
// read-back would wait for; then queued, unless drawing or reading it raised an OpenGL error.
// The failure, or "".
std::string frameTake(CaptureWorker* worker, const CaptureOptions& options, uint32_t frame) {
    if (worker != nullptr) {
        frameRead(options.width, options.height, GL_RGBA, worker->buffer());
    } else {
        glFinish();
    }
    if (const GLenum failure = glGetError(); failure != GL_NO_ERROR) {
        return "frame " + std::to_string(frame) + ": drawing or reading it back raised OpenGL's " +
               glErrorName(failure);
    }
    if (worker != nullptr) {
        worker->submit(frame, !options.outDir.empty());
    }
    return "";
}

} // namespace

int captureQuit(int status, const std::string& message) {
    std::fprintf(stderr, "kiru-capture: %s\n", printable(message).c_str());
    captureFoldersRemoveEmpty();
    return status;
}

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

bool captureOpen(const CaptureOptions& options, Multisample& multisample, VideoFile& video,
                 std::string& error) {
    CommandLine window;
    window.width = options.width;
    window.height = options.height;
    window.fullScreen = false;
    if (!demoStart(window, Pacing::Unpaced, Headless::Allowed)) {
        error = platformFailure();
        return false;
    }
    // The demo runs on without an image; a capture would write wrong frames.
    if (*textureLoadFailure() != '\0') {
        error = textureLoadFailure();
    } else if (startCheck(options.width, options.height, error) &&
               (options.samples == 0 || multisampleStart(multisample, options.samples,
                                                         options.width, options.height, error)) &&
               (options.videoPath.empty() ||
                video.open(options.videoPath, options.width, options.height, options.crf, error))) {
        return true;
    }
    platformShutdown();
    return false;
}

Progress progressStart(const std::vector<FrameRange>& frames, uint32_t last) {
    Progress progress;
    progress.shown = standardErrorIsTerminal() && last > 1;
    progress.last = last;
    for (uint32_t frame = 1; progress.shown && frame <= last; ++frame) {
        progress.listedLeft += frameListContains(frames, frame) ? 1 : 0;
    }
    return progress;
}

void progressFrameDone(Progress& progress, uint32_t frame, bool listed, double seconds) {
    Progress& p = progress;
    (listed ? p.listedSeconds : p.otherSeconds) += seconds;
    (listed ? p.listedDone : p.otherDone) += 1;
    p.listedLeft -= listed ? 1 : 0;
    if (!p.shown || (secondsSince(p.shownAt) < kProgressSeconds && frame < p.last)) {
        return;
    }
    const double fps = (frame - p.shownFrame) / secondsSince(p.shownAt);
    const double perListed = p.listedDone > 0 ? p.listedSeconds / p.listedDone : 0.0;
    const double perOther = p.otherDone > 0 ? p.otherSeconds / p.otherDone : 0.0;
    const uint32_t othersLeft = p.last - frame - p.listedLeft;
    const double left = p.listedLeft * perListed + othersLeft * perOther;
    std::fprintf(stderr, "\rframe %u of %u, %.1f fps, %s left\033[K", frame, p.last, fps,
                 minutes(left).c_str());
    std::fflush(stderr);
    p.onScreen = true;
    p.shownAt = Clock::now();
    p.shownFrame = frame;
}

void progressEnd(Progress& progress, bool completed) {
    if (progress.onScreen && completed) {
        const double seconds = secondsSince(progress.startedAt);
        std::fprintf(stderr, "\rframe %u of %u, %.1f fps, done in %s\033[K\n", progress.last,
                     progress.last, progress.last / seconds, minutes(seconds).c_str());
    } else if (progress.onScreen) {
        std::fputs("\r\033[K", stderr);
    }
    progress.onScreen = false;
}

CaptureEnd capturePlay(const CaptureOptions& options, Multisample& multisample,
                       CaptureWorker* worker, Progress& progress) {
    CaptureEnd end;
    end.last = frameListLast(options.frames);
    while (end.played < end.last && stopSignalNumber() == 0 && demoState.running &&
           end.failure.empty() && !(worker != nullptr && worker->failed())) {
        const uint32_t frame = end.played + 1;
        const Clock::time_point start = Clock::now();
        const bool listed = frameListContains(options.frames, frame);
        if (listed && !end.firstListed) {
            end.firstListed = start;
            end.processorAtFirst = processorSeconds();
        }
        demoUpdate(1);
        if (listed) {
            if (multisample.framebuffer != 0) {
                multisampleBind(multisample);
                demoCompose();
                multisampleResolve(multisample);
            } else {
                demoCompose();
            }
            end.failure = frameTake(worker, options, frame);
            demoPresent();
        }
        demoFrameEnd(0);
        end.listed += listed ? 1 : 0;
        end.played = frame;
        progressFrameDone(progress, frame, listed, secondsSince(start));
    }
    multisampleStop(multisample); // the frames are done
    return end;
}

void captureFinish(const CaptureOptions& options, CaptureWorker* worker, VideoFile& video,
                   CaptureEnd& end) {
    std::string error;
    if (worker != nullptr && !worker->finish(error) && end.failure.empty()) {
        end.failure = error;
    }
    // A stop (a signal or the window's close) before the first frame leaves no video to keep:
    // what was there stays.
    const bool stopped = stopSignalNumber() != 0 || !demoState.running;
    const bool videoKept = !stopped || video.frames() > 0;
    if (!options.videoPath.empty() && end.failure.empty() && videoKept && !video.finish(error)) {
        end.failure = error;
    }
    end.stopSignal = stopSignalNumber();
    end.windowClosed = !demoState.running;
}

void captureStatsPrint(const CaptureOptions& options, const CaptureEnd& end) {
    if (!options.stats) {
        return;
    }
    std::printf("%u frames in %.3f s, %.3f s of processor time\n", end.listed,
                end.firstListed ? secondsSince(*end.firstListed) : 0.0,
                end.firstListed ? processorSeconds() - end.processorAtFirst : 0.0);
}

CaptureStatus captureStatus(const CaptureEnd& end) {
    const std::string when = std::to_string(end.played) + " of " + std::to_string(end.last);
    if (!end.failure.empty() || !end.outputFailure.empty()) {
        return {kFailure, !end.failure.empty() ? end.failure : end.outputFailure};
    }
    if (end.stopSignal != 0) {
        return {128 + end.stopSignal,
                "stopped by " + stopSignalName(end.stopSignal) + " after frame " + when};
    }
    if (end.windowClosed) {
        return {kWindowClosed, "the window was closed after frame " + when};
    }
    return {};
}
