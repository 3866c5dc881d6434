#include <gtest/gtest.h>

#include "capture/video_format.h"

namespace {

// The ending alone picks the format, in any letter case; any other name is refused with one
// line that lists the three endings. Each format's quality scale is the options' test's.
TEST(VideoFormat, TheNamesEndingPicksTheFormat) {
    const struct {
        const char* path;
        const char* encoder; // nullptr: refused
    } cases[] = {
        {"demo.mp4", "libx264"},     {"out/Demo.MP4", "libx264"}, {"a.b/demo.webm", "libvpx-vp9"},
        {"demo.WebM", "libvpx-vp9"}, {"master.mkv", "ffv1"},      {"/tmp/x.y.mkv", "ffv1"},
        {"demo.txt", nullptr},       {"demo", nullptr},           {"demo.mp4.part", nullptr},
        {"demo.mov", nullptr},       {"demo.mp4/", "libx264"},    {"dir.mkv/demo", nullptr},
        {".mp4", nullptr},           {"demo.mk", nullptr},        {"dir/.mp4", nullptr},
        {"out/x.mp4", "libx264"},
    };
    for (const auto& [path, encoder] : cases) {
        std::string reason;
        const VideoFormat* format = videoFormatOf(path, reason);
        EXPECT_STREQ(format != nullptr ? format->encoder : nullptr, encoder) << path;
        EXPECT_TRUE(encoder != nullptr ||
                    (reason.find(path) != std::string::npos &&
                     reason.ends_with(".mp4 (H.264), .webm (VP9) or .mkv (lossless FFV1)")))
            << reason;
    }
}

} // namespace
