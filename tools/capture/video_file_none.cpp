// The video writer of a build without FFmpeg's libraries (Windows): kiru-capture refuses --video
// before anything starts, so nothing here is reached but the destructor.
#include "capture/video_file.h"

namespace {
const char kReason[] =
    "this kiru-capture writes no video: FFmpeg's libraries are not built for Windows (write PNG "
    "stills with --out, and make the video from them elsewhere)";
}

const char* videoUnavailableReason() {
    return kReason;
}

VideoFile::~VideoFile() = default;

bool VideoFile::open(const std::string&, int32_t, int32_t, int, std::string& error) {
    error = kReason;
    return false;
}

bool VideoFile::add(const uint8_t*, std::string& error) {
    error = kReason;
    return false;
}

bool VideoFile::finish(std::string& error) {
    error = kReason;
    return false;
}

void VideoFile::discard() {}
