#include <gtest/gtest.h>

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
}

TEST(CaptureOptions, OutputFolderIsMadeAndMustBeWritable) {
    std::string error;
    EXPECT_FALSE(captureOutDirPrepare("/dev/null/stills", error));
    const std::string dir = testing::TempDir() + "kiru-capture-test/a/b";
    EXPECT_TRUE(captureOutDirPrepare(dir, error)) << error;
    EXPECT_TRUE(captureOutDirPrepare(dir, error)) << "an existing folder is fine";
}

} // namespace
