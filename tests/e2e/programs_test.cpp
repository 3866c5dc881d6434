// The programs as a user runs them under the test display: window size, title, keys, closing,
// exit statuses, full-screen, and the capture tool's arguments, stills, video, write errors and
// signals, with and without a display.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <SDL_image.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

using namespace std::chrono_literals;
using Size = std::pair<int, int>;

// Shell text that runs a program with no display at all.
const std::string kNoDisplay = "unset DISPLAY WAYLAND_DISPLAY; ";
const std::string kCapture = "exec '" KIRU_CAPTURE_PATH "' ";

// Runs a shell command line. The child dies with the test: an orphan would keep ctest's pipe
// open.
pid_t spawn(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

// Polls until done() is true; false once the timeout has passed.
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

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Standard error of a run, when it is exactly one line; "" otherwise.
std::string oneLine(const std::string& path) {
    const std::string text = readFile(path);
    return std::count(text.begin(), text.end(), '\n') == 1 && text.back() == '\n' ? text : "";
}

std::string freshDir(const char* name) {
    const std::string dir = testing::TempDir() + name;
    std::filesystem::remove_all(dir);
    return dir;
}

// A connection that ignores X errors: a window that goes away while it is searched gives
// BadWindow, and the default handler would end the test process.
using XDisplay = std::unique_ptr<Display, int (*)(Display*)>;
XDisplay xOpen(const char* name = nullptr) {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return {XOpenDisplay(name), XCloseDisplay};
}

// The mapped window whose _NET_WM_PID is pid, also inside a window manager's frame; 0 if none.
Window windowSearch(Display* x, Window parent, pid_t pid, int depth) {
    Window root = 0, up = 0, *children = nullptr, found = 0;
    unsigned int count = 0;
    XQueryTree(x, parent, &root, &up, &children, &count);
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        unsigned long type = 0, items = 0, after = 0; // type is an Atom
        int format = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(x, children[i], XInternAtom(x, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &items, &after, &data);
        XWindowAttributes attributes{};
        XGetWindowAttributes(x, children[i], &attributes);
        if (data != nullptr && items == 1 && attributes.map_state == IsViewable &&
            static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid) {
            found = children[i];
        } else if (depth > 1) {
            found = windowSearch(x, children[i], pid, depth - 1);
        }
        XFree(data);
    }
    XFree(children);
    return found;
}

Window windowFind(Display* x, pid_t pid) {
    Window found = 0;
    waitUntil([&] { return (found = windowSearch(x, DefaultRootWindow(x), pid, 3)) != 0; }, 60s);
    return found;
}

// "WIDTHxHEIGHT TITLE".
std::string windowState(Display* x, Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(x, window, &attributes);
    char* name = nullptr;
    XFetchName(x, window, &name);
    std::string state = std::to_string(attributes.width) + "x" + std::to_string(attributes.height) +
                        " " + (name != nullptr ? name : "");
    XFree(name);
    return state;
}

// Whether the window asks its manager for full screen (the manager stretches every window here,
// so the size alone cannot tell).
bool windowFullScreen(Display* x, Window window) {
    unsigned long type = 0, items = 0, after = 0; // type is an Atom
    int format = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_STATE", False), 0, 16, False, XA_ATOM,
                       &type, &format, &items, &after, &data);
    const Atom fullScreen = XInternAtom(x, "_NET_WM_STATE_FULLSCREEN", False);
    const bool found =
        data != nullptr &&
        std::find(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + items,
                  fullScreen) != reinterpret_cast<Atom*>(data) + items;
    XFree(data);
    return found;
}

// Escape pressed in the window, or the close a window manager sends when the user closes it.
void windowEnd(Display* x, Window window, bool escape) {
    XEvent close{};
    close.xclient = {
        ClientMessage, 0, False, x, window, XInternAtom(x, "WM_PROTOCOLS", False), 32, {}};
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    XWarpPointer(x, None, window, 0, 0, 0, 0, 20, 20);
    XSetInputFocus(x, window, RevertToParent, CurrentTime);
    if (escape) {
        XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_Escape), True, CurrentTime);
        XTestFakeKeyEvent(x, XKeysymToKeycode(x, XK_Escape), False, CurrentTime);
    } else {
        XSendEvent(x, window, False, NoEventMask, &close);
    }
    XSync(x, False);
}

class Programs : public testing::TestWithParam<const char*> {};

// The size from the arguments, or 800x600 when it is bad (642 is no multiple of 4); the title
// shows the frame rate from frame 16 on; Escape, or the close a window manager sends, ends the
// run with status 0.
TEST_P(Programs, WindowSizeTitleAndEndingTheRun) {
    const XDisplay x = xOpen();
    if (x == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    for (const bool escape : {true, false}) {
        const pid_t pid =
            spawn(std::string("exec ") + GetParam() + (escape ? " 640" : " 642") + " 480 0");
        const Window window = windowFind(x.get(), pid);
        ASSERT_NE(window, 0u) << "no window appeared";
        const std::regex state(std::string(escape ? "640x480" : "800x600") +
                               R"( KIRU: (\d+\.\d\d|inf))");
        EXPECT_TRUE(
            waitUntil([&] { return std::regex_match(windowState(x.get(), window), state); }, 60s))
            << '"' << windowState(x.get(), window) << '"';
        windowEnd(x.get(), window, escape);
        EXPECT_EQ(waitExit(pid), 0) << (escape ? "Escape" : "close");
    }
}

// SDL's offscreen driver would run the demo where nobody sees it: refused, in one line.
TEST_P(Programs, WithoutADisplayItSaysSoInOneLineAndTheStatusIsOne) {
    const std::string errors = testing::TempDir() + "kiru-no-display.stderr";
    EXPECT_EQ(waitExit(spawn(kNoDisplay + "exec " + GetParam() + " 640 480 0 2>" + errors)), 1);
    EXPECT_EQ(oneLine(errors).rfind("kiru: no display", 0), 0u) << readFile(errors);
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, Programs, testing::Values(KIRU_PATH, KIRU_UNPACED_PATH),
                         [](const auto& info) { return info.index == 0 ? "Paced" : "Unpaced"; });

// Full-screen under X11 is the window manager's work, and the shared test display has none (a
// managing one would resize every other test's window), so this runs on a private Xvfb with a
// small window manager of its own. With just "640 480" the flag still defaults to full-screen.
TEST(FullScreen, AtTheDesktopSizeUnlessAThirdArgumentSaysOtherwise) {
    const std::string number = testing::TempDir() + "kiru-fullscreen.display";
    std::filesystem::remove(number);
    const pid_t server =
        spawn("exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >" + number);
    waitUntil([&] { return readFile(number).ends_with("\n"); }, 10s);
    const std::string name = ":" + readFile(number).substr(0, readFile(number).size() - 1);
    const std::string on = "export DISPLAY=" + name + "; exec ";
    const pid_t manager = spawn(on + "matchbox-window-manager -use_titlebar no");
    XDisplay x = xOpen(name.c_str());
    ASSERT_NE(x, nullptr) << "could not start Xvfb";
    for (const auto& [args, full] :
         {std::pair{"", true}, {" 640 480", true}, {" 640 480 0", false}}) {
        const pid_t pid = spawn(on + KIRU_PATH + args);
        const Window window = windowFind(x.get(), pid);
        // The manager resizes it once it is mapped.
        EXPECT_TRUE(
            waitUntil([&] { return windowState(x.get(), window).starts_with("1024x768 "); }, 2s))
            << '"' << args << "\" gives " << windowState(x.get(), window);
        EXPECT_TRUE(waitUntil([&] { return windowFullScreen(x.get(), window) == full; }, 2s))
            << '"' << args << "\" full-screen: " << !full;
        windowEnd(x.get(), window, true);
        EXPECT_EQ(waitExit(pid), 0);
    }
    x.reset(); // before its server goes
    for (pid_t child : {manager, server}) {
        kill(child, SIGTERM);
        waitExit(child, 10s);
    }
}

// Frame-NNNNNN.png as RGB rows top-down; empty unless it is a width x height RGB image whose
// rows are not padded (so width times 3 is a multiple of 4).
std::vector<uint8_t> stillPixels(const std::string& dir, int frame, Size size) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    std::vector<uint8_t> bytes;
    if (SDL_Surface* image = IMG_Load((dir + name).c_str())) {
        if (Size{image->w, image->h} == size && image->pitch == size.first * 3) {
            const auto* pixels = static_cast<const uint8_t*>(image->pixels);
            bytes.assign(pixels, pixels + image->pitch * image->h);
        }
        SDL_FreeSurface(image);
    }
    return bytes;
}

// Bad arguments create nothing (status 2; the parsing itself is the CPU tests' work), a
// platform failure or an OpenGL error at start-up removes the folders it made (status 1), and a
// file that grows past the size limit gives status 1 and is not left, while the stills written
// before it stay, whole. Every message is one line, control characters escaped.
TEST(Capture, FailuresGiveOneLineAndTheirStatusAndLeaveOnlyWholeFiles) {
    const std::string dir = freshDir("kiru-capture-bad");
    const std::string video = dir + "/v.mp4";
    const std::string res = freshDir("kiru-capture-res");
    std::filesystem::create_directories(res + "/res");
    for (const char* image : {"font1.png", "particle1.png"}) {
        std::filesystem::create_symlink(std::filesystem::absolute("res") / image,
                                        res + "/res/" + image);
    }
    SDL_Surface* wide = SDL_CreateRGBSurfaceWithFormat(0, 32768, 1, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_EQ(IMG_SavePNG(wide, (res + "/res/box1.png").c_str()), 0);
    SDL_FreeSurface(wide);
    const struct {
        std::string before;
        std::string args;
        int status;
        std::string says; // for a write error, the file that grew too large, then the step
    } cases[] = {
        {"", "--frames '1-\n2'", 2, "1-\\n2"},
        {"", "--video /dev/null/v.mp4", 2, "not a folder"},
        {"export MESA_GL_VERSION_OVERRIDE=1.5; ", "--video " + dir + "/c/v.mp4", 1, "OpenGL 2.0"},
        // A box texture wider than the GL takes: an error the start-up raises is reported.
        {"cd " + res + "; ", "", 1, "the start-up raised OpenGL's GL_INVALID_VALUE"},
        // Stills of 1.1 and 22 KB under a limit of 5120 bytes; the video passes 20 KB by frame 350.
        {"ulimit -f 10; " + kNoDisplay, "--frames 400,700", 1, dir + "/a/frame-000700.png"},
        // The video's writes are buffered until its trailer; the step is named.
        {"ulimit -f 39; " + kNoDisplay, "--frames 300-400 --video " + video, 1,
         video + ": writing the trailer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before + c.args);
        std::filesystem::remove_all(dir);
        EXPECT_EQ(waitExit(spawn(c.before + kCapture + "--size 320x240 --out " + dir + "/a " +
                                 c.args + " 2>" + dir + ".stderr")),
                  c.status);
        const bool written = c.before.starts_with("ulimit");
        const std::string line = oneLine(dir + ".stderr");
        EXPECT_TRUE(line.find(c.says) != std::string::npos &&
                    (!written || line.ends_with(": File too large\n")))
            << readFile(dir + ".stderr");
        EXPECT_FALSE(std::filesystem::exists(written ? c.says.substr(0, c.says.find(':')) : dir));
        int kept = 0;
        std::error_code none;
        for (const auto& entry : std::filesystem::directory_iterator(dir + "/a", none)) {
            const int frame = std::stoi(entry.path().filename().string().substr(6, 6));
            EXPECT_FALSE(stillPixels(dir + "/a", frame, {320, 240}).empty()) << entry.path();
            kept += 1;
        }
        EXPECT_EQ(kept > 0, written) << kept;
    }
}

// What FFmpeg's own demuxer and decoder find in a video: codec, frames, pixel format, range,
// matrix, rate, time base and duration in one line. The frames asked for in rgb (counted from 1)
// are turned back into RGB by the BT.709 limited-range matrix.
std::string decode(const std::string& path, std::map<int, std::vector<uint8_t>>* rgb = nullptr) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) != 0) {
        return "no video";
    }
    avformat_find_stream_info(format, nullptr);
    const AVStream* stream = format->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, stream->codecpar);
    avcodec_open2(decoder, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int frames = 0;
    for (bool more = true; more;) {
        more = av_read_frame(format, packet) == 0; // then the decoder is drained
        avcodec_send_packet(decoder, more ? packet : nullptr);
        av_packet_unref(packet);
        while (avcodec_receive_frame(decoder, frame) == 0) {
            if (++frames; rgb == nullptr || !rgb->contains(frames)) {
                continue;
            }
            std::vector<uint8_t>& out = (*rgb)[frames];
            out.resize(static_cast<size_t>(frame->width) * frame->height * 3);
            SwsContext* scaler = sws_getContext(
                frame->width, frame->height, AV_PIX_FMT_YUV420P, frame->width, frame->height,
                AV_PIX_FMT_RGB24, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
            const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(scaler, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
            uint8_t* planes[1] = {out.data()};
            const int stride[1] = {frame->width * 3};
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, stride);
            sws_freeContext(scaler);
        }
    }
    char summary[160];
    const AVCodecParameters& tags = *stream->codecpar;
    std::snprintf(summary, sizeof summary,
                  "%s, %d frames, %s %s %s, %d/%d fps, time base %d/%d, %g s", codec->name, frames,
                  av_get_pix_fmt_name(AVPixelFormat(tags.format)),
                  av_color_range_name(tags.color_range), av_color_space_name(tags.color_space),
                  stream->r_frame_rate.num, stream->r_frame_rate.den, stream->time_base.num,
                  stream->time_base.den, static_cast<double>(format->duration) / AV_TIME_BASE);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return summary;
}

const std::string kRegular = std::to_string(static_cast<int>(std::filesystem::file_type::regular));

// Every entry under dir, links not followed: its kind, and a file's size and hash or a link's
// target.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    std::error_code none;
    for (auto i = fs::recursive_directory_iterator(dir, none); i != fs::end(i); i.increment(none)) {
        const fs::file_type type = i->symlink_status(none).type();
        std::string& what = entries[fs::relative(i->path(), dir).string()];
        what = std::to_string(static_cast<int>(type));
        if (type == fs::file_type::regular) {
            const std::string bytes = readFile(i->path());
            what += " " + std::to_string(bytes.size()) + " bytes, hash " +
                    std::to_string(std::hash<std::string>{}(bytes));
        } else if (type == fs::file_type::symlink) {
            what += " -> " + fs::read_symlink(i->path(), none).string();
        }
    }
    return entries;
}

// Whether the temporary file of dir/name is there: the run has begun writing it.
bool begun(const std::string& dir, const std::string& name) {
    const auto entries = snapshot(dir);
    return std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
        return entry.first.starts_with("." + name + ".");
    });
}

bool pngLoads(const std::string& path) {
    SDL_Surface* image = IMG_Load(path.c_str());
    SDL_FreeSurface(image);
    return image != nullptr;
}

// Small file systems of its own, for a test run as root where mounting is allowed; unmounted when
// it goes.
struct Mounts {
    std::vector<std::string> points;
    // False when this machine does not let the test mount one.
    bool add(const std::string& at, unsigned long flags) {
        std::filesystem::create_directories(at);
        if (geteuid() != 0 || mount("tmpfs", at.c_str(), "tmpfs", flags, "size=16k") != 0) {
            return false;
        }
        points.push_back(at);
        return true;
    }
    ~Mounts() {
        for (const std::string& at : points) {
            umount2(at.c_str(), MNT_DETACH);
        }
    }
};

// Where a video or a still may go: a new name or a regular file (or a link to one) is replaced,
// only by a complete file; a folder, FIFO, device, link to nothing, read-only or full file
// system, or a size no H.264 level holds, is refused or fails with its reason. Nothing that was
// there before changes unless the run completed, and nothing is left but whole stills.
TEST(Capture, DestinationsAreReplacedOnlyByACompleteFile) {
    namespace fs = std::filesystem;
    const std::string dir = freshDir("kiru-capture-destinations");
    const auto keep = [](const std::string& path) { return !!(std::ofstream(path) << "keep"); };
    const struct {
        const char* name;
        std::function<bool(const std::string& d, Mounts& mounts)> make; // false: cannot here
        std::string args;                                               // "@" is the folder
        int status;
        std::string says;
        std::string video; // the video a completed run leaves
    } cases[] = {
        {"new name", [](auto&, auto&) { return true; }, "--video @/new/v.mp4", 0, "", "new/v.mp4"},
        {"file", [&](auto& d, auto&) { return keep(d + "/v.mp4"); }, "--video @/v.mp4", 0, "",
         "v.mp4"},
        {"link to a file",
         [&](auto& d, auto&) {
             keep(d + "/t.mp4");
             return symlink("t.mp4", (d + "/v.mp4").c_str()) == 0;
         },
         "--video @/v.mp4", 0, "", "t.mp4"},
        {"folder", [&](auto& d, auto&) { return fs::create_directory(d + "/v.mp4"); },
         "--video @/v.mp4", 2, "is a folder", ""},
        {"FIFO", [](auto& d, auto&) { return mkfifo((d + "/v.mp4").c_str(), 0644) == 0; },
         "--video @/v.mp4", 2, "is a FIFO", ""},
        {"device", // /dev/full's numbers
         [](auto& d, auto&) {
             return mknod((d + "/v.mp4").c_str(), S_IFCHR | 0644, makedev(1, 7)) == 0;
         },
         "--video @/v.mp4", 2, "is a device", ""},
        {"link to nothing",
         [](auto& d, auto&) { return symlink("none", (d + "/v.mp4").c_str()) == 0; },
         "--video @/v.mp4", 2, "is a symbolic link to nothing", ""},
        {"FIFO among the stills",
         [](auto& d, auto&) { return mkfifo((d + "/frame-000002.png").c_str(), 0644) == 0; },
         "--frames 1-3 --out @", 2, "is a FIFO", ""},
        {"read-only file system", [](auto& d, auto& m) { return m.add(d + "/ro", MS_RDONLY); },
         "--video @/ro/v.mp4", 2, "Read-only file system", ""},
        {"too large for H.264", [&](auto& d, auto&) { return keep(d + "/v.mp4"); },
         "--size 16384x16384 --video @/v.mp4", 2, "too large for an H.264 video", ""},
        // Past 16 KB by frame 350 (see the size-limit case above).
        {"full file system",
         [&](auto& d, auto& m) { return m.add(d + "/full", 0) && keep(d + "/full/v.mp4"); },
         "--size 320x240 --frames 300-400 --video @/full/v.mp4", 1,
         "v.mp4: writing the trailer: No space left on device", ""},
        // The stills fail first; the video's new folder goes with its file.
        {"full file system for the stills", [](auto& d, auto& m) { return m.add(d + "/full", 0); },
         "--size 320x240 --frames 700-760 --out @/full/st --video @/new/v.mp4", 1,
         "No space left on device", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string d = dir + "/d";
        fs::remove_all(d);
        fs::create_directories(d);
        Mounts mounts;
        if (!c.make(d, mounts)) {
            std::printf("skipped \"%s\": this machine cannot make it (%s)\n", c.name,
                        std::strerror(errno));
            continue;
        }
        const std::map<std::string, std::string> before = snapshot(d);
        std::string args = "--size 160x120 --frames 1-2 " + c.args;
        for (size_t at; (at = args.find('@')) != std::string::npos;) {
            args.replace(at, 1, d);
        }
        EXPECT_EQ(waitExit(spawn(kNoDisplay + kCapture + args + " 2>" + dir + "/stderr")),
                  c.status);
        const std::string errors = readFile(dir + "/stderr");
        EXPECT_TRUE(c.status == 0 ? errors.empty()
                                  : oneLine(dir + "/stderr").find(c.says) != std::string::npos)
            << errors;
        const std::map<std::string, std::string> after = snapshot(d);
        EXPECT_TRUE(c.video.empty() || decode(d + "/" + c.video).starts_with("h264, 2 frames"));
        for (const auto& [name, what] : after) {
            if (name == c.video) {
                continue;
            }
            if (before.contains(name)) {
                EXPECT_EQ(before.at(name), what) << name;
                continue;
            }
            const bool holds = std::any_of(after.begin(), after.end(), [&](const auto& entry) {
                return entry.first.starts_with(name + "/");
            });
            // Only the folders of new stills, and whole stills, are new (never opened unless
            // regular: a FIFO would block the read).
            EXPECT_TRUE(holds || (what.starts_with(kRegular + " ") && name.ends_with(".png") &&
                                  pngLoads(d + "/" + name)))
                << name << " is new";
        }
        for (const auto& [name, what] : before) {
            EXPECT_TRUE(after.contains(name)) << name << " is gone";
        }
    }
}

// A second stop signal, of either kind, a few milliseconds after the first ends the run at once:
// killed by it, with the unfinished video and the folder made for it removed.
TEST(Capture, ASecondStopSignalOfEitherKindEndsTheRunAtOnce) {
    const std::string dir = freshDir("kiru-capture-signals");
    for (const auto& [first, second] : {std::pair{SIGINT, SIGTERM}, {SIGTERM, SIGINT}}) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir + "/d");
        std::ofstream(dir + "/d/keep.mp4") << "keep";
        const auto before = snapshot(dir + "/d");
        // Lossless and large: the stop after the first signal takes longer than the gap.
        const pid_t pid = spawn(kNoDisplay + kCapture + "--size 640x480 --crf 0 --video " + dir +
                                "/d/new/v.mp4 2>" + dir + "/stderr");
        waitUntil([&] { return begun(dir + "/d/new", "v.mp4"); }, 60s);
        std::this_thread::sleep_for(500ms);
        kill(pid, first);
        std::this_thread::sleep_for(5ms);
        kill(pid, second);
        EXPECT_EQ(waitExit(pid, 10s), 128 + second);
        EXPECT_EQ(snapshot(dir + "/d"), before);
        EXPECT_NE(oneLine(dir + "/stderr")
                      .find(std::string("second stop signal, ") +
                            (second == SIGINT ? "SIGINT" : "SIGTERM")),
                  std::string::npos)
            << readFile(dir + "/stderr");
    }
}

// A failed write to standard output, or its close, is a failure: status 1 and the reason.
TEST(Capture, StandardOutputFailuresGiveStatusOne) {
    const std::string errors = freshDir("kiru-capture-stdout.stderr");
    for (const char* args : {"--help", "--dry-run --frames 1 --stats"}) {
        EXPECT_EQ(waitExit(spawn(kNoDisplay + kCapture + args + " >/dev/full 2>" + errors)), 1);
        EXPECT_EQ(oneLine(errors),
                  "kiru-capture: cannot write to standard output: No space left on device\n");
    }
}

// A short export of scene 2 with no display at all: FFmpeg's decoder finds 120 H.264 frames at
// exactly 60 frames per second lasting 2 s, tagged BT.709 limited range, each close (PSNR) to the
// still of its frame. With a display, the stills read there are the headless ones byte for byte.
// SIGTERM stops a whole-loop video after the current frame: status 143, a message that says
// where, and a video that plays with exactly the frames encoded.
TEST(Capture, VideoWithoutADisplayMatchesItsStillsAndStopsOnSigterm) {
    const std::string dir = freshDir("kiru-capture-video");
    const std::string size = kCapture + "--size 320x240 --frames ";
    ASSERT_EQ(
        waitExit(spawn(kNoDisplay + size + "700-819 --out " + dir + " --video " + dir + "/v.mp4")),
        0);
    std::map<int, std::vector<uint8_t>> frames = {{1, {}}, {60, {}}, {120, {}}};
    EXPECT_EQ(decode(dir + "/v.mp4", &frames),
              "h264, 120 frames, yuv420p tv bt709, 60/1 fps, time base 1/60, 2 s");
    const bool x11 = std::getenv("DISPLAY") != nullptr;
    EXPECT_TRUE(!x11 || waitExit(spawn(size + "700,759,819 --out " + dir + "/x11")) == 0);
    for (const auto& [index, rgb] : frames) {
        const std::vector<uint8_t> still = stillPixels(dir, 699 + index, {320, 240});
        ASSERT_EQ(rgb.size(), still.size()) << index;
        EXPECT_TRUE(!x11 || stillPixels(dir + "/x11", 699 + index, {320, 240}) == still) << index;
        double sum = 0.0;
        for (size_t i = 0; i < rgb.size(); ++i) {
            sum += (rgb[i] - still[i]) * (rgb[i] - still[i]);
        }
        EXPECT_GE(10.0 * std::log10(255.0 * 255.0 * rgb.size() / sum), 35.0) << index;
    }
    const pid_t pid = spawn(kNoDisplay + kCapture + "--size 160x120 --video " + dir +
                            "/stop.mp4 2>" + dir + ".stderr");
    waitUntil([&] { return begun(dir, "stop.mp4"); }, 60s);
    std::this_thread::sleep_for(500ms);
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid), 143);
    const std::string stopped = decode(dir + "/stop.mp4");
    const std::string encoded = stopped.substr(6, stopped.find(" frames") - 6); // "h264, N frames"
    EXPECT_GT(std::atoi(encoded.c_str()), 0) << stopped;
    EXPECT_NE(
        oneLine(dir + ".stderr").find("stopped by SIGTERM after frame " + encoded + " of 4023"),
        std::string::npos)
        << readFile(dir + ".stderr");
}

// A whole loop through the real frame loop (under the sanitizers too, when the suite is built
// with them). Scene 1 switches every 3-D drawable off and restores the bars and captions, so its
// second pass repeats the first frame for frame. Drawing raises no OpenGL error in any scene.
TEST(Capture, WritesTheChosenFramesAndTheDemoLoopsBack) {
    const std::string dir = freshDir("kiru-capture-loop");
    constexpr int kLoop = 480 + 841 + 961 + 540 + 1201; // updates of scenes 1 to 5
    const std::string frames = "1,200-201," + std::to_string(kLoop + 1) + "," +
                               std::to_string(kLoop + 200) + "-" + std::to_string(kLoop + 201);
    ASSERT_EQ(waitExit(spawn(kNoDisplay + kCapture + "--size 160x120 --frames " + frames +
                             " --out " + dir),
                       600s),
              0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              6);
    for (int frame : {1, 200, 201}) {
        const std::vector<uint8_t> first = stillPixels(dir, frame, {160, 120});
        ASSERT_FALSE(first.empty()) << frame;
        EXPECT_EQ(stillPixels(dir, frame + kLoop, {160, 120}), first) << "frame " << frame;
    }
    // Every 8th frame of the loop draws without an OpenGL error, which would end the run.
    std::string eighths = "1";
    for (int frame = 9; frame <= kLoop; frame += 8) {
        eighths += "," + std::to_string(frame);
    }
    const std::string errors = dir + "/dry-run.stderr";
    EXPECT_EQ(waitExit(spawn(kNoDisplay + kCapture + "--dry-run --size 64x48 --frames " + eighths +
                             " 2>" + errors),
                       600s),
              0)
        << readFile(errors);
}

// A kiru-capture alone in a folder, started from another, finds no image anywhere: it refuses in
// one line that names the image, with status 1, and writes nothing.
TEST(Capture, WithNoImagesAnywhereItRefusesAndWritesNothing) {
    const std::string dir = freshDir("kiru-capture-alone");
    std::filesystem::create_directories(dir + "/bin");
    std::filesystem::create_directories(dir + "/work");
    std::filesystem::copy_file(KIRU_CAPTURE_PATH, dir + "/bin/kiru-capture");
    EXPECT_EQ(waitExit(spawn(kNoDisplay + "cd " + dir + "/work && exec ../bin/kiru-capture 2>" +
                             dir + "/stderr")),
              1);
    EXPECT_EQ(oneLine(dir + "/stderr").rfind("kiru-capture: cannot load the image res/", 0), 0u)
        << readFile(dir + "/stderr");
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/work"));
}

// The window's pixels, RGB rows from the top.
std::vector<uint8_t> windowPixels(Display* x, Window window, Size size) {
    std::vector<uint8_t> rgb;
    XImage* image = XGetImage(x, window, 0, 0, size.first, size.second, AllPlanes, ZPixmap);
    for (int y = 0; image != nullptr && y < size.second; ++y) {
        for (int px = 0; px < size.first; ++px) {
            const unsigned long pixel = XGetPixel(image, px, y);
            rgb.insert(rgb.end(), {uint8_t((pixel & image->red_mask) >> 16),
                                   uint8_t((pixel & image->green_mask) >> 8),
                                   uint8_t(pixel & image->blue_mask)});
        }
    }
    if (image != nullptr) {
        XDestroyImage(image);
    }
    return rgb;
}

// The frame among first..last whose still is the picture: the closest, when it is close (on
// average within 1/255) and the only one that is.
int frameOf(const std::vector<uint8_t>& picture, int first, int last, Size size) {
    const std::string dir = freshDir("kiru-realtime-stills");
    const std::string frames = std::to_string(first) + "-" + std::to_string(last);
    const std::string wh = std::to_string(size.first) + "x" + std::to_string(size.second);
    if (waitExit(spawn(kCapture + "--size " + wh + " --frames " + frames + " --out " + dir)) != 0) {
        return -1;
    }
    std::vector<std::pair<double, int>> distances;
    for (int frame = first; frame <= last; ++frame) {
        const std::vector<uint8_t> still = stillPixels(dir, frame, size);
        double sum = 0;
        for (size_t i = 0; i < still.size() && still.size() == picture.size(); ++i) {
            sum += std::abs(still[i] - picture[i]);
        }
        distances.push_back({still.size() == picture.size() ? sum / still.size() : 1e9, frame});
    }
    std::sort(distances.begin(), distances.end());
    const bool clear = distances[0].first < 1.0 && distances[1].first >= 1.0;
    return clear ? distances[0].second : -1;
}

// kiru-realtime keeps the demo's clock on the wall clock under Xvfb, whose swap does not wait:
// what is on screen at two moments seconds apart (in scene 2, where every frame differs) is the
// capture's frame of about 60 updates per real second since, and never ahead of the time since
// start.
TEST(Realtime, SixtyUpdatesPerSecondOfWallClock) {
    const XDisplay x = xOpen();
    if (x == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    using Clock = std::chrono::steady_clock;
    const Size size{320, 240};
    const Clock::time_point started = Clock::now();
    const pid_t pid = spawn(std::string("exec ") + KIRU_REALTIME_PATH + " 320 240 0");
    const Window window = windowFind(x.get(), pid);
    ASSERT_NE(window, 0u) << "no window appeared";
    std::vector<std::pair<double, std::vector<uint8_t>>> shots; // seconds since start, pixels
    for (const double at : {10.0, 16.0}) {
        std::this_thread::sleep_until(started + std::chrono::duration<double>(at));
        const double before = std::chrono::duration<double>(Clock::now() - started).count();
        std::vector<uint8_t> pixels = windowPixels(x.get(), window, size);
        const double after = std::chrono::duration<double>(Clock::now() - started).count();
        shots.push_back({(before + after) / 2, std::move(pixels)});
    }
    windowEnd(x.get(), window, true);
    EXPECT_EQ(waitExit(pid), 0);
    std::vector<std::pair<double, int>> seen; // seconds, frame
    for (const auto& [seconds, pixels] : shots) {
        const int latest = static_cast<int>(seconds * 60) + 1;
        const int frame = frameOf(pixels, latest - 150, latest + 30, size);
        ASSERT_GT(frame, 0) << "no frame matches the picture at " << seconds << " s";
        EXPECT_LE(frame, latest) << "ahead of the wall clock at " << seconds << " s";
        seen.push_back({seconds, frame});
    }
    const double rate = (seen[1].second - seen[0].second) / (seen[1].first - seen[0].first);
    std::printf("kiru-realtime: frames %d and %d at %.3f s and %.3f s: %.2f updates a second\n",
                seen[0].second, seen[1].second, seen[0].first, seen[1].first, rate);
    EXPECT_GE(rate, 58.5);
    EXPECT_LE(rate, 61.5);
}

} // namespace
