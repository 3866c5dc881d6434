#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "capture/capture_options.h"
#include "capture/video_file.h"

namespace {

TEST(CaptureOptions, FrameLists) {
    std::vector<FrameRange> ranges;
    std::string error;
    ASSERT_TRUE(frameListParse("1-3,480,900-910,10000000", ranges, error)) << error;
    EXPECT_EQ(frameListLast(ranges), 10000000u);
    // clang-format off
    for (const auto& [frame, listed] : {std::pair{0u, false}, {1u, true}, {3u, true}, {4u, false},
             {479u, false}, {480u, true}, {481u, false}, {899u, false}, {900u, true}, {910u, true},
             {911u, false}, {10000000u, true}}) {
        EXPECT_EQ(frameListContains(ranges, frame), listed) << frame;
    }
    const char* const kPast = "passes the last frame, 10000000"; // told with the limit
    const std::pair<const char*, const char*> bad[] = {
        {"", "cannot read"}, {"0", "start at 1"}, {"0-5", "start at 1"}, {"5-3", "backwards"},
        {"1,", "cannot read"}, {",1", "cannot read"}, {"1,,2", "cannot read"},
        {"1-", "cannot read"}, {"-5", "cannot read"}, {"1-2-3", "cannot read"},
        {"a", "cannot read"}, {"1 2", "cannot read"}, {"+1", "cannot read"},
        {" 1", "cannot read"}, {"1.5", "cannot read"}, {"10000001", kPast},
        {"1-10000001", kPast}, {"5,90000000000000000000", kPast}};
    // clang-format on
    for (const auto& [text, says] : bad) {
        EXPECT_FALSE(frameListParse(text, ranges, error)) << '"' << text << '"';
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
    EXPECT_EQ(printable("a b\nc\td\x1b\x7f"), "a b\\nc\\td\\x1b\\x7f");
}

// What a parse took, in one line.
std::string taken(const CaptureOptions& o, const std::string& message) {
    char s[200];
    std::snprintf(s, sizeof s, "%dx%d out=%s %u-%u crf %d%s%s%s%s", o.width, o.height,
                  o.outDir.c_str(), o.frames[0].first, o.frames.back().last, o.crf,
                  o.samples != 0 ? (" samples " + std::to_string(o.samples)).c_str() : "",
                  o.dryRun ? " dry-run" : "", o.stats ? " stats" : "",
                  o.help && message.find("--samples N") != std::string::npos ? " usage" : "");
    return s;
}

// Stills of frame 1 at 800x600 in "capture" by default; a video alone is one whole loop, no
// stills, at its encoder's default CRF, on that encoder's own scale (none for the lossless
// master); H.264's macroblock limit binds the MP4 only. A video where a listed still goes, or
// named as the stills' folder, clashes. Everything else is refused with its reason in one line;
// a build without video (Windows) refuses every --video with its reason, before the rest.
TEST(CaptureOptions, WhatIsTakenAndWhyTheRestIsRefused) {
    // clang-format off
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{}, "800x600 out=capture 1-1 crf 18"},
        {{"--size", "16384x4", "--out", "stills", "--frames", "2"}, "16384x4 out=stills 2-2 crf 18"},
        {{"--help"}, "800x600 out=capture 1-1 crf 18 usage"},
        {{"--samples", "4", "--dry-run", "--stats"}, "800x600 out= 1-1 crf 18 samples 4 dry-run stats"},
        {{"--video", "v.mp4"}, "800x600 out= 1-4023 crf 18"},
        {{"--video", "v.mp4", "--out", "s", "--crf", "0"}, "800x600 out=s 1-4023 crf 0"},
        {{"--video", "v.mp4", "--crf", "51"}, "800x600 out= 1-4023 crf 51"},
        {{"--video", "v.webm"}, "800x600 out= 1-4023 crf 32"},
        {{"--video", "v.webm", "--crf", "0"}, "800x600 out= 1-4023 crf 0"},
        {{"--video", "v.webm", "--crf", "63"}, "800x600 out= 1-4023 crf 63"},
        {{"--video", "v.mkv"}, "800x600 out= 1-4023 crf 0"},
        // 512 x 272 macroblocks: the most that H.264's largest level holds.
        {{"--size", "8192x4352", "--video", "v.mp4"}, "8192x4352 out= 1-4023 crf 18"},
        {{"--size", "8196x4352", "--video", "v.mp4"}, "too large for an H.264 video"},
        {{"--size", "16384x16384", "--video", "v.mp4"}, "too large for an H.264 video"},
        {{"--size", "8196x4352", "--video", "v.webm"}, "8196x4352 out= 1-4023 crf 32"},
        {{"--size", "16384x16384", "--video", "v.mkv"}, "16384x16384 out= 1-4023 crf 0"},
        {{"--size", "642x480"}, "bad size \"642x480\""}, {{"--size", "0x480"}, "bad size"},
        {{"--size", "-640x480"}, "bad size"}, {{"--size", "640"}, "bad size"},
        {{"--size", "640x480x2"}, "bad size"}, {{"--size", "16388x480"}, "bad size"},
        {{"--size"}, "--size"}, {{"--frames", "0"}, "start at 1"},
        {{"--out", ""}, "--out needs a folder"}, {{"--video", ""}, "--video needs a file"},
        {{"--crf", "52"}, "0 to 51 for .mp4"}, {{"--crf", "x"}, "--crf"},
        {{"--fps", "60"}, "unknown argument \"--fps\""}, {{"stills"}, "unknown argument \"stills\""},
        {{"--samples", "3"}, "--samples takes 2, 4 or 8, not 3"},
        {{"--list-jobs", "1"}, "800x600 out=capture 1-1 crf 18"},
        {{"--list-jobs", "0"}, "--list-jobs takes 1 or more, not 0"},
        {{"--dry-run", "--out", "s"}, "--dry-run writes nothing"},
        {{"--dry-run", "--video", "v.mp4"}, "--dry-run writes nothing"},
        {{"--video", "v.webm", "--crf", "64"}, "0 to 63 for .webm"},
        {{"--video", "v.webm", "--crf", "-1"}, "0 to 63 for .webm"},
        {{"--video", "v.mkv", "--crf", "0"}, "--crf does not apply to the lossless .mkv"},
        {{"--video", "v.txt"}, "must end in .mp4"},
        {{"--video", "v.mp4", "--out", "v.mp4"}, "is the stills' folder"},
        {{"--video", "./s/", "--out", "s"}, "is the stills' folder"},
        {{"--video", "a/../v.mp4", "--out", "v.mp4"}, "is the stills' folder"},
        {{"--video", "/../v.mp4", "--out", "/v.mp4"}, "is the stills' folder"},
        {{"--frames", "1-3", "--out", "s", "--video", "s/frame-000002.png"}, "still of frame 2"},
        {{"--frames", "2", "--out", "./s//", "--video", "s/./frame-000002.png"}, "still of frame 2"},
        {{"--frames", "2", "--out", ".", "--video", "frame-000002.png"}, "still of frame 2"},
        {{"--frames", "100002", "--out", "s", "--video", "s/frame-100002.png"}, "still of frame 100002"},
        // No clash: then only a video's own endings are taken.
        {{"--frames", "3", "--out", "s", "--video", "s/frame-000002.png"}, "must end in"},
        {{"--frames", "2", "--out", "s", "--video", "t/frame-000002.png"}, "must end in"},
        {{"--frames", "2", "--out", "s", "--video", "s/frame-0000002.png"}, "must end in"},
        {{"--frames", "2", "--out", "s", "--video", "s/frame-000002.mp4"}, "800x600 out=s 2-2 crf 18"},
    };
    // clang-format on
    const std::string noVideo = videoUnavailableReason();
    for (const auto& [args, want] : cases) {
        std::vector<const char*> argv{"kiru-capture"};
        argv.insert(argv.end(), args.begin(), args.end());
        CaptureOptions o;
        std::string message;
        const bool parsed = captureOptionsParse(int(argv.size()), argv.data(), o, message);
        const bool video = std::ranges::find(args, std::string("--video")) != args.end();
        const std::string expected = video && !noVideo.empty() ? noVideo : want;
        EXPECT_TRUE(parsed ? taken(o, message) == expected
                           : message.find(expected) != std::string::npos &&
                                 message.find('\n') == std::string::npos)
            << testing::PrintToString(args) << ": " << (parsed ? taken(o, message) : message);
    }
}

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
    const char* argv[] = {"kiru-capture", "--frames", "1-10", "--list-jobs", "2"};
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(captureOptionsParse(5, argv, options, error)) << error;
    for (const auto& [video, lists] :
         {std::pair{"", "1-5\n6-10\n"}, {"v.mkv", "1-5\n6-10\n"}, {"v.webm", "1-10\n"}}) {
        options.videoPath = video;
        EXPECT_EQ(captureJobsText(options), lists) << video;
    }
}

} // namespace
