#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/capture_options.h"

namespace {

TEST(FrameList, ParsesRangesAndTellsMembership) {
    std::vector<FrameRange> ranges;
    std::string error;
    ASSERT_TRUE(frameListParse("1-3,480,900-910,10000000", ranges, error)) << error;
    EXPECT_EQ(frameListLast(ranges), 10000000u);
    for (uint32_t frame : {1u, 3u, 480u, 900u, 910u, 10000000u}) {
        EXPECT_TRUE(frameListContains(ranges, frame)) << frame;
    }
    for (uint32_t frame : {0u, 4u, 479u, 481u, 899u, 911u}) {
        EXPECT_FALSE(frameListContains(ranges, frame)) << frame;
    }
    for (const char* text : {"", "0", "0-5", "5-3", "1,", ",1", "1,,2", "1-", "-5", "1-2-3", "a",
                             "1 2", "+1", " 1", "1.5", "10000001", "99999999999999999999"}) {
        EXPECT_FALSE(frameListParse(text, ranges, error)) << '"' << text << '"';
        EXPECT_FALSE(error.empty()) << text;
    }
}

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
    args.insert(args.begin(), "kiru-capture");
    return captureOptionsParse(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, DefaultsAndFlags) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, options, error));
    EXPECT_EQ(options.width, 800);
    EXPECT_EQ(options.height, 600);
    EXPECT_EQ(options.outDir, "capture");
    EXPECT_EQ(frameListLast(options.frames), 1u);
    ASSERT_TRUE(parse({"--size", "16384x4", "--out", "stills", "--frames", "2"}, options, error));
    EXPECT_EQ(options.width, 16384);
    EXPECT_EQ(options.height, 4);
    EXPECT_EQ(options.outDir, "stills");
    EXPECT_EQ(captureFramePath("a/b", 123), "a/b/frame-000123.png");
    // A video alone: one whole loop, no stills, CRF 18.
    CaptureOptions video;
    ASSERT_TRUE(parse({"--video", "v.mp4"}, video, error));
    EXPECT_EQ(video.frames.size(), 1u);
    EXPECT_EQ(video.frames[0].first, 1u);
    EXPECT_EQ(video.frames[0].last, 4023u);
    EXPECT_EQ(video.outDir, "");
    EXPECT_EQ(video.crf, 18);
    ASSERT_TRUE(parse({"--video", "v.mp4", "--out", "s", "--crf", "0"}, video, error));
    EXPECT_EQ(video.outDir, "s");
    EXPECT_EQ(video.crf, 0);
    ASSERT_TRUE(parse({"--help"}, options, error));
    EXPECT_TRUE(options.help);
    EXPECT_NE(error.find("--video"), std::string::npos);
}

TEST(CaptureOptions, BadArgumentsGiveOneLine) {
    const std::vector<std::vector<const char*>> cases = {
        {"--size", "642x480"},
        {"--size", "0x480"},
        {"--size", "-640x480"},
        {"--size", "640"},
        {"--size", "640x480x2"},
        {"--size", "16388x480"},
        {"--size"},
        {"--frames", "0"},
        {"--out", ""},
        {"--video", ""},
        {"--crf", "52"},
        {"--crf", "x"},
        {"--dry-run", "--video", "v.mp4"},
        {"--fps", "60"},
        {"stills"},
    };
    for (const auto& args : cases) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, options, error)) << testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    EXPECT_EQ(printable("a\nb\tc\x1b\x7f"), "a\\nb\\tc\\x1b\\x7f");
}

// Checking creates nothing; making creates the missing folders; removing takes the empty ones.
TEST(CaptureOptions, OutputsAreCheckedBeforeAnythingIsMade) {
    const std::string root = testing::TempDir() + "kiru-capture-test";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    std::vector<std::string> missing;
    std::string error;
    CaptureOptions options;
    options.outDir = root + "/a/b";
    options.videoPath = root + "/a/c/v.mp4";
    ASSERT_TRUE(captureOutputsCheck(options, missing, error)) << error;
    EXPECT_EQ(missing, (std::vector<std::string>{root + "/a", root + "/a/b", root + "/a/c"}));
    EXPECT_FALSE(std::filesystem::exists(root + "/a"));
    ASSERT_TRUE(captureFoldersMake(missing, error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(root + "/a/c"));
    std::ofstream(root + "/a/b/kept.png") << "x";
    captureFoldersRemoveEmpty(missing);
    EXPECT_TRUE(std::filesystem::exists(root + "/a/b/kept.png"));
    EXPECT_FALSE(std::filesystem::exists(root + "/a/c"));
    for (const auto& [out, video] : std::vector<std::pair<std::string, std::string>>{
             {"/dev/null/stills", ""}, {"", "/dev/null/v.mp4"}, {"", root}, {"", root + "/"}}) {
        options.outDir = out;
        options.videoPath = video;
        EXPECT_FALSE(captureOutputsCheck(options, missing, error)) << out << video;
    }
}

} // namespace
