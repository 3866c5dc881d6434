// The programs on native Wayland: weston nested in a private Xvfb (its x11 back end, which has a
// seat), and weston's headless back end, which has none, each under a private runtime folder.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The shell's background: a colour the demo never draws.
const std::vector<uint8_t> kBackground = {0xff, 0x00, 0xff};

// A private runtime folder with weston on its socket, "kiru", and an output of 640 x 480, which a
// window of that size fills (weston's pointer over it spoils the shot by far less than the frame
// matcher allows); the compositor ends with the object.
struct Weston {
    const std::string runtime;
    pid_t pid = 0;
    Weston(const std::string& name, const std::string& backEnd, const std::string& display)
        : runtime(freshDir(name)) {
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        std::ofstream(runtime + "/weston.ini")
            << "[core]\nidle-time=0\n[shell]\nbackground-image=/nonexistent\n"
               "background-color=0xffff00ff\npanel-position=none\nanimation=none\n"
               "startup-animation=none\nclose-animation=none\nfocus-animation=none\n";
        pid = spawn((display.empty() ? "unset DISPLAY; " : "export DISPLAY=" + display + "; ") +
                    "export XDG_RUNTIME_DIR=" + runtime + "; exec weston --config=" + runtime +
                    "/weston.ini --backend=" + backEnd +
                    " --socket=kiru --width=640 --height=480 >" + runtime + "/weston.log 2>&1");
        waitUntil(
            [&] { return fs::exists(runtime + "/kiru.lock") && fs::exists(runtime + "/kiru"); },
            30s);
    }
    ~Weston() {
        kill(pid, SIGTERM);
        waitExit(pid, 10s);
    }
    // Shell text that runs a program on this compositor only, with SDL's Wayland driver named.
    std::string on(bool driverNamed = true) const {
        return "unset DISPLAY; export XDG_RUNTIME_DIR=" + runtime + " WAYLAND_DISPLAY=kiru" +
               (driverNamed ? " SDL_VIDEODRIVER=wayland; " : "; ");
    }
};

// The capture writes the same still on Wayland as with no display at all; kiru-realtime's window
// shows the capture's frames: a shot of it seconds into scene 2, where every frame differs, is
// one frame's still among those it can be showing. Escape through weston's keyboard ends the run
// with status 0.
TEST(Wayland, CaptureAndWindowShowTheCapturesFramesAndEscapeEndsTheRun) {
    if (std::system("command -v weston >/dev/null") != 0) {
        GTEST_SKIP() << "weston is not installed";
    }
    const Xvfb xvfb("1280x1024x24");
    const XDisplay x = xOpen(xvfb.name.c_str());
    ASSERT_NE(x, nullptr) << "could not start Xvfb";
    const Weston weston("kiru-wayland.run", "x11-backend.so", xvfb.name);
    // Weston's output is the only window on this display.
    const Window output = windowFind(x.get(), "", "640x480 .*");
    ASSERT_NE(output, 0u) << readFile(weston.runtime + "/weston.log");
    // The X focus moves to weston's window now, before any client is there: moved later (by the
    // Escape below) from the pointer's focus, weston's x11 back end takes the keyboard away from
    // kiru on the focus-out and at times never gives it back on the focus-in.
    XSetInputFocus(x.get(), output, RevertToParent, CurrentTime);
    XSync(x.get(), False);

    const std::string dir = freshDir("kiru-wayland-stills");
    std::string out;
    const std::string stills = kCapture + "--size 640x480 --frames 780 --out " + dir;
    ASSERT_EQ(shellRun(weston.on() + stills + "/wayland", out), 0) << out;
    ASSERT_EQ(shellRun(kNoDisplay + stills + "/none", out), 0) << out;
    EXPECT_TRUE(stillRead(dir + "/wayland", 780) == stillRead(dir + "/none", 780));

    const auto started = std::chrono::steady_clock::now();
    // No decoration plugin draws around the surface, wherever one is installed.
    const pid_t pid = spawn(weston.on() + "exec env SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR=0 '" +
                            KIRU_REALTIME_PATH + "' 640 480 0 2>" + dir + ".stderr");
    ASSERT_TRUE(
        waitUntil([&] { return windowPixels(x.get(), output, 1, 1).rgb != kBackground; }, 60s))
        << "no window appeared: " << readFile(dir + ".stderr");
    // Scene 2 from 8 s on; a slow machine slows the demo down, so later still.
    std::this_thread::sleep_for(12s);
    const Picture shot = windowPixels(x.get(), output, 640, 480);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    windowEnd(x.get(), output, XK_Escape);
    EXPECT_EQ(waitExit(pid, 30s), 0) << "Escape: " << readFile(dir + ".stderr");
    // The demo's clock starts after it was started and a slow frame only slows it down: the frame
    // shown is at most the wall clock's since then, and one of scene 2 or later.
    EXPECT_GT(frameMatch(shot, 481, static_cast<int>(seconds * 60) + 1), 0);
}

// SDL 2.26.5 crashes starting on a compositor without a seat: the capture renders offscreen
// instead (the same still), and the demo, with no X display to go to, says so in one line with
// status 1, as the capture does when SDL_VIDEODRIVER insists on Wayland.
TEST(Wayland, WithoutASeatTheCaptureRendersOffscreenAndTheDemoSaysWhy) {
    if (std::system("command -v weston >/dev/null") != 0) {
        GTEST_SKIP() << "weston is not installed";
    }
    const Weston weston("kiru-wayland-headless.run", "headless-backend.so", "");
    const std::string dir = freshDir("kiru-wayland-seatless");
    std::string out;
    const std::string stills = kCapture + "--size 640x480 --frames 700 --out " + dir;
    ASSERT_EQ(shellRun(weston.on(false) + stills + "/wayland", out), 0) << out;
    EXPECT_EQ(out, "");
    ASSERT_EQ(shellRun(kNoDisplay + stills + "/none", out), 0) << out;
    EXPECT_TRUE(stillRead(dir + "/wayland", 700) == stillRead(dir + "/none", 700));
    const std::string says = ": no display (the Wayland compositor has no seat for input";
    const std::string demo = "exec '" KIRU_REALTIME_PATH "' 640 480 0";
    for (const auto& [on, run, who] : {std::tuple{weston.on(false), demo, "kiru"},
                                       {weston.on(), demo, "kiru"},
                                       {weston.on(), kCapture + "--out " + dir, "kiru-capture"}}) {
        EXPECT_EQ(shellRun(on + run, out), 1) << on << run;
        EXPECT_TRUE(oneLineStarting(out, who + says)) << out;
    }
}

} // namespace
