#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "capture/capture_options.h"
#include "capture/video_file.h"

namespace {

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
    args.insert(args.begin(), "kiru-capture");
    return captureOptionsParse(static_cast<int>(args.size()), args.data(), options, error);
}

// Stills of frame 1 at 800x600 in "capture" by default; a video alone is one whole loop, no
// stills, at CRF 18. A bad frame list or argument is refused with its reason in one line.
TEST(CaptureOptions, FrameListsFlagsDefaultsAndBadArguments) {
    std::vector<FrameRange> ranges;
    std::string error;
    ASSERT_TRUE(frameListParse("1-3,480,900-910,10000000", ranges, error)) << error;
    EXPECT_EQ(frameListLast(ranges), 10000000u);
    // clang-format off
    for (const auto& [frame, listed] : {std::pair{0u, false}, {1u, true}, {3u, true}, {4u, false},
             {479u, false}, {480u, true}, {481u, false}, {899u, false}, {900u, true}, {910u, true},
             {911u, false}, {10000000u, true}}) {
        // clang-format on
        EXPECT_EQ(frameListContains(ranges, frame), listed) << frame;
    }
    for (const char* text : {"", "0", "0-5", "5-3", "1,", ",1", "1,,2", "1-", "-5", "1-2-3", "a",
                             "1 2", "+1", " 1", "1.5", "10000001", "99999999999999999999"}) {
        EXPECT_TRUE(!frameListParse(text, ranges, error) && !error.empty()) << '"' << text << '"';
    }
    using Parsed = std::tuple<int, int, std::string, size_t, uint32_t, uint32_t, int, bool>;
    const std::pair<std::vector<const char*>, Parsed> cases[] = {
        {{}, {800, 600, "capture", 1, 1, 1, 18, false}},
        {{"--size", "16384x4", "--out", "stills", "--frames", "2"},
         {16384, 4, "stills", 1, 2, 2, 18, false}},
        {{"--video", "v.mp4"}, {800, 600, "", 1, 1, 4023, 18, false}},
        {{"--video", "v.mp4", "--out", "s", "--crf", "0"}, {800, 600, "s", 1, 1, 4023, 0, false}},
        // 512 x 272 macroblocks: the most that H.264's largest level holds.
        {{"--size", "8192x4352", "--video", "v.mp4"}, {8192, 4352, "", 1, 1, 4023, 18, false}},
        {{"--help"}, {800, 600, "capture", 1, 1, 1, 18, true}},
    };
    // A build without video (Windows) refuses every --video with its reason, before the rest.
    const std::string noVideo = videoUnavailableReason();
    for (const auto& [args, parsed] : cases) {
        CaptureOptions o;
        const bool video =
            std::find(args.begin(), args.end(), std::string("--video")) != args.end();
        if (video && !noVideo.empty()) {
            EXPECT_TRUE(!parse(args, o, error) && error == noVideo) << error;
            continue;
        }
        ASSERT_TRUE(parse(args, o, error)) << error;
        EXPECT_EQ(Parsed(o.width, o.height, o.outDir, o.frames.size(), o.frames[0].first,
                         o.frames[0].last, o.crf, o.help),
                  parsed);
        EXPECT_EQ(error.find("--video") != std::string::npos, o.help) << "usage: " << error;
    }
    // clang-format off
    const std::vector<const char*> bad[] = {
        {"--size", "642x480"}, {"--size", "0x480"}, {"--size", "-640x480"}, {"--size", "640"},
        {"--size", "640x480x2"}, {"--size", "16388x480"}, {"--size"}, {"--frames", "0"},
        {"--out", ""}, {"--video", ""}, {"--crf", "52"}, {"--crf", "x"}, {"--fps", "60"},
        {"--dry-run", "--video", "v.mp4"}, {"stills"}, {"--size", "8196x4352", "--video", "v.mp4"},
        {"--size", "16384x16384", "--video", "v.mp4"}};
    // clang-format on
    for (const auto& args : bad) {
        CaptureOptions options;
        EXPECT_FALSE(parse(args, options, error)) << testing::PrintToString(args);
        EXPECT_TRUE(!error.empty() && error.find('\n') == std::string::npos) << error;
    }
    EXPECT_EQ(printable("a\nb\tc\x1b\x7f"), "a\\nb\\tc\\x1b\\x7f");
}

// A number past the last frame is told as such, with the limit.
TEST(CaptureOptions, AFramePastTheLastNamesTheLimit) {
    std::vector<FrameRange> ranges;
    std::string error;
    for (const char* text : {"10000001", "1-10000001", "5,99999999999999999999"}) {
        EXPECT_FALSE(frameListParse(text, ranges, error)) << text;
        EXPECT_NE(error.find("passes the last frame, 10000000"), std::string::npos) << error;
    }
}

// The Windows build writes no video: it refuses every --video first (the table above).
#ifndef _WIN32
// A video where one of the listed stills goes, or named as the stills' folder, is refused as a
// clash, told in one line; a still that is not listed, or another folder's, is no clash (and then
// refused for its ending).
TEST(CaptureOptions, AVideoAmongTheStillsIsRefused) {
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"--video", "v.mp4", "--out", "v.mp4"}, "is the stills' folder"},
        {{"--video", "./s/", "--out", "s"}, "is the stills' folder"},
        {{"--video", "a/../v.mp4", "--out", "v.mp4"}, "is the stills' folder"},
        {{"--video", "/../v.mp4", "--out", "/v.mp4"}, "is the stills' folder"},
        {{"--frames", "1-3", "--out", "s", "--video", "s/frame-000002.png"}, "still of frame 2"},
        {{"--frames", "2", "--out", "./s//", "--video", "s/./frame-000002.png"},
         "still of frame 2"},
        {{"--frames", "2", "--out", ".", "--video", "frame-000002.png"}, "still of frame 2"},
        // No clash: then only a video's own endings are taken.
        {{"--frames", "3", "--out", "s", "--video", "s/frame-000002.png"}, "must end in"},
        {{"--frames", "2", "--out", "s", "--video", "t/frame-000002.png"}, "must end in"},
        {{"--frames", "2", "--out", "s", "--video", "s/frame-0000002.png"}, "must end in"},
        {{"--frames", "2", "--out", "s", "--video", "s/frame-000002.mp4"}, nullptr},
    };
    for (const auto& [args, says] : cases) {
        CaptureOptions options;
        std::string error;
        const bool parsed = parse(args, options, error);
        EXPECT_EQ(parsed, says == nullptr) << testing::PrintToString(args);
        if (says != nullptr) {
            EXPECT_NE(error.find(says), std::string::npos) << error;
        }
    }
}
#endif

// A run split into jobs: the listed frames each once and in order, every job but the last a
// whole number of key intervals (counted in listed frames), no job empty; a video's interval is
// its format's, stills have none.
TEST(CaptureOptions, JobsSplitTheListedFramesOnKeyFrames) {
    const struct {
        std::vector<FrameRange> frames;
        uint32_t jobs, key;
        const char* lists;
    } cases[] = {
        {{{1300, 1400}}, 3, 30, "1300-1329 1330-1359 1360-1400"},
        {{{1, 100}}, 4, 30, "1-30 31-60 61-100"},
        {{{5, 9}, {1, 3}, {4, 4}, {8, 12}, {14, 14}}, 2, 1, "1-6 7-12,14"},
        {{{1, 3}, {10, 12}}, 2, 1, "1-3 10-12"},
        {{{7, 8}}, 5, 1, "7 8"},
    };
    for (const auto& [frames, jobs, key, lists] : cases) {
        std::string text;
        for (const auto& list : frameListSplit(frames, jobs, key)) {
            text += (text.empty() ? "" : " ") + frameListText(list);
        }
        EXPECT_EQ(text, lists);
    }
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--frames", "1-10", "--list-jobs", "2"}, options, error)) << error;
    for (const auto& [video, lists] :
         {std::pair{"", "1-5\n6-10\n"}, {"v.mkv", "1-5\n6-10\n"}, {"v.webm", "1-10\n"}}) {
        options.videoPath = video;
        EXPECT_EQ(captureJobsText(options), lists) << video;
    }
    EXPECT_FALSE(parse({"--list-jobs", "0"}, options, error));
}

} // namespace
