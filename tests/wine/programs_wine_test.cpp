// The Windows build's programs (build-windows/*.exe) under Wine on the test display: a start and a
// clean end, a frame of each scene as the native capture writes it, a start-up failure told on
// standard error and in a message box, and the manifest each carries.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support.h"

namespace {

using namespace std::chrono_literals;

const std::string kWine = "exec '" KIRU_SOURCE_DIR "/scripts/wine.sh' '" KIRU_WINDOWS_BUILD_DIR "/";

// The title shows the frame rate from frame 16 on, measured with Windows' own counter: kiru.exe's
// 16 ms sleep keeps it at about 62.5 or less, and a software-drawn 640 x 480 frame takes far less
// than a second. Escape, or the close a window manager sends, ends the run with status 0.
TEST(WinePrograms, StartAndEndWithStatusZero) {
    ASSERT_TRUE(std::filesystem::exists(KIRU_WINDOWS_BUILD_DIR "/kiru.exe"))
        << "build it first: bash scripts/windows.sh";
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    for (const auto& [exe, key] :
         {std::pair<std::string, KeySym>{"kiru.exe", XK_Escape}, {"kiru-realtime.exe", NoSymbol}}) {
        const pid_t pid = spawn(kWine + exe + "' 640 480 0");
        const Window window = windowFind(x.get(), exe, R"(640x480 KIRU: (\d+\.\d\d|inf))");
        const std::string state = windowState(x.get(), window);
        const double rate = std::atof(state.c_str() + state.find(':') + 1);
        EXPECT_TRUE(window != 0 && (exe != "kiru.exe" || (rate >= 1.0 && rate <= 64.0))) << state;
        windowEnd(x.get(), window, key);
        EXPECT_EQ(waitExit(pid), 0) << exe; // without the window, after the timeout
    }
}

// kiru-capture.exe writes one frame of each scene as the native kiru-capture does: at least 99% of
// the pixels within 24/255 on every channel (the C runtimes' maths functions may differ in the
// last bits). The figures are printed.
TEST(WinePrograms, OneFrameOfEachSceneAsTheNativeCaptureWritesIt) {
    const std::string dir = freshDir("kiru-wine-capture");
    const std::string frames = " --size 320x240 --frames 170,780,1561,2582,3122 --out '" + dir;
    std::string out;
    ASSERT_EQ(shellRun(kWine + "kiru-capture.exe'" + frames + "/windows'", out), 0) << out;
    ASSERT_EQ(shellRun(kCapture + frames + "/linux'", out), 0) << out;
    for (const int32_t frame : {170, 780, 1561, 2582, 3122}) {
        const Picture windows = stillRead(dir + "/windows", frame);
        const PictureDifference difference =
            pictureCompare(windows, stillRead(dir + "/linux", frame), 24);
        std::printf("frame %d: %.3f%% of pixels within 24/255, largest difference %d/255\n", frame,
                    100 * difference.within, difference.largest);
        EXPECT_TRUE(windows.rgb.size() == 320 * 240 * 3 && difference.within >= 0.99) << frame;
    }
}

// A GUI program, yet its one line reaches a pipe on standard error (with Windows' line end);
// KIRU_NO_MESSAGE_BOX leaves out the box, which otherwise waits, titled "kiru", until it is
// answered. Either way the status is 1. SDL's dummy video driver stands for a start-up that
// cannot open a visible window.
TEST(WinePrograms, AFailureIsOneLineOnStandardErrorAndAMessageBox) {
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    const std::string errors = freshDir("kiru-wine-errors.txt");
    for (const bool box : {false, true}) {
        const pid_t pid = spawn(std::string("export SDL_VIDEODRIVER=dummy; ") +
                                (box ? "" : "export KIRU_NO_MESSAGE_BOX=1; ") + kWine +
                                "kiru.exe' 640 480 0 2>'" + errors + "'");
        if (box) {
            const Window window = windowFind(x.get(), "kiru.exe", R"(\d+x\d+ kiru)");
            EXPECT_NE(window, 0u) << "no message box appeared";
            windowEnd(x.get(), window, XK_Return);
        }
        EXPECT_EQ(waitExit(pid), 1) << (box ? "with" : "without") << " the box";
        EXPECT_EQ(readFile(errors),
                  "kiru: no display (SDL found only its offscreen or dummy video driver)\r\n");
    }
}

// Each program carries data/windows/kiru.manifest (DPI awareness, the supported Windows versions)
// as its resource 1 of type 24, RT_MANIFEST, which is where Windows' loader reads it.
TEST(WineManifest, EachProgramCarriesTheDpiAwareManifest) {
    const std::string manifest = readFile(KIRU_SOURCE_DIR "/data/windows/kiru.manifest");
    ASSERT_NE(manifest.find(">PerMonitorV2, PerMonitor<"), std::string::npos);
    for (const char* exe : {"kiru", "kiru-unpaced", "kiru-realtime", "kiru-capture"}) {
        std::string read;
        EXPECT_EQ(shellRun("exec wrestool -x --raw -t 24 -n 1 '" KIRU_WINDOWS_BUILD_DIR "/" +
                               std::string(exe) + ".exe' 2>/dev/null",
                           read),
                  0)
            << "wrestool (icoutils) could not read " << exe;
        EXPECT_EQ(read, manifest) << exe;
    }
}

} // namespace
