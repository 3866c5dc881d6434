#include "capture/video_format.h"

#include <algorithm>
#include <cctype>

const char* const kVideoEndings = ".mp4 (H.264), .webm (VP9) or .mkv (lossless FFV1)";

const VideoFormat* videoFormatOf(const std::string& path, std::string& reason) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // A name ending in '/' names a folder: the destination check says so.
    while (lower.ends_with('/')) {
        lower.pop_back();
    }
    const size_t slash = lower.rfind('/');
    const std::string name = slash == std::string::npos ? lower : lower.substr(slash + 1);
    for (const VideoFormat* format : {&kVideoMp4, &kVideoWebm, &kVideoMkv}) {
        const std::string ending = format->ending;
        if (name.size() > ending.size() && name.ends_with(ending)) {
            return format;
        }
    }
    reason = "the video \"" + path + "\" must end in " + std::string(kVideoEndings);
    return nullptr;
}
