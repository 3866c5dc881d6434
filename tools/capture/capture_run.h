#pragma once
// The steps of a kiru-capture run that main() takes in order: the demo's start with the checks a
// capture needs, the frame loop that reads, checks and hands each listed frame to the writer,
// the finish of the writers, and the one rule that picks the exit status.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_options.h"

class CaptureWorker;
class VideoFile;
struct Multisample;

// Exit statuses besides 0 and 128 + a stop signal's number. kFailure: the unfinished file is
// removed; kWindowClosed: a viewer's stop, which like a stop signal keeps what was written.
inline constexpr int kFailure = 1;
inline constexpr int kBadArguments = 2;
inline constexpr int kWindowClosed = 3;

// Prints "kiru-capture: MESSAGE" (control characters escaped), removes the empty folders the
// run made, and returns status.
int captureQuit(int status, const std::string& message);

// Standard output's buffered writes and its close: false with the reason when any failed. A
// standard output closed before the start is no failure when nothing was written to it.
bool standardOutputClose(std::string& error);

// Starts the demo at the options' size with every image loaded, checks the GL's limits and
// error queue, makes the multisampled framebuffer when --samples asks for one, and opens the
// video when one is asked for. False with the reason, the platform shut down again, when any of
// these fails.
bool captureOpen(const CaptureOptions& options, Multisample& multisample, VideoFile& video,
                 std::string& error);

// On a terminal, one line on standard error rewritten in place: frame n of m, frames per
// second, time left (from the time listed and unlisted frames have taken so far).
struct Progress {
    bool shown = false;
    bool onScreen = false;
    uint32_t last = 0;
    uint32_t listedLeft = 0;
    uint32_t listedDone = 0;
    uint32_t otherDone = 0;
    double listedSeconds = 0.0;
    double otherSeconds = 0.0;
    std::chrono::steady_clock::time_point startedAt = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shownAt = startedAt;
    uint32_t shownFrame = 0;
};
Progress progressStart(const std::vector<FrameRange>& frames, uint32_t last);
void progressFrameDone(Progress& progress, uint32_t frame, bool listed, double seconds);
// Ends the line: a summary when the run completed, erased before a message.
void progressEnd(Progress& progress, bool completed);

// What a run came to, as captureStatus weighs it.
struct CaptureEnd {
    std::string failure;       // the first failure drawing, reading or writing; "" for none
    std::string outputFailure; // standard output's write or close
    int stopSignal = 0;        // the first stop signal's number, 0 for none
    bool windowClosed = false;
    uint32_t played = 0; // frames played, of last
    uint32_t last = 0;
    uint32_t listed = 0; // listed frames played
    std::optional<std::chrono::steady_clock::time_point> firstListed;
    double processorAtFirst = 0.0; // processorSeconds() as the first listed frame began
};

// Plays frames 1 to the last listed: each is updated, and a listed one is composed (into the
// multisampled framebuffer when there is one, then resolved into the window's), read back into
// worker (null: only drawn to the end, for --dry-run), checked for an OpenGL error and queued
// before its swap. Stops after the frame in which a stop signal came, the window closed, or
// something failed. The multisampled framebuffer is released after the last frame.
CaptureEnd capturePlay(const CaptureOptions& options, Multisample& multisample,
                       CaptureWorker* worker, Progress& progress);

// Writes what the worker holds and completes the video (unless a failure or a stop before its
// first frame leaves none to keep), noting the first failure in end.
void captureFinish(const CaptureOptions& options, CaptureWorker* worker, VideoFile& video,
                   CaptureEnd& end);

// With --stats, "N frames in S s, P s of processor time" on standard output.
void captureStatsPrint(const CaptureOptions& options, const CaptureEnd& end);

struct CaptureStatus {
    int status = 0;
    std::string message; // the one line that says why, unless status is 0
};
// A failure while drawing or writing comes first (1), then a failed standard output (1), then a
// stop: a stop signal (128 + its number) or else a closed window (kWindowClosed).
CaptureStatus captureStatus(const CaptureEnd& end);
