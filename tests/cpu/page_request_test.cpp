// The page's address against the rules kiru-capture keeps: frames 1 to 10000000, sizes of two
// multiples of 4 up to 16384. How numbers are read is shared with kiru-capture, whose options'
// test holds it; these are the page's own fields, their escapes and what is refused.
#include <gtest/gtest.h>

#include <vector>

#include "web/page_request.h"

namespace {

TEST(PageRequest, FramesAndSizesByTheCaptureToolsRules) {
    // What is taken, as "FRAME WIDTHxHEIGHT" (0 0x0: the demo plays in the window), or the start
    // of the refusal.
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{}, "0 0x0"},
        {{"frame=170", "size=800x600"}, "170 800x600"},
        {{"size=4x16384"}, "0 4x16384"},
        {{"frame=10000000"}, "10000000 0x0"},
        {{"frame=10000001"}, "bad frame \"10000001\""},
        {{"frame=0"}, "bad frame \"0\" (expected a whole number from 1 to 10000000)"},
        {{"frame=abc"}, "bad frame \"abc\""},
        {{"frame=12abc"}, "bad frame"},
        {{"frame=3", "frame=4"}, "the address gives frame= twice"},
        {{"size=0x0"}, "bad size \"0x0\""},
        {{"size=801x600"}, "bad size \"801x600\""},
        {{"size=800X600"}, "bad size"},
        {{"size=800x600", "size=640x480"}, "the address gives size= twice"},
        // Names and values decoded: %31 is '1', %39 '9', %61 'a', %78 'x', %58 'X', %2B '+', %2F
        // and %2f '/', %09 a tab.
        {{"frame=%31"}, "1 0x0"},
        {{"fr%61me=2", "size=%38%30%30x600"}, "2 800x600"},
        {{"size=800%78600"}, "0 800x600"},
        {{"size=%39%36x%34"}, "0 96x4"},
        {{"size=800%58600"}, "bad size \"800X600\""},
        {{"frame=%2B5"}, "bad frame \"+5\""},
        {{"frame=%3A"}, "bad frame \":\""},
        {{"frame=%3a"}, "bad frame \":\""},
        {{"frame=%3D5"}, "bad frame \"=5\""},
        {{"frame=1%2F"}, "bad frame \"1/\""},
        {{"frame=1%2f"}, "bad frame \"1/\""},
        {{"frame=%09"}, "bad frame"},
        {{"frame=5+"}, "bad frame \"5+\""},
        {{"frame="}, "bad frame \"\""},
        {{"frame=3", "fr%61me=4"}, "the address gives frame= twice"},
        {{"frame=%3"}, "bad escape \"%3\" in \"frame=%3\""},
        {{"fr%6=1"}, "bad escape \"%6\" in"},
        {{"frame=%"}, "bad escape \"%\" in"},
        {{"frame=%g1"}, "bad escape \"%g1\""},
        {{"frame=1%00"}, "bad escape \"%00\""},
        {{"%zzame=1"}, "bad escape \"%zz\""},
        // Only frame and size, each with a value: the rest is refused as kiru-capture refuses an
        // unknown argument.
        {{"frame=3", "utm=x"}, "unknown field \"utm\""},
        {{"Frame=3"}, "unknown field \"Frame\""},
        {{"foo"}, "unknown field \"foo\""},
        {{"frame"}, "field \"frame\" has no value"},
        {{"size"}, "field \"size\" has no value"},
    };
    for (const auto& [fields, want] : cases) {
        std::vector<const char*> argv{"kiru"};
        argv.insert(argv.end(), fields.begin(), fields.end());
        PageRequest r{1, 1, 1};
        std::string error;
        const bool taken = pageRequestParse(int(argv.size()), argv.data(), r, error);
        const std::string got = taken ? std::to_string(r.frame) + " " + std::to_string(r.width) +
                                            "x" + std::to_string(r.height)
                                      : error;
        EXPECT_TRUE(taken ? got == want : got.starts_with(want))
            << testing::PrintToString(fields) << ": " << got;
    }
}

} // namespace
