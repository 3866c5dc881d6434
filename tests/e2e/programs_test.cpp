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

    // The viewable window that carries the process id, once it is mapped; a window manager
    // may have put it inside a frame of its own.
    std::optional<Window> findWindow(pid_t pid, std::chrono::seconds timeout = kStartTimeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (std::optional<Window> found = search(DefaultRootWindow(display_), pid, 3)) {
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
    bool ownedBy(Window window, pid_t pid) {
        const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        bool owned = false;
        if (XGetWindowProperty(display_, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data != nullptr) {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display_, window, &attributes);
            owned = items == 1 &&
                    static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid &&
                    attributes.map_state == IsViewable;
            XFree(data);
        }
        return owned;
    }

    std::optional<Window> search(Window window, pid_t pid, int depth) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::optional<Window> found;
        if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) {
            return found;
        }
        for (unsigned int i = 0; i < count && !found; ++i) {
            if (ownedBy(children[i], pid)) {
                found = children[i];
            } else if (depth > 1) {
                found = search(children[i], pid, depth - 1);
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

// Full-screen under X11 is the window manager's work, and the shared test display has none (a
// managing one would resize every other test's window). So this runs on a private Xvfb with a
// small window manager of its own.
class FullScreen : public testing::Test {
  protected:
    void SetUp() override {
        int number = 150;
        while (number < 200 &&
               std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
            ++number;
        }
        name_ = ":" + std::to_string(number);
        server_ =
            spawn({"/usr/bin/Xvfb", name_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i) {
            std::this_thread::sleep_for(50ms);
        }
        setenv("KIRU_TEST_SAVED_DISPLAY", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "", 1);
        setenv("DISPLAY", name_.c_str(), 1);
        display_.emplace();
        if (display_->get() == nullptr) {
            GTEST_SKIP() << "could not start a private Xvfb";
        }
        manager_ = spawn({"/usr/bin/matchbox-window-manager", "-use_titlebar", "no"});
        std::this_thread::sleep_for(500ms);
        int status = 0;
        if (waitpid(manager_.pid, &status, WNOHANG) == manager_.pid) {
            manager_.pid = -1;
            GTEST_SKIP() << "needs matchbox-window-manager";
        }
    }
    void TearDown() override {
        display_.reset();
        for (Child* child : {&manager_, &server_}) {
            if (child->pid > 0) {
                kill(child->pid, SIGTERM);
                waitExit(*child, 10s);
            }
        }
        setenv("DISPLAY", std::getenv("KIRU_TEST_SAVED_DISPLAY"), 1);
    }
    std::string name_;
    Child server_;
    Child manager_;
    std::optional<Display> display_;
};

TEST_F(FullScreen, AtTheDesktopSizeUnlessAThirdArgumentSaysOtherwise) {
    const struct {
        std::vector<std::string> args;
        int width, height;
    } runs[] = {
        {{}, 1024, 768},
        {{"640", "480"}, 1024, 768}, // the flag defaults to full-screen
        {{"640"}, 1024, 768},        // a lone width is ignored
    }; // windowed runs are checked on the shared display: this manager maximises every window
    for (const auto& run : runs) {
        std::vector<std::string> args = run.args;
        args.insert(args.begin(), KIRU_PATH);
        SCOPED_TRACE(testing::PrintToString(run.args));
        Child child = spawn(args);
        const std::optional<Window> window = display_->findWindow(child.pid);
        ASSERT_TRUE(window.has_value()) << "no window appeared";
        XWindowAttributes attributes{};
        for (int i = 0; i < 100; ++i) { // the manager resizes it just after it is mapped
            XGetWindowAttributes(display_->get(), *window, &attributes);
            if (attributes.width == run.width && attributes.height == run.height) {
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_EQ(attributes.width, run.width);
        EXPECT_EQ(attributes.height, run.height);
        display_->pressEscape(*window);
        EXPECT_EQ(waitExit(child), 0);
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

namespace {

std::string framePng(const std::string& dir, int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    return dir + name;
}

std::vector<uint8_t> pixelsOf(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (SDL_Surface* image = IMG_Load(path.c_str())) {
        for (int y = 0; y < image->h; ++y) {
            const auto* row = static_cast<const uint8_t*>(image->pixels) + y * image->pitch;
            bytes.insert(bytes.end(), row, row + image->w * image->format->BytesPerPixel);
        }
        SDL_FreeSurface(image);
    }
    return bytes;
}

// A whole loop of the demo through the real frame loop (under the sanitizers too, when the suite
// is built with them). Scene 1 switches every 3-D drawable off and restores the bars and
// captions, so its second pass repeats the first frame for frame.
TEST(Capture, TheDemoLoopsBackToTheSameFirstScene) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    const std::string dir = freshDir("kiru-capture-loop");
    constexpr int kLoop = 480 + 841 + 961 + 540 + 1201; // updates of scenes 1 to 5
    const std::string frames = "1,200,300," + std::to_string(kLoop + 1) + "," +
                               std::to_string(kLoop + 200) + "," + std::to_string(kLoop + 300);
    Child child = spawn({KIRU_CAPTURE_PATH, "--size", "160x120", "--frames", frames, "--out", dir});
    ASSERT_EQ(waitExit(child, std::chrono::seconds(600)), 0);
    for (int frame : {1, 200, 300}) {
        const std::vector<uint8_t> first = pixelsOf(framePng(dir, frame));
        ASSERT_FALSE(first.empty()) << frame;
        EXPECT_EQ(pixelsOf(framePng(dir, frame + kLoop)), first) << "frame " << frame;
    }
}

} // namespace
