// What the programs say when something they need is missing: the demo names each image it could
// not load, once, and runs on, also one too large to draw or broken; a display named in DISPLAY
// that cannot be opened is named.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <SDL_image.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const char* const kImages[] = {"box1.png", "font1.png", "particle1.png"};

// How many lines of text start with start and end with end.
long linesLike(const std::string& text, const std::string& start, const std::string& end = "") {
    std::istringstream in(text);
    long n = 0;
    for (std::string line; std::getline(in, line);) {
        n += line.starts_with(start) && line.ends_with(end) ? 1 : 0;
    }
    return n;
}

// Runs the demo in dir/work (320 x 240, on the test display) until its title shows a frame rate,
// then presses Escape; returns its status, with its standard output and error in dir/work.
int demoRun(Display* x, const std::string& dir, const std::string& program) {
    const pid_t pid =
        spawn("cd '" + dir + "/work' && exec '" + program + "' 320 240 0 >stdout 2>stderr");
    const Window window = windowFind(x, pid);
    EXPECT_NE(window, 0u) << "no window appeared";
    const std::regex running(R"(320x240 KIRU: .*)");
    EXPECT_TRUE(waitUntil([&] { return std::regex_match(windowState(x, window), running); }, 60s))
        << windowState(x, window);
    windowEnd(x, window, XK_Escape);
    return waitExit(pid);
}

// A lone copy of the demo finds none of its images: one line for each, naming it and every place
// it looked, though several instances load each; it runs on and ends with status 0.
TEST(MissingImages, TheDemoNamesEachOnceAndRunsOn) {
    const XDisplay x = xOpen();
    if (x == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    const std::string dir = freshDir("kiru-lone-demo");
    fs::create_directories(dir + "/bin");
    fs::create_directories(dir + "/work");
    fs::copy_file(KIRU_REALTIME_PATH, dir + "/bin/kiru-realtime");
    EXPECT_EQ(demoRun(x.get(), dir, dir + "/bin/kiru-realtime"), 0);
    EXPECT_EQ(readFile(dir + "/work/stdout"), "");
    const std::string errors = readFile(dir + "/work/stderr");
    EXPECT_EQ(std::ranges::count(errors, '\n'), std::ssize(kImages)) << errors;
    for (const char* image : kImages) {
        const std::string name = std::string("res/") + image;
        EXPECT_EQ(linesLike(errors,
                            "kiru: cannot load the image " + name + ": not found (looked for " +
                                name + ", ",
                            dir + "/bin/" + name + ")"),
                  1)
            << image;
    }
}

// An 8192 x 8192 PNG of one colour (64 MiB of pixels, a few hundred KiB of file).
void hugePngWrite(const std::string& path) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 8192, 8192, 8, SDL_PIXELFORMAT_INDEX8);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(IMG_SavePNG(surface, path.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(surface);
}

// With an 8192 x 8192 box image the demo names the image and runs on without decoding it (that
// would take many seconds and gigabytes); so it does with a box image cut in half, which the
// decoder rejects. The capture's refusal of such an image is a destinations case.
TEST(MissingImages, TooLargeOrBrokenIsNamedByTheDemo) {
    const XDisplay x = xOpen();
    if (x == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    const std::string dir = freshDir("kiru-bad-box");
    fs::create_directories(dir + "/work/res");
    for (const char* image : {"font1.png", "particle1.png"}) {
        fs::copy_file(std::string("res/") + image, dir + "/work/res/" + image);
    }
    hugePngWrite(dir + "/work/res/box1.png");
    EXPECT_EQ(demoRun(x.get(), dir, KIRU_PATH), 0);
    EXPECT_EQ(readFile(dir + "/work/stderr"),
              "kiru: cannot load the image res/box1.png: res/box1.png is 8192 x 8192 pixels, more "
              "than the 4096 x 4096 the demo draws\n");

    const std::string box = readFile("res/box1.png");
    std::ofstream(dir + "/work/res/box1.png", std::ios::binary | std::ios::trunc)
        << box.substr(0, box.size() / 2);
    EXPECT_EQ(demoRun(x.get(), dir, KIRU_PATH), 0);
    EXPECT_EQ(readFile(dir + "/work/stdout"), "");
    const std::string errors = readFile(dir + "/work/stderr");
    EXPECT_EQ(linesLike(errors, "kiru: cannot load the image res/box1.png: res/box1.png cannot be "
                                "decoded ("),
              1)
        << errors;
}

// A display number with no X server behind it (no socket and no lock file).
std::string absentDisplay() {
    for (int n = 871; n < 971; ++n) {
        const std::string number = std::to_string(n);
        if (!fs::exists("/tmp/.X11-unix/X" + number) && !fs::exists("/tmp/.X" + number + "-lock")) {
            return ":" + number;
        }
    }
    return "";
}

// The demo and the capture tool alike name the display they could not open, with status 1; the
// capture writes nothing.
TEST(MissingDisplay, ADisplayNamedButNotThereIsNamed) {
    const std::string display = absentDisplay();
    ASSERT_NE(display, "") << "every display number tried is in use";
    const std::string dir = freshDir("kiru-absent-display");
    fs::create_directories(dir);
    const std::string env = "unset WAYLAND_DISPLAY SDL_VIDEODRIVER; export DISPLAY=" + display +
                            "; cd '" + dir + "' && exec ";
    const std::string why = " no display (cannot open the X display \"" + display + "\")\n";
    EXPECT_EQ(waitExit(spawn(env + "'" KIRU_PATH "' 640 480 0 2>demo.stderr")), 1);
    EXPECT_EQ(oneLine(dir + "/demo.stderr"), "kiru:" + why);
    EXPECT_EQ(waitExit(spawn(env + "'" KIRU_CAPTURE_PATH "' --out stills 2>capture.stderr")), 1);
    EXPECT_EQ(oneLine(dir + "/capture.stderr"), "kiru-capture:" + why);
    EXPECT_FALSE(fs::exists(dir + "/stills"));
}

} // namespace
