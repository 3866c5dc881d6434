#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/capture_options.h"

namespace {

TEST(FrameList, ParsesRangesAndSingles) {
    const struct {
        const char* text;
        std::vector<FrameRange> ranges;
    } cases[] = {
        {"1", {{1, 1}}},           {"1-120,480,900-910", {{1, 120}, {480, 480}, {900, 910}}},
        {"5-5", {{5, 5}}},         {"10000000", {{10000000, 10000000}}},
        {"3,1", {{3, 3}, {1, 1}}},
    };
    for (const auto& c : cases) {
        std::vector<FrameRange> ranges;
        std::string error;
        ASSERT_TRUE(frameListParse(c.text, ranges, error)) << c.text << ": " << error;
        ASSERT_EQ(ranges.size(), c.ranges.size()) << c.text;
        for (size_t i = 0; i < ranges.size(); ++i) {
            EXPECT_EQ(ranges[i].first, c.ranges[i].first) << c.text;
            EXPECT_EQ(ranges[i].last, c.ranges[i].last) << c.text;
        }
    }
}

TEST(FrameList, RefusesWhatDoesNotParse) {
    const char* bad[] = {"",
                         "0",
                         "0-5",
                         "5-3",
                         "1,",
                         ",1",
                         "1,,2",
                         "1-",
                         "-5",
                         "1-2-3",
                         "a",
                         "1 2",
                         "+1",
                         " 1",
                         "1.5",
                         "10000001",
                         "99999999999999999999",
                         "1-99999999999"};
    for (const char* text : bad) {
        std::vector<FrameRange> ranges;
        std::string error;
        EXPECT_FALSE(frameListParse(text, ranges, error)) << '"' << text << '"';
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(FrameList, MembershipAndLast) {
    std::vector<FrameRange> ranges;
    std::string error;
    ASSERT_TRUE(frameListParse("1-3,480,900-910", ranges, error));
    EXPECT_EQ(frameListLast(ranges), 910u);
    for (uint32_t frame : {1u, 2u, 3u, 480u, 900u, 905u, 910u}) {
        EXPECT_TRUE(frameListContains(ranges, frame)) << frame;
    }
    for (uint32_t frame : {0u, 4u, 479u, 481u, 899u, 911u}) {
        EXPECT_FALSE(frameListContains(ranges, frame)) << frame;
    }
}

TEST(CaptureOptions, DefaultsFlagsAndErrors) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
        int32_t width, height;
        const char* out;
    };
    const Case cases[] = {
        {{}, true, 800, 600, "capture"},
        {{"--size", "640x480", "--out", "stills"}, true, 640, 480, "stills"},
        {{"--frames", "1-3", "--size", "1920x1080"}, true, 1920, 1080, "capture"},
        {{"--size", "642x480"}, false, 0, 0, nullptr},
        {{"--size", "0x480"}, false, 0, 0, nullptr},
        {{"--size", "-640x480"}, false, 0, 0, nullptr},
        {{"--size", "640"}, false, 0, 0, nullptr},
        {{"--size", "640x480x2"}, false, 0, 0, nullptr},
        {{"--size", "16388x480"}, false, 0, 0, nullptr},
        {{"--size"}, false, 0, 0, nullptr},
        {{"--frames", "0"}, false, 0, 0, nullptr},
        {{"--out", ""}, false, 0, 0, nullptr},
        {{"--fps", "60"}, false, 0, 0, nullptr},
        {{"stills"}, false, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"kiru-capture"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        CaptureOptions options;
        std::string error;
        const bool ok =
            captureOptionsParse(static_cast<int>(argv.size()), argv.data(), options, error);
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(ok, c.ok);
        if (ok) {
            EXPECT_EQ(options.width, c.width);
            EXPECT_EQ(options.height, c.height);
            EXPECT_EQ(options.outDir, c.out);
        } else {
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(error.find('\n'), std::string::npos); // one plain line
        }
    }
}

TEST(CaptureOptions, FramePathsAreNumberedWithSixDigits) {
    EXPECT_EQ(captureFramePath("capture", 1), "capture/frame-000001.png");
    EXPECT_EQ(captureFramePath("a/b", 123456), "a/b/frame-123456.png");
    EXPECT_EQ(captureFramePath("x", 1234567), "x/frame-1234567.png");
}

TEST(CaptureOptions, OutputFolderMustBeWritable) {
    std::string error;
    EXPECT_FALSE(captureOutDirPrepare("/dev/null/stills", error));
    EXPECT_FALSE(error.empty());
    const std::string dir = testing::TempDir() + "kiru-capture-test/a/b";
    EXPECT_TRUE(captureOutDirPrepare(dir, error)) << error;
    EXPECT_TRUE(captureOutDirPrepare(dir, error)) << "an existing folder is fine";
}

} // namespace
