// The Windows build's programs (build-windows/*.exe) under Wine on the test display, as a user
// runs them: window size, title, Escape and closing, exit statuses, and a start-up failure told
// on standard error and in a message box. Wine names a program's windows' class after its .exe
// (_NET_WM_PID may name a Wine process), so windows are found by class and title.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <SDL_image.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

const std::string kWine = "exec '" KIRU_SOURCE_DIR "/scripts/wine.sh' '" KIRU_WINDOWS_BUILD_DIR "/";
// SDL's dummy video driver: a start-up that cannot open a visible window, as without OpenGL.
const std::string kNoWindow = "export SDL_VIDEODRIVER=dummy; ";

// Runs a shell command line that dies with the test; with errors, its standard error goes into
// a pipe whose reading end *errors receives.
pid_t spawn(const std::string& command, int* errors = nullptr) {
    int pipeEnds[2] = {-1, -1};
    if (errors != nullptr && pipe(pipeEnds) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (errors != nullptr) {
            dup2(pipeEnds[1], STDERR_FILENO);
            close(pipeEnds[0]);
            close(pipeEnds[1]);
        }
        execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    if (errors != nullptr) {
        close(pipeEnds[1]);
        *errors = pipeEnds[0];
    }
    return pid;
}

template <class Done> bool waitUntil(Done done, std::chrono::milliseconds timeout) {
    for (const auto deadline = std::chrono::steady_clock::now() + timeout; !done();
         std::this_thread::sleep_for(20ms)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

// The exit status, or -1 after killing a child that ran past the timeout.
int waitExit(pid_t pid, std::chrono::seconds timeout = 60s) {
    int status = 0;
    if (!waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// What is in the pipe now, without waiting for writers that may outlive the program; closes it.
std::string pipeDrain(int fd) {
    fcntl(fd, F_SETFL, O_NONBLOCK);
    std::string text;
    char buffer[512];
    for (ssize_t got = 0; (got = read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return text;
}

using XDisplay = std::unique_ptr<Display, int (*)(Display*)>;
XDisplay xOpen() {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return {XOpenDisplay(nullptr), XCloseDisplay};
}

std::string windowTitle(Display* x, Window window) {
    char* name = nullptr;
    XFetchName(x, window, &name);
    std::string title = name != nullptr ? name : "";
    XFree(name);
    return title;
}

// A mapped top-level window of class `exe` whose title matches; 0 if none appears in time.
Window windowFind(Display* x, const std::string& exe, const std::regex& title) {
    Window found = 0;
    waitUntil(
        [&] {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned int count = 0;
            XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
            for (unsigned int i = 0; i < count && found == 0; ++i) {
                XClassHint hint{};
                XWindowAttributes attributes{};
                XGetWindowAttributes(x, children[i], &attributes);
                if (XGetClassHint(x, children[i], &hint) != 0) {
                    if (attributes.map_state == IsViewable && exe == hint.res_class &&
                        std::regex_match(windowTitle(x, children[i]), title)) {
                        found = children[i];
                    }
                    XFree(hint.res_name);
                    XFree(hint.res_class);
                }
            }
            XFree(children);
            return found != 0;
        },
        60s);
    return found;
}

std::string windowSize(Display* x, Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(x, window, &attributes);
    return std::to_string(attributes.width) + "x" + std::to_string(attributes.height);
}

// A key pressed in the window, or the close a window manager sends when the user closes it.
void windowEnd(Display* x, Window window, KeySym key) {
    XWarpPointer(x, None, window, 0, 0, 0, 0, 20, 20);
    XSetInputFocus(x, window, RevertToParent, CurrentTime);
    if (key != NoSymbol) {
        XTestFakeKeyEvent(x, XKeysymToKeycode(x, key), True, CurrentTime);
        XTestFakeKeyEvent(x, XKeysymToKeycode(x, key), False, CurrentTime);
    } else {
        XEvent close{};
        close.xclient = {
            ClientMessage, 0, False, x, window, XInternAtom(x, "WM_PROTOCOLS", False), 32, {}};
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
        XSendEvent(x, window, False, NoEventMask, &close);
    }
    XSync(x, False);
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
            windowFind(x.get(), GetParam(), std::regex(R"(KIRU: (\d+\.\d\d|inf))"));
        EXPECT_NE(window, 0u) << "no window titled with a frame rate appeared";
        EXPECT_EQ(windowSize(x.get(), window), escape ? "640x480" : "800x600");
        const double rate = std::atof(windowTitle(x.get(), window).c_str() + 6);
        EXPECT_TRUE(!paced || (rate >= 1.0 && rate <= 64.0)) << windowTitle(x.get(), window);
        windowEnd(x.get(), window, escape ? XK_Escape : NoSymbol);
        // Without the window, this waits out the timeout and ends the program.
        EXPECT_EQ(waitExit(pid), 0) << (escape ? "Escape" : "close");
    }
}

const char* const kBuildNames[] = {"Paced", "Unpaced", "Realtime"};
INSTANTIATE_TEST_SUITE_P(ThreeBuilds, WinePrograms,
                         testing::Values("kiru.exe", "kiru-unpaced.exe", "kiru-realtime.exe"),
                         [](const auto& info) { return kBuildNames[info.index]; });

// A GUI program, yet its one line reaches a pipe on standard error (with Windows' line end);
// KIRU_NO_MESSAGE_BOX leaves out the box, which otherwise waits, titled "kiru", until it is
// answered. Either way the status is 1.
TEST(WineFailure, OneLineOnStandardErrorAndAMessageBoxAndStatusOne) {
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    const std::regex line(R"(kiru: no display \(SDL found only its offscreen or dummy video )"
                          R"(driver\)\r\n)");
    for (const bool box : {false, true}) {
        int errors = -1;
        const std::string quiet = box ? "" : "export KIRU_NO_MESSAGE_BOX=1; ";
        const pid_t pid = spawn(kNoWindow + quiet + kWine + "kiru.exe' 640 480 0", &errors);
        if (box) {
            const Window window = windowFind(x.get(), "kiru.exe", std::regex("kiru"));
            EXPECT_NE(window, 0u) << "no message box appeared";
            windowEnd(x.get(), window, XK_Return);
        }
        EXPECT_EQ(waitExit(pid), 1) << (box ? "with" : "without") << " the box";
        const std::string text = pipeDrain(errors);
        EXPECT_TRUE(std::regex_match(text, line)) << '"' << text << '"';
    }
}

// RGB bytes of a PNG; empty when it is missing.
std::vector<uint8_t> pngRgb(const std::string& path) {
    std::vector<uint8_t> bytes;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    SDL_Surface* rgb =
        loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
    for (int y = 0; rgb != nullptr && y < rgb->h; ++y) {
        const auto* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        bytes.insert(bytes.end(), row, row + rgb->w * 3);
    }
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(loaded);
    return bytes;
}

// kiru-capture.exe writes one frame of each scene as the native kiru-capture does: at least 99%
// of the pixels within 24/255 on every channel (the C runtimes' maths functions may differ in the
// last bits). The figures are printed.
TEST(WineCapture, OneFrameOfEachSceneAsTheNativeCaptureWritesIt) {
    const std::string dir = testing::TempDir() + "kiru-wine-capture";
    std::filesystem::remove_all(dir);
    const std::string frames = " --size 320x240 --frames 170,780,1561,2582,3122 --out '" + dir;
    ASSERT_EQ(waitExit(spawn(kWine + "kiru-capture.exe'" + frames + "/windows'", nullptr), 300s),
              0);
    ASSERT_EQ(waitExit(spawn("exec '" KIRU_CAPTURE_PATH "'" + frames + "/linux'"), 300s), 0);
    for (const char* name : {"frame-000170.png", "frame-000780.png", "frame-001561.png",
                             "frame-002582.png", "frame-003122.png"}) {
        const std::vector<uint8_t> windows = pngRgb(dir + "/windows/" + name);
        const std::vector<uint8_t> linux = pngRgb(dir + "/linux/" + name);
        ASSERT_EQ(windows.size(), 320u * 240 * 3) << name;
        ASSERT_EQ(linux.size(), windows.size()) << name;
        long same = 0, within = 0;
        int largest = 0;
        for (size_t i = 0; i < windows.size(); i += 3) {
            int worst = 0;
            for (size_t c = 0; c < 3; ++c) {
                worst = std::max(worst, std::abs(windows[i + c] - linux[i + c]));
            }
            same += worst == 0;
            within += worst <= 24;
            largest = std::max(largest, worst);
        }
        const double pixels = 320.0 * 240;
        std::printf("%s: %.3f%% of pixels the same, %.3f%% within 24/255, largest difference "
                    "%d/255\n",
                    name, 100 * same / pixels, 100 * within / pixels, largest);
        EXPECT_GE(within / pixels, 0.99) << name;
    }
}

} // namespace
