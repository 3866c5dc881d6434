// The Windows build's programs (build-windows/*.exe) under Wine on the test display, as a user
// runs them: window size, title, Escape and closing, exit statuses, and a start-up failure told
// on standard error and in a message box. Wine names a program's windows' class after its .exe
// (_NET_WM_PID may name a Wine process), so windows are found by class and title.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "support.h"

namespace {

using namespace std::chrono_literals;

const std::string kWine = "exec '" KIRU_SOURCE_DIR "/scripts/wine.sh' '" KIRU_WINDOWS_BUILD_DIR "/";
// SDL's dummy video driver: a start-up that cannot open a visible window, as without OpenGL.
const std::string kNoWindow = "export SDL_VIDEODRIVER=dummy; ";

// A window of class exe whose "WIDTHxHEIGHT TITLE" matches state; 0 if none appears in time.
Window windowFind(Display* x, const std::string& exe, const std::regex& state) {
    return windowFind(x, [&](Window window) {
        XClassHint hint{};
        if (XGetClassHint(x, window, &hint) == 0) {
            return false;
        }
        const bool is = exe == hint.res_class && std::regex_match(windowState(x, window), state);
        XFree(hint.res_name);
        XFree(hint.res_class);
        return is;
    });
}

class WinePrograms : public testing::TestWithParam<const char*> {};

// The size from the arguments, or 800x600 when it is bad (642 is no multiple of 4); the title
// shows the frame rate from frame 16 on, measured with Windows' own counter: the paced build's
// 16 ms sleep keeps it at about 62.5 or less, and a software-drawn 640 x 480 frame takes far less
// than a second. Escape, or the close a window manager sends, ends the run with status 0.
TEST_P(WinePrograms, WindowSizeTitleAndEndingTheRun) {
    ASSERT_TRUE(std::filesystem::exists(KIRU_WINDOWS_BUILD_DIR "/kiru.exe"))
        << "build it first: bash scripts/windows.sh";
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    const bool paced = GetParam() == std::string("kiru.exe");
    for (const bool escape : {true, false}) {
        const pid_t pid = spawn(kWine + GetParam() + "'" + (escape ? " 640" : " 642") + " 480 0");
        const Window window =
            windowFind(x.get(), GetParam(), std::regex(R"(\d+x\d+ KIRU: (\d+\.\d\d|inf))"));
        EXPECT_NE(window, 0u) << "no window titled with a frame rate appeared";
        const std::string state = windowState(x.get(), window);
        EXPECT_EQ(state.substr(0, state.find(' ')), escape ? "640x480" : "800x600");
        const double rate = std::atof(state.c_str() + state.find(':') + 1);
        EXPECT_TRUE(!paced || (rate >= 1.0 && rate <= 64.0)) << state;
        windowEnd(x.get(), window, escape ? XK_Escape : NoSymbol);
        // Without the window, this waits out the timeout and ends the program.
        EXPECT_EQ(waitExit(pid), 0) << (escape ? "Escape" : "close");
    }
}

const char* const kBuildNames[] = {"Paced", "Unpaced", "Realtime"};
INSTANTIATE_TEST_SUITE_P(ThreeBuilds, WinePrograms,
                         testing::Values("kiru.exe", "kiru-unpaced.exe", "kiru-realtime.exe"),
                         [](const auto& info) { return kBuildNames[info.index]; });

// Each program carries data/windows/kiru.manifest (DPI awareness, the supported Windows
// versions) as its resource 1 of type 24, RT_MANIFEST, which is where Windows' loader reads it.
TEST(WineManifest, EachProgramCarriesTheDpiAwareManifest) {
    const std::string manifest = readFile(KIRU_SOURCE_DIR "/data/windows/kiru.manifest");
    ASSERT_NE(manifest.find(">PerMonitorV2, PerMonitor<"), std::string::npos);
    const std::string read = freshDir("kiru-wine-manifest.xml");
    for (const char* exe :
         {"kiru.exe", "kiru-unpaced.exe", "kiru-realtime.exe", "kiru-capture.exe"}) {
        ASSERT_EQ(waitExit(spawn("exec wrestool -x --raw -t 24 -n 1 '" KIRU_WINDOWS_BUILD_DIR "/" +
                                 std::string(exe) + "' >'" + read + "'")),
                  0)
            << "wrestool (icoutils) could not read " << exe;
        EXPECT_EQ(readFile(read), manifest) << exe;
    }
}

// At 144 DPI (150%, set in a Wine prefix of its own so that the other tests keep 96), a window
// asked for at 640 x 480 is 640 x 480 display pixels, and a full-screen one covers the whole
// display, with no scaling between what the demo draws and the screen.
TEST(WineHighDpi, TheWindowGetsThePixelsItAskedFor) {
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    const std::string prefix = "export KIRU_WINEPREFIX=\"${XDG_CACHE_HOME:-$HOME/.cache}/kiru/"
                               "wine-prefix-144dpi\"; ";
    ASSERT_EQ(
        waitExit(spawn(prefix + "exec '" KIRU_SOURCE_DIR "/scripts/wine.sh' reg add "
                                "'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d 144 "
                                "/f >/dev/null"),
                 std::chrono::seconds(300)),
        0);
    const int screen = DefaultScreen(x.get());
    const std::string full = std::to_string(DisplayWidth(x.get(), screen)) + "x" +
                             std::to_string(DisplayHeight(x.get(), screen));
    for (const auto& [args, size] :
         {std::pair<std::string, std::string>{" 640 480 0", "640x480"}, {"", full}}) {
        const pid_t pid = spawn(prefix + kWine + "kiru-realtime.exe'" + args);
        const Window window =
            windowFind(x.get(), "kiru-realtime.exe", std::regex(R"(\d+x\d+ KIRU: .*)"));
        EXPECT_NE(window, 0u) << "no window titled with a frame rate appeared";
        const std::string state = windowState(x.get(), window);
        EXPECT_EQ(state.substr(0, state.find(' ')), size);
        windowEnd(x.get(), window, XK_Escape);
        EXPECT_EQ(waitExit(pid), 0) << size;
    }
}

// A GUI program, yet its one line reaches a pipe on standard error (with Windows' line end);
// KIRU_NO_MESSAGE_BOX leaves out the box, which otherwise waits, titled "kiru", until it is
// answered. Either way the status is 1.
TEST(WineFailure, OneLineOnStandardErrorAndAMessageBoxAndStatusOne) {
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    const std::string errors = freshDir("kiru-wine-errors.txt");
    for (const bool box : {false, true}) {
        const std::string quiet = box ? "" : "export KIRU_NO_MESSAGE_BOX=1; ";
        const pid_t pid =
            spawn(kNoWindow + quiet + kWine + "kiru.exe' 640 480 0 2>'" + errors + "'");
        if (box) {
            const Window window = windowFind(x.get(), "kiru.exe", std::regex(R"(\d+x\d+ kiru)"));
            EXPECT_NE(window, 0u) << "no message box appeared";
            windowEnd(x.get(), window, XK_Return);
        }
        EXPECT_EQ(waitExit(pid), 1) << (box ? "with" : "without") << " the box";
        EXPECT_EQ(readFile(errors), "kiru: no display (SDL found only its offscreen or dummy "
                                    "video driver)\r\n");
    }
}

// kiru-capture.exe writes one frame of each scene as the native kiru-capture does: at least 99%
// of the pixels within 24/255 on every channel (the C runtimes' maths functions may differ in the
// last bits). The figures are printed.
TEST(WineCapture, OneFrameOfEachSceneAsTheNativeCaptureWritesIt) {
    const std::string dir = freshDir("kiru-wine-capture");
    const std::string frames = " --size 320x240 --frames 170,780,1561,2582,3122 --out '" + dir;
    ASSERT_EQ(waitExit(spawn(kWine + "kiru-capture.exe'" + frames + "/windows'"), 300s), 0);
    ASSERT_EQ(waitExit(spawn("exec '" KIRU_CAPTURE_PATH "'" + frames + "/linux'"), 300s), 0);
    for (const int32_t frame : {170, 780, 1561, 2582, 3122}) {
        const Picture windows = stillRead(dir + "/windows", frame);
        const Picture linux = stillRead(dir + "/linux", frame);
        ASSERT_EQ(windows.rgb.size(), 320u * 240 * 3) << frame;
        ASSERT_EQ(linux.rgb.size(), windows.rgb.size()) << frame;
        const PictureDifference difference = pictureCompare(windows, linux, 24);
        std::printf("frame %d: %.3f%% of pixels the same, %.3f%% within 24/255, largest "
                    "difference %d/255\n",
                    frame, 100 * difference.same, 100 * difference.within, difference.largest);
        EXPECT_GE(difference.within, 0.99) << frame;
    }
}

} // namespace
