// The programs as a user runs them, under the test display: window size, title, keys, closing,
// exit statuses, and the capture tool's argument handling.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <SDL_image.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
constexpr auto kStartTimeout = 60s;

// A child process whose environment may lose DISPLAY or gain variables.
struct Child {
    pid_t pid = -1;
};

Child spawn(const std::vector<std::string>& args, const std::vector<std::string>& setEnv = {},
            bool dropDisplay = false, const char* stderrPath = nullptr) {
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        if (dropDisplay) {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
        }
        for (const std::string& assignment : setEnv) {
            putenv(strdup(assignment.c_str()));
        }
        if (stderrPath != nullptr) {
            freopen(stderrPath, "w", stderr);
        }
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// Waits for the child to exit; the exit status, or -1 on a timeout (then the child is killed).
int waitExit(Child& child, std::chrono::seconds timeout = kStartTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid) {
            child.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child.pid, SIGKILL);
            waitpid(child.pid, &status, 0);
            child.pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
}

std::string readFile(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, n);
        }
        std::fclose(file);
    }
    return text;
}

class Display {
  public:
    Display() : display_(XOpenDisplay(nullptr)) {}
    ~Display() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    ::Display* get() const { return display_; }

    // The viewable top-level window that carries the process id, once it is mapped.
    std::optional<Window> findWindow(pid_t pid, std::chrono::seconds timeout = kStartTimeout) {
        const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count);
            std::optional<Window> found;
            for (unsigned int i = 0; i < count && !found; ++i) {
                Atom type = 0;
                int format = 0;
                unsigned long items = 0, after = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display_, children[i], pidAtom, 0, 1, False, XA_CARDINAL,
                                       &type, &format, &items, &after, &data) == Success &&
                    data != nullptr) {
                    XWindowAttributes attributes{};
                    XGetWindowAttributes(display_, children[i], &attributes);
                    if (items == 1 &&
                        static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid &&
                        attributes.map_state == IsViewable) {
                        found = children[i];
                    }
                    XFree(data);
                }
            }
            if (children != nullptr) {
                XFree(children);
            }
            if (found) {
                return found;
            }
            std::this_thread::sleep_for(50ms);
        }
        return std::nullopt;
    }

    std::string title(Window window) {
        const Atom name = XInternAtom(display_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(display_, window, name, 0, 256, False, utf8, &type, &format, &items,
                               &after, &data) == Success &&
            data != nullptr) {
            text.assign(reinterpret_cast<char*>(data), items);
            XFree(data);
        }
        return text;
    }

    void pressEscape(Window window) {
        XWarpPointer(display_, None, window, 0, 0, 0, 0, 20, 20);
        XSetInputFocus(display_, window, RevertToParent, CurrentTime);
        const KeyCode escape = XKeysymToKeycode(display_, XK_Escape);
        XTestFakeKeyEvent(display_, escape, True, CurrentTime);
        XTestFakeKeyEvent(display_, escape, False, CurrentTime);
        XSync(display_, False);
    }

    // What a window manager sends when the user closes the window.
    void requestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XSync(display_, False);
    }

  private:
    ::Display* display_;
};

class Programs : public testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || !display_.get()) {
            GTEST_SKIP() << "needs a display";
        }
    }
    Display display_;
};

TEST_P(Programs, WindowedRunShowsTheFrameRateAndEndsOnEscape) {
    Child child = spawn({GetParam(), "640", "480", "0"});
    const std::optional<Window> window = display_.findWindow(child.pid);
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_.get(), *window, &attributes);
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);

    // The title is set after frame 16 and then every 16 frames.
    const std::regex titlePattern(R"(KIRU: (-?\d+\.\d\d|inf))");
    std::string title;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!std::regex_match(title, titlePattern) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        title = display_.title(*window);
    }
    EXPECT_TRUE(std::regex_match(title, titlePattern)) << "title: \"" << title << '"';

    display_.pressEscape(*window);
    EXPECT_EQ(waitExit(child), 0);
}

TEST_P(Programs, ClosingTheWindowEndsTheRunWithStatusZero) {
    Child child = spawn({GetParam(), "320", "240", "0"});
    const std::optional<Window> window = display_.findWindow(child.pid);
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    display_.requestClose(*window);
    EXPECT_EQ(waitExit(child), 0);
}

TEST_P(Programs, BadSizeFallsBackToTheDefaultWindow) {
    Child child = spawn({GetParam(), "642", "480", "0"});
    const std::optional<Window> window = display_.findWindow(child.pid);
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_.get(), *window, &attributes);
    EXPECT_EQ(attributes.width, 800);
    EXPECT_EQ(attributes.height, 600);
    display_.requestClose(*window);
    EXPECT_EQ(waitExit(child), 0);
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, Programs, testing::Values(KIRU_PATH, KIRU_UNPACED_PATH),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "Paced" : "Unpaced");
                         });

TEST(NoDisplay, BothBuildsExitWithStatusOne) {
    for (const char* program : {KIRU_PATH, KIRU_UNPACED_PATH}) {
        Child child = spawn({program, "640", "480", "0"}, {}, /*dropDisplay=*/true);
        EXPECT_EQ(waitExit(child), 1) << program;
    }
}

std::string freshDir(const char* name) {
    const std::string dir = testing::TempDir() + name;
    std::filesystem::remove_all(dir);
    return dir;
}

TEST(Capture, BadArgumentsGiveStatusTwoAndWriteNothing) {
    const std::string dir = freshDir("kiru-capture-bad");
    const std::string errors = dir + ".stderr";
    const std::vector<std::vector<std::string>> cases = {
        {"--size", "642x480"}, {"--size", "0x0"},   {"--frames", "0"},
        {"--frames", "1-"},    {"--colour", "red"}, {"--out", "/dev/null/stills"},
    };
    for (std::vector<std::string> args : cases) {
        if (args[0] != "--out") {
            args.insert(args.end(), {"--out", dir});
        }
        args.insert(args.begin(), KIRU_CAPTURE_PATH);
        Child child = spawn(args, {}, false, errors.c_str());
        EXPECT_EQ(waitExit(child), 2) << args[1] << ' ' << args[2];
        const std::string message = readFile(errors);
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        EXPECT_FALSE(std::filesystem::exists(dir)) << args[1];
    }
}

TEST(Capture, OldOpenGlIsAPlatformFailure) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    const std::string dir = freshDir("kiru-capture-gl15");
    const std::string errors = dir + ".stderr";
    Child child = spawn({KIRU_CAPTURE_PATH, "--out", dir}, {"MESA_GL_VERSION_OVERRIDE=1.5"}, false,
                        errors.c_str());
    EXPECT_EQ(waitExit(child), 1);
    EXPECT_NE(readFile(errors).find("OpenGL 2.0"), std::string::npos) << readFile(errors);
}

TEST(Capture, WritesTheChosenFramesAsRgbPngs) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    const std::string dir = freshDir("kiru-capture-frames");
    Child child =
        spawn({KIRU_CAPTURE_PATH, "--size", "320x240", "--frames", "1,3-4", "--out", dir});
    ASSERT_EQ(waitExit(child), 0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame-000001.png", "frame-000003.png",
                                               "frame-000004.png"}));
    SDL_Surface* image = IMG_Load((dir + "/frame-000001.png").c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->w, 320);
    EXPECT_EQ(image->h, 240);
    EXPECT_EQ(image->format->BytesPerPixel, 3);
    EXPECT_EQ(image->format->Amask, 0u);
    SDL_FreeSurface(image);
}

} // namespace
