// The programs as a user runs them under the test display: window size, title, keys, closing,
// exit statuses, full-screen, and the capture tool's arguments and frames.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <SDL_image.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

pid_t spawn(const Args& args, const Args& env = {}, const char* errors = nullptr) {
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& assignment : env) {
            putenv(strdup(assignment.c_str()));
        }
        if (errors != nullptr) {
            freopen(errors, "w", stderr);
        }
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// The exit status, or -1 after killing a child that ran past the timeout.
int waitExit(pid_t pid, std::chrono::seconds timeout = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string readFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

std::string freshDir(const char* name) {
    const std::string dir = testing::TempDir() + name;
    std::filesystem::remove_all(dir);
    return dir;
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

    // The mapped window of the process, also inside a window manager's frame.
    std::optional<Window> findWindow(pid_t pid) {
        for (auto deadline = std::chrono::steady_clock::now() + 60s;
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
            if (std::optional<Window> found = search(DefaultRootWindow(display_), pid, 3)) {
                return found;
            }
        }
        return std::nullopt;
    }

    std::pair<int, int> size(Window window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, window, &attributes);
        return {attributes.width, attributes.height};
    }

    std::string title(Window window) {
        char* name = nullptr;
        std::string text;
        if (XFetchName(display_, window, &name) != 0 && name != nullptr) {
            text = name;
            XFree(name);
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
        XSendEvent(display_, window, False, NoEventMask, &event);
        XSync(display_, False);
    }

  private:
    std::optional<Window> search(Window window, pid_t pid, int depth) {
        const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        std::optional<Window> found;
        XQueryTree(display_, window, &root, &parent, &children, &count);
        for (unsigned int i = 0; i < count && !found; ++i) {
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(display_, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                               &format, &items, &after, &data);
            XWindowAttributes attributes{};
            XGetWindowAttributes(display_, children[i], &attributes);
            if (data != nullptr && items == 1 && attributes.map_state == IsViewable &&
                static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid) {
                found = children[i];
            } else if (depth > 1) {
                found = search(children[i], pid, depth - 1);
            }
            if (data != nullptr) {
                XFree(data);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }

    ::Display* display_;
};

class Programs : public testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        if (display_.get() == nullptr) {
            GTEST_SKIP() << "needs a display";
        }
    }
    Display display_;
};

TEST_P(Programs, WindowShowsTheFrameRateAndEscapeEndsTheRun) {
    const pid_t pid = spawn({GetParam(), "640", "480", "0"});
    const std::optional<Window> window = display_.findWindow(pid);
    ASSERT_TRUE(window) << "no window appeared";
    EXPECT_EQ(display_.size(*window), std::make_pair(640, 480));
    // The title is first set after frame 16.
    const std::regex pattern(R"(KIRU: (\d+\.\d\d|inf))");
    std::string title;
    for (int i = 0; i < 1200 && !std::regex_match(title, pattern); ++i) {
        std::this_thread::sleep_for(50ms);
        title = display_.title(*window);
    }
    EXPECT_TRUE(std::regex_match(title, pattern)) << '"' << title << '"';
    display_.pressEscape(*window);
    EXPECT_EQ(waitExit(pid), 0);
}

TEST_P(Programs, BadSizeGivesTheDefaultWindowAndClosingEndsTheRun) {
    const pid_t pid = spawn({GetParam(), "642", "480", "0"}); // 642 is no multiple of 4
    const std::optional<Window> window = display_.findWindow(pid);
    ASSERT_TRUE(window) << "no window appeared";
    EXPECT_EQ(display_.size(*window), std::make_pair(800, 600));
    display_.requestClose(*window);
    EXPECT_EQ(waitExit(pid), 0);
}

TEST_P(Programs, WithoutADisplayTheStatusIsOne) {
    EXPECT_EQ(waitExit(spawn({GetParam(), "640", "480", "0"}, {"DISPLAY=", "WAYLAND_DISPLAY="})),
              1);
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, Programs, testing::Values(KIRU_PATH, KIRU_UNPACED_PATH),
                         [](const auto& info) { return info.index == 0 ? "Paced" : "Unpaced"; });

// Full-screen under X11 is the window manager's work, and the shared test display has none (a
// managing one would resize every other test's window), so this runs on a private Xvfb with a
// small window manager of its own.
TEST(FullScreen, AtTheDesktopSizeUnlessAThirdArgumentSaysOtherwise) {
    int number = 150;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
        ++number;
    }
    const std::string name = ":" + std::to_string(number);
    const pid_t server =
        spawn({"/usr/bin/Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    for (int i = 0;
         i < 200 && !std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", name.c_str(), 1);
    const pid_t manager = spawn({"/usr/bin/matchbox-window-manager", "-use_titlebar", "no"});
    {
        Display display;
        ASSERT_NE(display.get(), nullptr) << "could not start Xvfb";
        // With just "640 480" or a lone width the flag still defaults to full-screen.
        for (const Args& args : {Args{}, Args{"640", "480"}, Args{"640"}}) {
            Args command = args;
            command.insert(command.begin(), KIRU_PATH);
            const pid_t pid = spawn(command);
            const std::optional<Window> window = display.findWindow(pid);
            ASSERT_TRUE(window) << "no window appeared";
            for (int i = 0; i < 100 && display.size(*window) != std::make_pair(1024, 768); ++i) {
                std::this_thread::sleep_for(20ms); // the manager resizes it once it is mapped
            }
            EXPECT_EQ(display.size(*window), std::make_pair(1024, 768)) << args.size() << " args";
            display.pressEscape(*window);
            EXPECT_EQ(waitExit(pid), 0);
        }
    }
    for (pid_t child : {manager, server}) {
        kill(child, SIGTERM);
        waitExit(child, 10s);
    }
    setenv("DISPLAY", saved.c_str(), 1);
}

TEST(Capture, FailuresGiveOneLineAndTheirStatusAndWriteNothing) {
    const std::string dir = freshDir("kiru-capture-bad");
    const std::string errors = dir + ".stderr";
    const struct {
        Args args;
        Args env;
        int status;
        const char* says;
    } cases[] = {
        {{"--size", "642x480"}, {}, 2, "size"},
        {{"--size", "0x0"}, {}, 2, "size"},
        {{"--frames", "0"}, {}, 2, "frame"},
        {{"--frames", "1-"}, {}, 2, "frame"},
        {{"--colour", "red"}, {}, 2, "unknown"},
        {{"--out", "/dev/null/stills"}, {}, 2, "folder"},
        {{}, {"MESA_GL_VERSION_OVERRIDE=1.5"}, 1, "OpenGL 2.0"},
    };
    for (const auto& c : cases) {
        Args args = c.args;
        if (args.empty() || args[0] != "--out") {
            args.insert(args.end(), {"--out", dir});
        }
        args.insert(args.begin(), KIRU_CAPTURE_PATH);
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(waitExit(spawn(args, c.env, errors.c_str())), c.status);
        const std::string message = readFile(errors);
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        if (c.status == 2) {
            EXPECT_FALSE(std::filesystem::exists(dir));
        }
    }
}

std::vector<uint8_t> rgbPixels(const std::string& dir, int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    std::vector<uint8_t> bytes;
    if (SDL_Surface* image = IMG_Load((dir + name).c_str())) {
        EXPECT_EQ(image->w, 160);
        EXPECT_EQ(image->h, 120);
        EXPECT_EQ(image->format->BytesPerPixel, 3);
        for (int y = 0; y < image->h; ++y) {
            const auto* row = static_cast<const uint8_t*>(image->pixels) + y * image->pitch;
            bytes.insert(bytes.end(), row, row + image->w * 3);
        }
        SDL_FreeSurface(image);
    }
    return bytes;
}

// A whole loop through the real frame loop (under the sanitizers too, when the suite is built
// with them). Scene 1 switches every 3-D drawable off and restores the bars and captions, so its
// second pass repeats the first frame for frame.
TEST(Capture, WritesTheChosenFramesAndTheDemoLoopsBack) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    const std::string dir = freshDir("kiru-capture-loop");
    constexpr int kLoop = 480 + 841 + 961 + 540 + 1201; // updates of scenes 1 to 5
    const std::string frames = "1,200-201," + std::to_string(kLoop + 1) + "," +
                               std::to_string(kLoop + 200) + "-" + std::to_string(kLoop + 201);
    ASSERT_EQ(
        waitExit(spawn({KIRU_CAPTURE_PATH, "--size", "160x120", "--frames", frames, "--out", dir}),
                 600s),
        0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              6);
    for (int frame : {1, 200, 201}) {
        const std::vector<uint8_t> first = rgbPixels(dir, frame);
        ASSERT_FALSE(first.empty()) << frame;
        EXPECT_EQ(rgbPixels(dir, frame + kLoop), first) << "frame " << frame;
    }
}

} // namespace
