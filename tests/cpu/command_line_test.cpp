#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"

namespace {

// Numbers read like atoi but never overflow; the size is taken only when both sides are
// multiples of 4 in 1 to 16384, and only a third argument that reads as 1 means full-screen.
TEST(CommandLine, SizeAndFullScreenFlag) {
    const struct {
        std::vector<const char*> args; // after the program name
        int32_t width;
        int32_t height;
        bool fullScreen;
    } cases[] = {
        {{}, 800, 600, true},
        {{"640", "480"}, 640, 480, true}, // a size alone still runs full-screen
        {{"1920", "1080", "0"}, 1920, 1080, false},
        {{"640", "480", "1"}, 640, 480, true},
        {{"640", "480", "2"}, 640, 480, false},
        {{"642", "480", "0"}, 800, 600, false}, // 642 is no multiple of 4: both defaults
        {{"640", "482", "0"}, 800, 600, false},
        {{"640"}, 800, 600, true}, // a lone width is ignored
        {{"640", "480", "0", "extra"}, 640, 480, false},
        {{"abc", "480", "0"}, 800, 600, false}, // non-numeric reads as 0, which is refused
        {{"0", "0", "0"}, 800, 600, false},
        {{"-640", "480", "0"}, 800, 600, false},
        {{"16384", "16384", "0"}, 16384, 16384, false},
        {{"16388", "480", "0"}, 800, 600, false},
        {{"99999999999999999999", "480", "0"}, 800, 600, false}, // would overflow atoi
        {{"4294967936", "480", "0"}, 800, 600, false},           // 2^32 + 640 must not wrap
        {{" \t\r640", "+480px", "0"}, 640, 480, false}, // atoi's leading blanks, sign, digits
        {{"000000000000000000000640", "480", "1abc"}, 640, 480, true},
        {{"640", "480", "4294967297"}, 640, 480, false},  // 2^32 + 1 is not 1
        {{"640", "480", "-4294967295"}, 640, 480, false}, // nor is -(2^32 - 1)
        {{"640", "480", ""}, 640, 480, false},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"kiru"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const CommandLine options = commandLineParse(static_cast<int>(argv.size()), argv.data());
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(options.width, c.width);
        EXPECT_EQ(options.height, c.height);
        EXPECT_EQ(options.fullScreen, c.fullScreen);
    }
}

} // namespace
