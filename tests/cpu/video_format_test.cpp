#include <gtest/gtest.h>

#include "capture/capture_options.h"
#include "capture/video_format.h"

namespace {

// The ending alone picks the format, in any letter case; any other name is refused with one
// line that lists the three endings.
TEST(VideoFormat, TheNamesEndingPicksTheFormat) {
    const struct {
        const char* path;
        const char* encoder; // nullptr: refused
    } cases[] = {
        {"demo.mp4", "libx264"},     {"out/Demo.MP4", "libx264"}, {"a.b/demo.webm", "libvpx-vp9"},
        {"demo.WebM", "libvpx-vp9"}, {"master.mkv", "ffv1"},      {"/tmp/x.y.mkv", "ffv1"},
        {"demo.txt", nullptr},       {"demo", nullptr},           {"demo.mp4.part", nullptr},
        {"demo.mov", nullptr},       {"demo.mp4/", "libx264"},    {"dir.mkv/demo", nullptr},
        {".mp4", nullptr},           {"demo.mk", nullptr},
    };
    for (const auto& [path, encoder] : cases) {
        std::string reason;
        const VideoFormat* format = videoFormatOf(path, reason);
        EXPECT_STREQ(format != nullptr ? format->encoder : nullptr, encoder) << path;
        if (encoder == nullptr) {
            EXPECT_NE(reason.find(".mp4 (H.264), .webm (VP9) or .mkv (lossless FFV1)"),
                      std::string::npos)
                << reason;
            EXPECT_NE(reason.find(path), std::string::npos) << reason;
        }
    }
}

// The Windows build writes no video: its option parser refuses every --video first.
#ifndef _WIN32
// --crf is on the chosen encoder's own scale with its own default; the lossless master takes
// none; H.264's macroblock limit binds the MP4 only. Refusals are one line.
TEST(VideoFormat, QualityFollowsTheEncoderAndOtherNamesAreRefused) {
    const struct {
        std::vector<const char*> args;
        int crf; // -1: refused
        const char* says;
    } cases[] = {
        {{"--video", "v.mp4"}, 18, ""},
        {{"--video", "v.mp4", "--crf", "51"}, 51, ""},
        {{"--video", "v.mp4", "--crf", "52"}, -1, "0 to 51 for .mp4"},
        {{"--video", "v.webm"}, 32, ""},
        {{"--video", "v.webm", "--crf", "0"}, 0, ""},
        {{"--video", "v.webm", "--crf", "63"}, 63, ""},
        {{"--video", "v.webm", "--crf", "64"}, -1, "0 to 63 for .webm"},
        {{"--video", "v.webm", "--crf", "-1"}, -1, "0 to 63 for .webm"},
        {{"--video", "v.mkv"}, 0, ""},
        {{"--video", "v.mkv", "--crf", "0"}, -1, "lossless .mkv"},
        {{"--video", "v.txt"}, -1, "must end in .mp4"},
        {{"--video", "v.mkv", "--size", "16384x16384"}, 0, ""},
        {{"--video", "v.webm", "--size", "8196x4352"}, 32, ""},
        {{"--video", "v.mp4", "--size", "8196x4352"}, -1, "too large for an H.264 video"},
    };
    for (const auto& [args, crf, says] : cases) {
        std::vector<const char*> argv{"kiru-capture"};
        argv.insert(argv.end(), args.begin(), args.end());
        CaptureOptions options;
        std::string error;
        const bool parsed =
            captureOptionsParse(static_cast<int>(argv.size()), argv.data(), options, error);
        EXPECT_EQ(parsed, crf >= 0) << testing::PrintToString(args) << ": " << error;
        EXPECT_EQ(parsed ? options.crf : -1, crf) << testing::PrintToString(args);
        EXPECT_TRUE(parsed || (error.find(says) != std::string::npos &&
                               error.find('\n') == std::string::npos))
            << error;
    }
}
#endif

} // namespace
