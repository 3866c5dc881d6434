// kiru-capture: runs the demo's real start-up and frame loop without pacing and writes the listed
// frames as PNG stills, as a video (MP4, WebM or the lossless MKV: capture/video_format.h) or
// both, read from the drawn buffer before each swap.
// Frames before and between the listed ones are updated but not drawn. main() is the run's steps;
// each is capture_run.h's, and the exit status is captureStatus's.
// The command line as the system gives it (on Windows in its code page, as the C runtime's file
// calls take names), not through SDL's entry adapter.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/platform.h"
#include "capture/capture_destinations.h"
#include "capture/capture_options.h"
#include "capture/capture_run.h"
#include "capture/capture_system.h"
#include "capture/capture_worker.h"
#include "capture/multisample.h"
#include "capture/video_file.h"

int main(int argc, char* argv[]) {
    SDL_SetMainReady();
    captureSystemStart();
    CaptureOptions options;
    std::string text;
    std::vector<std::string> folders;
    if (!captureOptionsParse(argc, argv, options, text)) {
        return captureQuit(kBadArguments, text);
    }
    if (options.help || options.listJobs > 0) {
        std::fputs((options.help ? text : captureJobsText(options)).c_str(), stdout);
        return standardOutputClose(text) ? 0 : captureQuit(kFailure, text);
    }
    if (!captureOutputsCheck(options, folders, text)) {
        return captureQuit(kBadArguments, text);
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    stopSignalsCatch();
    captureStaleRemove(options);
    Multisample multisample;
    VideoFile video;
    if (!captureFoldersMake(folders, text) || !captureOpen(options, multisample, video, text)) {
        return captureQuit(kFailure, text);
    }
    std::optional<CaptureWorker> worker;
    if (!options.dryRun) {
        worker.emplace(options.width, options.height, options.outDir,
                       options.videoPath.empty() ? nullptr : &video);
    }
    Progress progress = progressStart(options.frames, frameListLast(options.frames));
    CaptureEnd end = capturePlay(options, multisample, worker ? &*worker : nullptr, progress);
    captureFinish(options, worker ? &*worker : nullptr, video, end);
    captureStatsPrint(options, end);
    if (!standardOutputClose(text)) {
        end.outputFailure = text;
    }
    const CaptureStatus status = captureStatus(end);
    progressEnd(progress, status.status == 0);
    platformShutdown();
    video.discard(); // before its folder is removed
    return status.status == 0 ? 0 : captureQuit(status.status, status.message);
}
