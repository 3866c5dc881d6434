#pragma once
// Command line of kiru-capture: [--size WxH] [--frames LIST] [--out DIR].

#include <cstdint>
#include <string>
#include <vector>

// Frames first..last, both included, counted from 1.
struct FrameRange {
    uint32_t first;
    uint32_t last;
};

// Largest frame number accepted: about 46 hours of demo time at 60 frames a second.
inline constexpr uint32_t kMaxCaptureFrame = 10000000;

// Parses "1-120,480,900-910" into ranges. False, with a reason, for an empty list or item,
// anything but digits, '-' and ',', frame 0, a range that runs backwards, or a number past
// kMaxCaptureFrame.
bool frameListParse(const char* text, std::vector<FrameRange>& ranges, std::string& error);

bool frameListContains(const std::vector<FrameRange>& ranges, uint32_t frame);
uint32_t frameListLast(const std::vector<FrameRange>& ranges);

struct CaptureOptions {
    int32_t width = 800;
    int32_t height = 600;
    std::vector<FrameRange> frames{{1, 1}};
    std::string outDir = "capture";
    bool help = false;
};

// Parses the arguments (argv[0] is the program). False, with a one-line reason, for an unknown
// flag, a missing value, a size that is not two positive multiples of 4 up to 16384 joined by
// 'x', or a bad frame list. The output folder is not touched here.
bool captureOptionsParse(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

// Creates the folder (and its parents) if needed and checks that files can be made in it.
bool captureOutDirPrepare(const std::string& dir, std::string& error);

// "DIR/frame-000123.png".
std::string captureFramePath(const std::string& dir, uint32_t frame);
