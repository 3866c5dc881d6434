#pragma once
// What the tests that run the programs share: starting them and waiting for them, reading what
// they leave behind, and finding, reading and ending their windows on an X display.

#include <X11/Xlib.h>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs a shell command line. The child dies with the test: an orphan would keep ctest's pipe open.
pid_t spawn(const std::string& command);
// Polls every 20 ms until done() is true; false once the timeout has passed.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// The exit status, 128 + the signal that ended it, or -1 after killing a child that ran past the
// timeout.
int waitExit(pid_t pid, std::chrono::seconds timeout = std::chrono::seconds(60));

std::string readFile(const std::string& path);
// Whether text is exactly one line, and it begins with start.
bool oneLineStarting(const std::string& text, const std::string& start);
// The path of name in the test's temporary folder, with nothing there.
std::string freshDir(const std::string& name);
// Shell text that runs a program with no display at all, and that runs kiru-capture.
inline const std::string kNoDisplay = "unset DISPLAY WAYLAND_DISPLAY; ";
inline const std::string kCapture = "exec '" KIRU_CAPTURE_PATH "' ";
// Runs a shell command line with its standard output and error in out; its status.
int shellRun(const std::string& command, std::string& out,
             std::chrono::seconds timeout = std::chrono::seconds(300));
// A private Xvfb with one screen of the given size ("1024x768x24"), ended with the object; name is
// its display (":N"), just ":" when it did not come up.
struct Xvfb {
    std::string name;
    pid_t pid = 0;
    explicit Xvfb(const std::string& screen);
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    ~Xvfb();
};

// Pixels as RGB rows from the top.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
    bool operator==(const Picture&) const = default;
};
// How two pictures of one size differ: by the largest difference of a pixel's three channels, the
// share of the pixels within the tolerance and the largest difference; over all channels, the mean
// difference (in 1/255) and the peak signal-to-noise ratio (in dB). As far as can be for pictures
// of different sizes or none.
struct PictureDifference {
    double within = 0;
    int largest = 255;
    double mean = 255;
    double psnr = 0;
};
PictureDifference pictureCompare(const Picture& a, const Picture& b, int tolerance);
// A PNG of any pixel format; empty when it cannot be read.
Picture pngRead(const std::string& path);
// The still kiru-capture writes for a frame: dir/frame-NNNNNN.png.
Picture stillRead(const std::string& dir, int32_t frame);
// The frame among first..last whose still (kiru-capture's, with no display) the picture is: the
// closest, when it is within 1/255 on average and the only one that is; -1 otherwise.
int frameMatch(const Picture& picture, int first, int last);

// What ffprobe finds in a video's first stream (entries as -show_entries takes them), counting
// its frames: a line of comma-separated values for each section, its subsections left out.
std::string videoProbe(const std::string& path, const std::string& entries);
// A video's frames of the given size; a YUV one turned back by BT.709's limited-range matrix.
std::vector<Picture> videoFrames(const std::string& path, bool yuv, int32_t width, int32_t height);

// A connection that ignores X errors: a window that goes away while it is searched gives
// BadWindow, and the default handler would end the test process.
using XDisplay = std::unique_ptr<Display, int (*)(Display*)>;
XDisplay xOpen(const char* name = nullptr);
// The 32-bit items of a window's property of the given type (at most 16); none if it has none.
std::vector<unsigned long> windowProperty(Display* x, Window window, const char* name, Atom type);
// A viewable window of the program (its class: a program's file name, also a Windows program's
// under Wine, whose _NET_WM_PID may name a Wine process; any for "") whose "WIDTHxHEIGHT TITLE"
// matches state, searched for up to 60 s from the root, also inside a window manager's frames; 0
// if none.
Window windowFind(Display* x, const std::string& program, const std::string& state = ".*");
// "WIDTHxHEIGHT TITLE".
std::string windowState(Display* x, Window window);
// A key pressed in the window, or with NoSymbol the close a window manager sends when the user
// closes it.
void windowEnd(Display* x, Window window, KeySym key);
// The top-left width x height pixels of the window.
Picture windowPixels(Display* x, Window window, int32_t width, int32_t height);
