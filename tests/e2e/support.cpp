// gtest first: Xlib defines names such as None and Bool as macros.
#include <gtest/gtest.h>

#include "support.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <SDL_image.h>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

pid_t spawn(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    for (const auto deadline = std::chrono::steady_clock::now() + timeout; !done();
         std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

int waitExit(pid_t pid, std::chrono::seconds timeout) {
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

bool oneLineStarting(const std::string& text, const std::string& start) {
    return text.starts_with(start) && std::ranges::count(text, '\n') == 1 && text.ends_with('\n');
}

std::string freshDir(const std::string& name) {
    const std::string dir = testing::TempDir() + name;
    std::filesystem::remove_all(dir);
    return dir;
}

int shellRun(const std::string& command, std::string& out, std::chrono::seconds timeout) {
    const std::string file = freshDir("kiru-shell.out");
    const int status = waitExit(spawn("(" + command + ") >" + file + " 2>&1"), timeout);
    out = readFile(file);
    return status;
}

Xvfb::Xvfb(const std::string& screen) {
    const std::string number = freshDir("kiru-xvfb-" + screen + ".display");
    pid = spawn("exec Xvfb -displayfd 1 -screen 0 " + screen + " -nolisten tcp >" + number);
    waitUntil([&] { return readFile(number).ends_with("\n"); }, std::chrono::seconds(10));
    const std::string text = readFile(number);
    name = ":" + text.substr(0, text.find('\n'));
}

Xvfb::~Xvfb() {
    kill(pid, SIGTERM);
    waitExit(pid, std::chrono::seconds(10));
}

std::string videoProbe(const std::string& path, const std::string& entries) {
    std::string out;
    shellRun("ffprobe -v error -count_frames -select_streams v:0 -show_entries " + entries +
                 " -of csv=p=0 '" + path + "'",
             out);
    return std::regex_replace(out, std::regex(",*\n+"), "\n"); // a subsection's empty places
}

std::vector<Picture> videoFrames(const std::string& path, bool yuv, int32_t width, int32_t height) {
    const std::string file = freshDir("kiru-video.rgb");
    std::string log;
    shellRun(
        "ffmpeg -v error -i '" + path + "' " +
            (yuv ? "-vf scale=in_color_matrix=bt709:in_range=tv:out_range=pc,format=rgb24 " : "") +
            "-pix_fmt rgb24 -f rawvideo -y " + file,
        log);
    const std::string rgb = readFile(file);
    std::vector<Picture> frames;
    for (size_t at = 0, size = width * height * 3; at + size <= rgb.size(); at += size) {
        frames.push_back({width, height, {rgb.begin() + at, rgb.begin() + at + size}});
    }
    return frames;
}

Picture pngRead(const std::string& path) {
    SDL_Surface* loaded = IMG_Load(path.c_str());
    SDL_Surface* rgb =
        loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
    Picture picture{rgb ? rgb->w : 0, rgb ? rgb->h : 0, {}};
    for (int32_t y = 0; y < picture.height; ++y) {
        const auto* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        picture.rgb.insert(picture.rgb.end(), row, row + picture.width * 3);
    }
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(loaded);
    return picture;
}

PictureDifference pictureCompare(const Picture& a, const Picture& b, int tolerance) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) {
        return {};
    }
    PictureDifference difference{.largest = 0};
    double within = 0, sum = 0, squares = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        const auto d = [&](size_t c) { return std::abs(a.rgb[i + c] - b.rgb[i + c]); };
        const int worst = std::max({d(0), d(1), d(2)});
        within += worst <= tolerance;
        sum += d(0) + d(1) + d(2);
        squares += d(0) * d(0) + d(1) * d(1) + d(2) * d(2);
        difference.largest = std::max(difference.largest, worst);
    }
    difference.within = within / (a.rgb.size() / 3);
    difference.mean = sum / a.rgb.size();
    difference.psnr = 10 * std::log10(255.0 * 255 * a.rgb.size() / std::max(squares, 1.0));
    return difference;
}

Picture stillRead(const std::string& dir, int32_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    return pngRead(dir + name);
}

int frameMatch(const Picture& picture, int first, int last) {
    const std::string dir = freshDir("kiru-frame-match");
    std::string out;
    shellRun(kNoDisplay + kCapture + "--size " + std::to_string(picture.width) + "x" +
                 std::to_string(picture.height) + " --frames " + std::to_string(first) + "-" +
                 std::to_string(last) + " --out " + dir,
             out);
    std::vector<std::pair<double, int>> distances{{255, -1}, {255, -1}}; // mean, frame
    for (int frame = first; frame <= last; ++frame) {
        distances.push_back({pictureCompare(picture, stillRead(dir, frame), 0).mean, frame});
    }
    std::sort(distances.begin(), distances.end());
    std::printf("closest frame %d at %.3f/255 on average, then frame %d at %.3f/255\n",
                distances[0].second, distances[0].first, distances[1].second, distances[1].first);
    return distances[0].first < 1.0 && distances[1].first >= 1.0 ? distances[0].second : -1;
}

XDisplay xOpen(const char* name) {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return {XOpenDisplay(name), XCloseDisplay};
}

std::vector<unsigned long> windowProperty(Display* x, Window window, const char* name, Atom type) {
    unsigned long got = 0, items = 0, after = 0; // got is an Atom
    int format = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(x, window, XInternAtom(x, name, False), 0, 16, False, type, &got, &format,
                       &items, &after, &data);
    // Xlib hands 32-bit items over as longs.
    const auto* first = reinterpret_cast<const unsigned long*>(data);
    const std::vector<unsigned long> values(first, first + (format == 32 ? items : 0));
    XFree(data);
    return values;
}

namespace {

Window windowSearch(Display* x, Window parent, const std::function<bool(Window)>& is, int depth) {
    Window root = 0, up = 0, *children = nullptr, found = 0;
    unsigned int count = 0;
    XQueryTree(x, parent, &root, &up, &children, &count);
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(x, children[i], &attributes);
        if (attributes.map_state == IsViewable && is(children[i])) {
            found = children[i];
        } else if (depth > 1) {
            found = windowSearch(x, children[i], is, depth - 1);
        }
    }
    XFree(children);
    return found;
}

} // namespace

Window windowFind(Display* x, const std::string& program, const std::string& state) {
    const auto is = [&](Window window) {
        XClassHint hint{};
        XGetClassHint(x, window, &hint);
        const bool is = (program.empty() || (hint.res_class && program == hint.res_class)) &&
                        std::regex_match(windowState(x, window), std::regex(state));
        XFree(hint.res_name);
        XFree(hint.res_class);
        return is;
    };
    Window found = 0;
    waitUntil([&] { return (found = windowSearch(x, DefaultRootWindow(x), is, 3)) != 0; },
              std::chrono::seconds(60));
    return found;
}

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

Picture windowPixels(Display* x, Window window, int32_t width, int32_t height) {
    Picture picture{width, height, {}};
    XImage* image = XGetImage(x, window, 0, 0, width, height, AllPlanes, ZPixmap);
    for (int32_t i = 0; image != nullptr && i < width * height; ++i) {
        const unsigned long pixel = XGetPixel(image, i % width, i / width);
        picture.rgb.insert(picture.rgb.end(), {uint8_t((pixel & image->red_mask) >> 16),
                                               uint8_t((pixel & image->green_mask) >> 8),
                                               uint8_t(pixel & image->blue_mask)});
    }
    if (image != nullptr) {
        XDestroyImage(image);
    }
    return picture;
}
