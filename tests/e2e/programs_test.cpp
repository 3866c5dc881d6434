// The programs as a user runs them under the test display: window size, title, keys, closing,
// exit statuses, full-screen, and the capture tool's arguments, stills, video, write errors and
// signals, with and without a display.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <SDL_image.h>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

// Runs args[0]; env entries are added to the environment, errors receives standard error, and
// a non-zero fileLimit caps the size of every file the child writes (RLIMIT_FSIZE).
pid_t spawn(const Args& args, const Args& env = {}, const char* errors = nullptr,
            rlim_t fileLimit = 0) {
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // no orphans when a test dies
        if (fileLimit != 0) {
            const rlimit limit{fileLimit, fileLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
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

// Standard error of a run, when it is exactly one line; "" otherwise.
std::string oneLine(const std::string& path) {
    const std::string text = readFile(path);
    return std::count(text.begin(), text.end(), '\n') == 1 && text.back() == '\n' ? text : "";
}

const Args kNoDisplay = {"DISPLAY=", "WAYLAND_DISPLAY="};

class Display {
  public:
    // A window that goes away while it is searched gives BadWindow: ignored, not fatal.
    Display() : display_(XOpenDisplay(nullptr)) {
        XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
    }
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

// SDL's offscreen driver would run the demo where nobody sees it: refused, in one line.
TEST_P(Programs, WithoutADisplayItSaysSoInOneLineAndTheStatusIsOne) {
    const std::string errors = testing::TempDir() + "kiru-no-display.stderr";
    EXPECT_EQ(waitExit(spawn({GetParam(), "640", "480", "0"}, kNoDisplay, errors.c_str())), 1);
    EXPECT_EQ(oneLine(errors).rfind("kiru: no display", 0), 0u) << readFile(errors);
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

// Bad arguments create nothing (status 2), a platform failure removes the folders it made
// (status 1), and every message is one line, control characters escaped.
TEST(Capture, FailuresGiveOneLineAndTheirStatusAndLeaveNothing) {
    const std::string dir = freshDir("kiru-capture-bad");
    const std::string errors = dir + ".stderr";
    const struct {
        Args args;
        Args env;
        int status;
        const char* says;
    } cases[] = {
        {{"--size", "642x480"}, {}, 2, "size"},
        {{"--frames", "0"}, {}, 2, "frame"},
        {{"--frames", "1-\n2"}, {}, 2, "1-\\n2"},
        {{"--colour", "red"}, {}, 2, "unknown"},
        {{"--crf", "52"}, {}, 2, "crf"},
        {{"--video", "/dev/null/v.mp4"}, {}, 2, "not a folder"},
        {{}, {"MESA_GL_VERSION_OVERRIDE=1.5"}, 1, "OpenGL 2.0"},
    };
    for (const auto& c : cases) {
        Args args = {KIRU_CAPTURE_PATH, "--out", dir + "/a/b", "--video", dir + "/c/v.mp4"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(waitExit(spawn(args, c.env, errors.c_str())), c.status);
        EXPECT_NE(oneLine(errors).find(c.says), std::string::npos) << readFile(errors);
        EXPECT_FALSE(std::filesystem::exists(dir));
    }
}

// Frame-NNNNNN.png as RGB rows top-down; empty unless it is a width x height image.
std::vector<uint8_t> stillPixels(const std::string& dir, int frame, int width, int height) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    std::vector<uint8_t> bytes;
    if (SDL_Surface* image = IMG_Load((dir + name).c_str())) {
        for (int y = 0; image->w == width && image->h == height && y < height; ++y) {
            const auto* row = static_cast<const uint8_t*>(image->pixels) + y * image->pitch;
            bytes.insert(bytes.end(), row, row + width * image->format->BytesPerPixel);
        }
        SDL_FreeSurface(image);
    }
    return bytes;
}

// What FFmpeg's own demuxer and decoder find in a video, with the chosen frames (counted from
// 1) turned back into RGB by the BT.709 limited-range matrix.
struct Video {
    std::string codec;
    int frames = 0;
    AVRational rate{}, timeBase{};
    double seconds = 0.0;
    int format = -1, range = -1, space = -1;
    std::map<int, std::vector<uint8_t>> rgb;
};

Video decode(const std::string& path, std::vector<int> keep = {}) {
    Video video;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) != 0 ||
        avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return video;
    }
    const AVStream* stream = format->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, stream->codecpar);
    avcodec_open2(decoder, codec, nullptr);
    video.codec = codec->name;
    video.rate = stream->r_frame_rate;
    video.timeBase = stream->time_base;
    video.seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto receive = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            video.frames += 1;
            video.format = frame->format;
            video.range = frame->color_range;
            video.space = frame->colorspace;
            if (std::find(keep.begin(), keep.end(), video.frames) == keep.end()) {
                continue;
            }
            std::vector<uint8_t>& rgb = video.rgb[video.frames];
            rgb.resize(static_cast<size_t>(frame->width) * frame->height * 3);
            SwsContext* scaler = sws_getContext(
                frame->width, frame->height, AV_PIX_FMT_YUV420P, frame->width, frame->height,
                AV_PIX_FMT_RGB24, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
            const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(scaler, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
            uint8_t* out[1] = {rgb.data()};
            const int stride[1] = {frame->width * 3};
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, out, stride);
            sws_freeContext(scaler);
        }
    };
    while (av_read_frame(format, packet) == 0) {
        avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
        receive();
    }
    avcodec_send_packet(decoder, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return video;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size() && a.size() == b.size(); ++i) {
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    }
    return a.empty() || a.size() != b.size() ? 0.0
                                             : 10.0 * std::log10(255.0 * 255.0 * a.size() / sum);
}

// A short export of scene 2 with no display at all: FFmpeg's decoder finds 120 H.264 frames at
// exactly 60 frames per second lasting 2 s, tagged BT.709 limited range, each close to the still
// of its frame. With a display, the stills read there are the headless ones byte for byte.
TEST(Capture, VideoWithoutADisplayMatchesItsStills) {
    const std::string dir = freshDir("kiru-capture-video");
    ASSERT_EQ(waitExit(spawn({KIRU_CAPTURE_PATH, "--size", "320x240", "--frames", "700-819",
                              "--out", dir, "--video", dir + "/v.mp4"},
                             kNoDisplay)),
              0);
    const Video video = decode(dir + "/v.mp4", {1, 60, 120});
    EXPECT_EQ(video.codec, "h264");
    EXPECT_EQ(video.frames, 120);
    EXPECT_EQ(av_cmp_q(video.rate, {60, 1}), 0);
    EXPECT_EQ(av_cmp_q(video.timeBase, {1, 60}), 0);
    EXPECT_DOUBLE_EQ(video.seconds, 2.0);
    EXPECT_EQ(video.format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(video.range, AVCOL_RANGE_MPEG);
    EXPECT_EQ(video.space, AVCOL_SPC_BT709);
    for (const auto& [index, rgb] : video.rgb) {
        EXPECT_GE(psnr(rgb, stillPixels(dir, 699 + index, 320, 240)), 35.0) << index;
    }
    if (std::getenv("DISPLAY") != nullptr) {
        const std::string x11 = dir + "/x11";
        ASSERT_EQ(waitExit(spawn({KIRU_CAPTURE_PATH, "--size", "320x240", "--frames", "700,819",
                                  "--out", x11})),
                  0);
        for (int frame : {700, 819}) {
            const std::vector<uint8_t> shown = stillPixels(x11, frame, 320, 240);
            EXPECT_FALSE(shown.empty());
            EXPECT_EQ(shown, stillPixels(dir, frame, 320, 240)) << frame;
        }
    }
}

// A file that grows past the size limit: status 1, one line naming it and the reason, the file
// gone; the stills written before it stay, whole.
TEST(Capture, AWriteErrorGivesStatusOneAndLeavesOnlyWholeFiles) {
    const std::string dir = freshDir("kiru-capture-full");
    const std::string errors = dir + ".stderr";
    const struct {
        Args args;
        rlim_t limit;
        const char* fails;
        int kept; // stills that stay
    } cases[] = {
        {{"--frames", "400,700"}, 5000, "/frame-000700.png", 1},                   // 1.1 and 22 KB
        {{"--frames", "300-400", "--video", dir + "/v.mp4"}, 20000, "/v.mp4", -1}, // 10 and 46 KB
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir);
        Args args = {KIRU_CAPTURE_PATH, "--size", "320x240", "--out", dir};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(waitExit(spawn(args, kNoDisplay, errors.c_str(), c.limit)), 1);
        const std::string message = oneLine(errors);
        EXPECT_NE(message.find(dir + c.fails + ": File too large"), std::string::npos)
            << readFile(errors);
        EXPECT_FALSE(std::filesystem::exists(dir + c.fails));
        int kept = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const int frame = std::stoi(entry.path().filename().string().substr(6, 6));
            EXPECT_FALSE(stillPixels(dir, frame, 320, 240).empty()) << entry.path();
            kept += 1;
        }
        EXPECT_TRUE(c.kept < 0 ? kept > 0 : kept == c.kept) << kept;
    }
}

// SIGTERM stops a video after the current frame; what was encoded plays, and the message says
// where it stopped.
TEST(Capture, SigtermStopsTheVideoAfterTheCurrentFrameAndItPlays) {
    const std::string dir = freshDir("kiru-capture-stop");
    const std::string errors = dir + ".stderr";
    const pid_t pid = spawn({KIRU_CAPTURE_PATH, "--size", "160x120", "--video", dir + "/v.mp4"},
                            kNoDisplay, errors.c_str());
    for (int i = 0; i < 3000 && !std::filesystem::exists(dir + "/v.mp4"); ++i) {
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid), 143);
    std::smatch match;
    const std::string message = oneLine(errors);
    ASSERT_TRUE(std::regex_search(message, match,
                                  std::regex("stopped by SIGTERM after frame (\\d+) of 4023")))
        << readFile(errors);
    const int frames = std::stoi(match[1]);
    EXPECT_GT(frames, 0);
    EXPECT_EQ(decode(dir + "/v.mp4").frames, frames);
}

// A whole loop through the real frame loop (under the sanitizers too, when the suite is built
// with them). Scene 1 switches every 3-D drawable off and restores the bars and captions, so its
// second pass repeats the first frame for frame.
TEST(Capture, WritesTheChosenFramesAndTheDemoLoopsBack) {
    const std::string dir = freshDir("kiru-capture-loop");
    constexpr int kLoop = 480 + 841 + 961 + 540 + 1201; // updates of scenes 1 to 5
    const std::string frames = "1,200-201," + std::to_string(kLoop + 1) + "," +
                               std::to_string(kLoop + 200) + "-" + std::to_string(kLoop + 201);
    ASSERT_EQ(
        waitExit(spawn({KIRU_CAPTURE_PATH, "--size", "160x120", "--frames", frames, "--out", dir},
                       kNoDisplay),
                 600s),
        0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              6);
    for (int frame : {1, 200, 201}) {
        const std::vector<uint8_t> first = stillPixels(dir, frame, 160, 120);
        ASSERT_FALSE(first.empty()) << frame;
        EXPECT_EQ(stillPixels(dir, frame + kLoop, 160, 120), first) << "frame " << frame;
    }
}

} // namespace
