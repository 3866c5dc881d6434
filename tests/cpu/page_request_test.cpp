// The page's address against the rules kiru-capture keeps: frames 1 to 10000000, sizes of two
// multiples of 4 up to 16384. How numbers are read is shared with kiru-capture, whose options'
// test holds it; these are the page's own fields, their escapes and what is refused.
#include <gtest/gtest.h>

#include <vector>

#include "web/page_request.h"

namespace {

TEST(PageRequest, FramesAndSizesByTheCaptureToolsRules) {
    const struct {
        std::vector<const char*> fields;
        uint32_t frame; // 0 with width 0 and says empty: plays the demo in the window
        int32_t width;
        int32_t height;
        const char* says; // the start of the refusal, or "" when taken
    } cases[] = {
        {{}, 0, 0, 0, ""},
        {{"frame=170", "size=800x600"}, 170, 800, 600, ""},
        {{"size=4x16384"}, 0, 4, 16384, ""},
        {{"frame=10000000"}, 10000000, 0, 0, ""},
        {{"frame=10000001"}, 0, 0, 0, "bad frame \"10000001\""},
        {{"frame=0"}, 0, 0, 0, "bad frame \"0\""},
        {{"frame=abc"}, 0, 0, 0, "bad frame \"abc\""},
        {{"frame=12abc"}, 0, 0, 0, "bad frame"},
        {{"frame=3", "frame=4"}, 0, 0, 0, "the address gives frame= twice"},
        {{"size=0x0"}, 0, 0, 0, "bad size \"0x0\""},
        {{"size=801x600"}, 0, 0, 0, "bad size \"801x600\""},
        {{"size=800X600"}, 0, 0, 0, "bad size"},
        {{"size=800x600", "size=640x480"}, 0, 0, 0, "the address gives size= twice"},
        // Names and values decoded: %31 is '1', %39 '9', %61 'a', %78 'x', %58 'X', %2B '+', %2F
        // '/'.
        {{"frame=%31"}, 1, 0, 0, ""},
        {{"fr%61me=2", "size=%38%30%30x600"}, 2, 800, 600, ""},
        {{"size=800%78600"}, 0, 800, 600, ""},
        {{"size=%39%36x%34"}, 0, 96, 4, ""},
        {{"size=800%58600"}, 0, 0, 0, "bad size \"800X600\""},
        {{"frame=%2B5"}, 0, 0, 0, "bad frame \"+5\""},
        {{"frame=%3A"}, 0, 0, 0, "bad frame \":\""},
        {{"frame=%3a"}, 0, 0, 0, "bad frame \":\""},
        {{"frame=%3D5"}, 0, 0, 0, "bad frame \"=5\""},
        {{"frame=1%2F"}, 0, 0, 0, "bad frame \"1/\""},
        {{"frame=5+"}, 0, 0, 0, "bad frame \"5+\""},
        {{"frame="}, 0, 0, 0, "bad frame \"\""},
        {{"frame=3", "fr%61me=4"}, 0, 0, 0, "the address gives frame= twice"},
        {{"frame=%3"}, 0, 0, 0, "bad escape \"%3\" in \"frame=%3\""},
        {{"frame=%"}, 0, 0, 0, "bad escape \"%\" in"},
        {{"frame=%g1"}, 0, 0, 0, "bad escape \"%g1\""},
        {{"frame=1%00"}, 0, 0, 0, "bad escape \"%00\""},
        {{"%zzame=1"}, 0, 0, 0, "bad escape \"%zz\""},
        // Only frame and size, each with a value: the rest is refused as kiru-capture refuses an
        // unknown argument.
        {{"frame=3", "utm=x"}, 0, 0, 0, "unknown field \"utm\""},
        {{"Frame=3"}, 0, 0, 0, "unknown field \"Frame\""},
        {{"foo"}, 0, 0, 0, "unknown field \"foo\""},
        {{"frame"}, 0, 0, 0, "field \"frame\" has no value"},
        {{"size"}, 0, 0, 0, "field \"size\" has no value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.fields));
        std::vector<const char*> argv{"kiru"};
        argv.insert(argv.end(), c.fields.begin(), c.fields.end());
        PageRequest request{1, 1, 1};
        std::string error;
        const bool taken = pageRequestParse(int(argv.size()), argv.data(), request, error);
        EXPECT_EQ(taken, *c.says == '\0');
        EXPECT_EQ(error.rfind(c.says, 0), 0u) << error;
        if (taken) {
            EXPECT_EQ(request.frame, c.frame);
            EXPECT_EQ(request.width, c.width);
            EXPECT_EQ(request.height, c.height);
        }
    }
}

} // namespace
