#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "app/command_line.h"

namespace {

struct Case {
    std::vector<const char*> args; // after the program name
    int32_t width;
    int32_t height;
    bool fullScreen;
};

TEST(CommandLine, SizeAndFullScreenFlag) {
    const Case cases[] = {
        {{}, 800, 600, true},
        {{"640", "480"}, 640, 480, true}, // a size alone still runs full-screen
        {{"640", "480", "0"}, 640, 480, false},
        {{"640", "480", "1"}, 640, 480, true},
        {{"640", "480", "2"}, 640, 480, false}, // only 1 means full-screen
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
        {{" 640", "480px", "0"}, 640, 480, false},               // atoi's leading blanks, digits
        {{"640", "480", "1abc"}, 640, 480, true},
        {{"640", "480", "4294967297"}, 640, 480, false}, // 2^32 + 1 is not 1
        {{"640", "480", ""}, 640, 480, false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"kiru"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const CommandLine options = commandLineParse(static_cast<int>(argv.size()), argv.data());
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(options.width, c.width);
        EXPECT_EQ(options.height, c.height);
        EXPECT_EQ(options.fullScreen, c.fullScreen);
    }
}

TEST(CommandLine, IntegersReadLikeAtoiWithoutOverflow) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"42", 42},
        {" \t\r42", 42},
        {"-7", -7},
        {"12ab34", 12},
        {"", 0},
        {nullptr, 0},
        {"2147483648", INT32_MAX},
        {"-2147483649", INT32_MIN},
        {"000000000000000000000000640", 640},
        {"184467440737095516160", INT32_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseInteger(c.text), c.value) << (c.text ? c.text : "(null)");
    }
}

} // namespace
