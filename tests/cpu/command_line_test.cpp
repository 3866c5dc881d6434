#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"

namespace {

// Numbers read like atoi but never overflow; the size is taken only when both sides are
// multiples of 4 in 1 to 16384, and only a third argument that reads as 1 means full-screen.
TEST(CommandLine, SizeAndFullScreenFlag) {
    // What is taken: "WIDTHxHEIGHT" and whether full-screen.
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{}, "800x600 full-screen"},
        {{"640", "480"}, "640x480 full-screen"}, // a size alone still runs full-screen
        {{"1920", "1080", "0"}, "1920x1080 window"},
        {{"640", "480", "1"}, "640x480 full-screen"},
        {{"640", "480", "2"}, "640x480 window"},
        {{"642", "480", "0"}, "800x600 window"}, // 642 is no multiple of 4: both defaults
        {{"640", "482", "0"}, "800x600 window"},
        {{"640"}, "800x600 full-screen"}, // a lone width is ignored
        {{"640", "480", "0", "extra"}, "640x480 window"},
        {{"abc", "480", "0"}, "800x600 window"}, // non-numeric reads as 0, which is refused
        {{"0", "0", "0"}, "800x600 window"},
        {{"-640", "480", "0"}, "800x600 window"},
        {{"16384", "16384", "0"}, "16384x16384 window"},
        {{"16388", "480", "0"}, "800x600 window"},
        {{"99999999999999999999", "480", "0"}, "800x600 window"}, // would overflow atoi
        {{"4294967936", "480", "0"}, "800x600 window"},           // 2^32 + 640 must not wrap
        {{" \t\r640", "+480px", "0"}, "640x480 window"}, // atoi's leading blanks, sign, digits
        {{"000000000000000000000640", "480", "1abc"}, "640x480 full-screen"},
        {{"640", "480", "4294967297"}, "640x480 window"},  // 2^32 + 1 is not 1
        {{"640", "480", "-4294967295"}, "640x480 window"}, // nor is -(2^32 - 1)
        {{"640", "480", ""}, "640x480 window"},
    };
    for (const auto& [args, want] : cases) {
        std::vector<const char*> argv{"kiru"};
        argv.insert(argv.end(), args.begin(), args.end());
        const CommandLine o = commandLineParse(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(std::to_string(o.width) + "x" + std::to_string(o.height) +
                      (o.fullScreen ? " full-screen" : " window"),
                  want)
            << testing::PrintToString(args);
    }
}

} // namespace
