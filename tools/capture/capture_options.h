#pragma once
// kiru-capture's command line read into the options of one run, with the frame lists and the
// stills' names that the run uses.

#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "scenes/loop.h"

// Frames first..last, both included, counted from 1.
struct FrameRange {
    uint32_t first;
    uint32_t last;
};

// Largest frame number accepted, the same as the page's.
inline constexpr uint32_t kMaxCaptureFrame = kMaxFrame;
// The most 16 x 16 macroblocks a frame that H.264's largest level (6.2) allows, as in its
// example size. x264 would encode larger frames, but as a stream that no level covers.
inline constexpr int64_t kMaxVideoMacroblocks = 139264;
inline constexpr int32_t kMaxVideoExampleWidth = 8192;
inline constexpr int32_t kMaxVideoExampleHeight = 4352;
static_assert(int64_t{kMaxVideoExampleWidth / 16} * (kMaxVideoExampleHeight / 16) ==
              kMaxVideoMacroblocks);

// Parses "1-120,480,900-910" into ranges. False, with a reason, for an empty list or item,
// anything but digits, '-' and ',', frame 0, a range that runs backwards, or a number past
// kMaxCaptureFrame (the reason then names the limit).
bool frameListParse(const char* text, std::vector<FrameRange>& ranges, std::string& error);

bool frameListContains(const std::vector<FrameRange>& ranges, uint32_t frame);
uint32_t frameListLast(const std::vector<FrameRange>& ranges);

// The listed frames, each once and in frame order, as the frame lists of at most `jobs` runs side
// by side: job k takes the listed frames from the k-th of `jobs` equal shares on, rounded down
// to a multiple of keyInterval counted in listed frames, so that each job's video starts where
// a single run puts a key frame. A job whose share rounds to nothing gets no list.
std::vector<std::vector<FrameRange>> frameListSplit(const std::vector<FrameRange>& frames,
                                                    uint32_t jobs, uint32_t keyInterval);

// The ranges as --frames takes them: "1-120,480".
std::string frameListText(const std::vector<FrameRange>& ranges);

struct CaptureOptions {
    int32_t width = kDefaultWidth;
    int32_t height = kDefaultHeight;
    std::vector<FrameRange> frames{{1, 1}}; // 1-kLoopFrames when a video is asked for
    std::string outDir = "capture";         // "" when only a video is asked for: no stills
    std::string videoPath;                  // "" for no video
    int crf = 18;        // the video encoder's own default when --crf is not given
    int samples = 0;     // 0: drawn plainly; else one of kSampleCounts, resolved before read-back
    bool dryRun = false; // play the listed frames, read back and write nothing
    bool stats = false;  // print the listed frames' time on standard output
    bool help = false;
    int listJobs = 0; // N: print the jobs' frame lists of a run split N ways, and run nothing
};

// Parses the arguments (argv[0] is the program). False, with the one-line reason in message, for
// the wrong arguments that kiru-capture(1) lists under status 2, but for the destinations on disk:
// names are compared by their text alone and no file is touched (capture_destinations.h checks
// the outputs). With --help, true with options.help set and the usage in message.
bool captureOptionsParse(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& message);

// With --list-jobs N: frameListSplit's lists of the options' frames, a line each, a video's
// split on its format's key frames.
std::string captureJobsText(const CaptureOptions& options);

// "DIR/frame-000123.png".
std::string captureFramePath(const std::string& dir, uint32_t frame);

// The text with control characters shown escaped (\n, \t, \r, \x1b, ...), so that a message
// that echoes it stays on one line.
std::string printable(const std::string& text);
