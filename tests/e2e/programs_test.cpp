// The programs as a user runs them under the test display: window size, title, keys, closing,
// exit statuses, full-screen, and the capture tool's arguments, stills, video, write errors and
// signals, with and without a display.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <SDL_image.h>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kCapture = "exec '" KIRU_CAPTURE_PATH "' ";

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
        windowEnd(x.get(), window, escape ? XK_Escape : NoSymbol);
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
    const Xvfb xvfb("1024x768x24");
    const std::string on = "export DISPLAY=" + xvfb.name + "; exec ";
    const pid_t manager = spawn(on + "matchbox-window-manager -use_titlebar no");
    XDisplay x = xOpen(xvfb.name.c_str());
    ASSERT_NE(x, nullptr) << "could not start Xvfb";
    // Whether the window asks its manager for full screen (the manager stretches every window
    // here, so the size alone cannot tell).
    const auto fullScreen = [&](Window window) {
        const Atom state = XInternAtom(x.get(), "_NET_WM_STATE_FULLSCREEN", False);
        return std::ranges::count(windowProperty(x.get(), window, "_NET_WM_STATE", XA_ATOM), state);
    };
    for (const auto& [args, full] :
         {std::pair{"", true}, {" 640 480", true}, {" 640 480 0", false}}) {
        const pid_t pid = spawn(on + KIRU_PATH + args);
        const Window window = windowFind(x.get(), pid);
        // The manager resizes it once it is mapped.
        EXPECT_TRUE(
            waitUntil([&] { return windowState(x.get(), window).starts_with("1024x768 "); }, 2s))
            << '"' << args << "\" gives " << windowState(x.get(), window);
        EXPECT_TRUE(waitUntil([&] { return fullScreen(window) == full; }, 2s))
            << '"' << args << "\" full-screen: " << !full;
        windowEnd(x.get(), window, XK_Escape);
        EXPECT_EQ(waitExit(pid), 0);
    }
    x.reset(); // before its server goes
    kill(manager, SIGTERM);
    waitExit(manager, 10s);
}

// Of a video that plays: "codec,frames".
std::string framesProbe(const std::string& path) {
    return videoProbe(path, "stream=codec_name,nb_read_frames");
}

const std::string kRegular = std::to_string(static_cast<int>(fs::file_type::regular));

// Every entry under dir, links not followed: its kind, and a file's size and hash or a link's
// target.
std::map<std::string, std::string> snapshot(const std::string& dir) {
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

// One destination or failure of a capture run.
struct Destination {
    const char* name;
    std::string make; // shell text that sets "@" up; it fails where this machine cannot
    std::string args; // after "--size 160x120 --frames 780-781" (in scene 2)
    int status;
    std::string says;
    std::string keeps = "";  // a video or still the run leaves whole
    std::string before = ""; // shell text before the run
};

void PrintTo(const Destination& c, std::ostream* out) {
    *out << '"' << c.name << '"';
}

// Small file systems of its own, where the test may mount them (as root).
const std::string kMount = "mount -t tmpfs -o size=16k";

const Destination kDestinations[] = {
    {"NewName", "", "--out @ --video @/new/v.mp4", 0, "", "new/v.mp4"},
    {"File", "echo keep >@/v.mp4", "--out @ --video @/v.mp4", 0, "", "v.mp4"},
    {"LinkToAFile", "echo keep >@/t.mp4; ln -s t.mp4 @/v.mp4", "--out @ --video @/v.mp4", 0, "",
     "t.mp4"},
    {"Folder", "mkdir @/v.mp4", "--video @/v.mp4", 2, "is a folder"},
    {"NameOfAFolder", "", "--video @/new.mp4/", 2, "is a folder"},
    {"FIFO", "mkfifo @/v.mp4", "--video @/v.mp4", 2, "is a FIFO"},
    {"Device", "mknod @/v.mp4 c 1 7", "--video @/v.mp4", 2, "is a device"}, // /dev/full's
    {"LinkToNothing", "ln -s none @/v.mp4", "--video @/v.mp4", 2, "link to nothing"},
    {"FIFOAmongTheStills", "mkfifo @/frame-000002.png", "--frames 1-3 --out @", 2, "is a FIFO"},
    {"InNoFolder", "", "--video /dev/null/v.mp4", 2, "not a folder"},
    {"VideoAmongTheStills", "", "--out @ --video @/frame-000781.png", 2, "still of frame 781"},
    {"VideoAsTheStillsFolder", "", "--out @/v.mp4 --video @/v.mp4", 2, "stills' folder"},
    {"ControlCharacters", "", "--frames '1-\n2'", 2, "1-\\n2"},
    {"HelpToAFullStandardOutput", "", "--help >/dev/full", 1, "standard output: No space left"},
    {"StatisticsToAFullStandardOutput", "", "--dry-run --stats >/dev/full", 1,
     "standard output: No space left"},
    {"ReadOnlyFileSystem", "mkdir @/ro && " + kMount + ",ro none @/ro", "--video @/ro/v.mp4", 2,
     "Read-only file system"},
    {"TooLargeForH264", "echo keep >@/v.mp4", "--size 16384x16384 --video @/v.mp4", 2,
     "too large for an H.264 video"},
    // Past 16 KB by frame 350, past 20 KB with the trailer, which is written last.
    {"FullFileSystem", "mkdir @/full && " + kMount + " none @/full && echo keep >@/full/v.mp4",
     "--size 320x240 --frames 300-400 --video @/full/v.mp4", 1,
     "v.mp4: writing the trailer: No space left on device"},
    {"FileSizeLimit", "", "--size 320x240 --frames 300-400 --video @/v.mp4", 1,
     "v.mp4: writing the trailer: File too large", "", "ulimit -f 39; "},
    // Stills of 1.1 and 22 KB: the first stays. With the video's new folder, the stills fail
    // first and the folder goes with its file.
    {"FileSizeLimitForTheStills", "", "--size 320x240 --frames 400,700 --out @/a", 1,
     "a/frame-000700.png: File too large", "a/frame-000400.png", "ulimit -f 10; "},
    {"FullFileSystemForTheStills", "mkdir @/full && " + kMount + " none @/full",
     "--size 320x240 --frames 700-760 --out @/full/st --video @/new/v.mp4", 1,
     "No space left on device"},
    // Both outputs need the new folder a, made once and removed after b and c.
    {"NoOpenGL20", "", "--out @/a/b --video @/a/c/v.mp4", 1, "OpenGL 2.0", "",
     "export MESA_GL_VERSION_OVERRIDE=1.5; "},
    // A box image wider than the GL takes (made beside "@") is refused from its header, before
    // any GL call.
    {"ImageWiderThanTheGLTakes",
     "mkdir @/res && cp @/../wide.png @/res/box1.png && ln -s \"$PWD\"/res/font1.png "
     "\"$PWD\"/res/particle1.png @/res",
     "", 1, "res/box1.png is 32768 x 1 pixels, more than the 4096 x 4096", "", "cd @; "},
};

// Where a video or a still may go, and how a run fails: a new name or a regular file (or a link to
// one) is replaced, only by a complete file; a folder, FIFO, device, link to nothing, read-only or
// full file system, a file size limit, or a size no H.264 level holds, is refused or fails with
// its reason, as are bad arguments (status 2; the parsing itself is the CPU tests' work), a
// platform without OpenGL 2.0, an image too large to load and a failed write to standard output
// or its close (status 1). Every message is one line, control characters escaped. Nothing that
// was there before changes unless the run completed, the folders a failed run made are gone, and
// nothing is left but whole stills and completed videos, whose frames match their stills.
class CaptureDestinations : public testing::TestWithParam<Destination> {
  protected:
    static void SetUpTestSuite() {
        dir = freshDir("kiru-capture-destinations");
        fs::create_directories(dir);
    }
    void TearDown() override {
        waitExit(spawn("umount -l " + d() + "/ro " + d() + "/full 2>/dev/null"));
    }
    static std::string d() { return dir + "/d"; }
    static inline std::string dir;
};

TEST_P(CaptureDestinations, LeaveOnlyWholeFiles) {
    const Destination& c = GetParam();
    const std::string d = this->d();
    if (!fs::exists(dir + "/wide.png")) {
        SDL_Surface* wide = SDL_CreateRGBSurfaceWithFormat(0, 32768, 1, 32, SDL_PIXELFORMAT_RGBA32);
        ASSERT_EQ(IMG_SavePNG(wide, (dir + "/wide.png").c_str()), 0);
        SDL_FreeSurface(wide);
    }
    const auto at = [&](std::string text) { // "@" is the folder
        for (size_t at; (at = text.find('@')) != std::string::npos;) {
            text.replace(at, 1, d);
        }
        return text;
    };
    fs::remove_all(d);
    fs::create_directories(d);
    if (waitExit(spawn(at(c.make) + " 2>" + dir + "/stderr")) != 0) {
        GTEST_SKIP() << "this machine cannot set the case up: " << readFile(dir + "/stderr");
    }
    const std::map<std::string, std::string> before = snapshot(d);
    EXPECT_EQ(
        waitExit(spawn(at(kNoDisplay + c.before + kCapture + "--size 160x120 --frames 780-781 " +
                          c.args + " 2>" + dir + "/stderr"))),
        c.status);
    const std::string errors = readFile(dir + "/stderr");
    EXPECT_TRUE(c.status == 0 ? errors.empty()
                              : oneLine(dir + "/stderr").find(c.says) != std::string::npos)
        << errors;
    const std::map<std::string, std::string> after = snapshot(d);
    // A completed video plays at exactly 60 frames per second, tagged BT.709 limited range,
    // each frame close (PSNR) to its still.
    if (c.keeps.ends_with(".mp4")) {
        const std::string video = d + "/" + c.keeps;
        EXPECT_EQ(videoProbe(video, "stream=codec_name,pix_fmt,color_range,color_space,"
                                    "r_frame_rate,time_base,nb_read_frames:format=duration"),
                  "h264,yuv420p,tv,bt709,60/1,1/60,2\n0.034000\n");
        const std::string rgb = videoRgb(video, true);
        for (const int frame : {780, 781}) {
            EXPECT_GE(videoPsnr(rgb, frame - 780, stillRead(d, frame)), 35) << frame;
        }
    }
    EXPECT_TRUE(!c.keeps.ends_with(".png") || !pngRead(d + "/" + c.keeps).rgb.empty());
    for (const auto& [name, what] : after) {
        if (name == c.keeps) {
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
                              !pngRead(d + "/" + name).rgb.empty()))
            << name << " is new";
    }
    for (const auto& [name, what] : before) {
        EXPECT_TRUE(after.contains(name)) << name << " is gone";
    }
}

INSTANTIATE_TEST_SUITE_P(Capture, CaptureDestinations, testing::ValuesIn(kDestinations),
                         [](const auto& info) { return std::string(info.param.name); });

// SIGTERM stops a whole-loop video after the current frame: status 143, a message that says
// where, and a video that plays with exactly the frames encoded. A second stop signal, of either
// kind, a few milliseconds after the first ends the run at once: killed by it, with the
// unfinished video and the folder made for it removed.
TEST(Capture, StopSignalsEndTheRunAfterTheFrameOrAtOnce) {
    const std::string dir = freshDir("kiru-capture-signals");
    for (const auto& [first, second] :
         {std::pair{SIGTERM, 0}, {SIGINT, SIGTERM}, {SIGTERM, SIGINT}}) {
        SCOPED_TRACE(second);
        fs::remove_all(dir);
        fs::create_directories(dir + "/d");
        std::ofstream(dir + "/d/keep.mp4") << "keep";
        const auto before = snapshot(dir + "/d");
        // Lossless and large: the stop after the first signal (the queued frames and the
        // encoder's delayed ones) takes far longer than the gap, even on a busy machine.
        const pid_t pid = spawn(kNoDisplay + kCapture + "--size 1280x720 --crf 0 --video " + dir +
                                "/d/new/v.mp4 2>" + dir + "/stderr");
        ASSERT_TRUE(waitUntil([&] { return begun(dir + "/d/new", "v.mp4"); }, 60s));
        std::this_thread::sleep_for(500ms);
        kill(pid, first);
        // The second once the first is taken (pending no more): on a busy machine both could
        // be pending at once, and the lower number is taken first.
        const std::string status = "/proc/" + std::to_string(pid) + "/status";
        for (int k = 0;
             k < 100000 && readFile(status).find("ShdPnd:\t0000000000000000") == std::string::npos;
             ++k) {
        }
        kill(pid, second); // signal 0 sends nothing
        EXPECT_EQ(waitExit(pid, 10s), 128 + (second != 0 ? second : first));
        const std::string line = oneLine(dir + "/stderr");
        if (second == 0) {
            const std::string stopped = framesProbe(dir + "/d/new/v.mp4");
            std::smatch frames; // the last field of the first line
            ASSERT_TRUE(std::regex_search(stopped, frames, std::regex(R"(^h264,([1-9]\d*)\n)")))
                << stopped;
            const std::string encoded = frames[1];
            EXPECT_NE(line.find("stopped by SIGTERM after frame " + encoded + " of 4023"),
                      std::string::npos)
                << line;
        } else {
            EXPECT_EQ(snapshot(dir + "/d"), before);
            const std::string name = second == SIGINT ? "SIGINT" : "SIGTERM";
            EXPECT_NE(line.find("second stop signal, " + name), std::string::npos) << line;
        }
    }
}

// Closing the capture's window is a viewer's stop: like a stop signal, it keeps a video that
// plays with exactly the frames encoded, says after which frame, and exits with status 3.
TEST(Capture, ClosingItsWindowKeepsAPlayableVideo) {
    const XDisplay x = xOpen();
    if (x == nullptr) {
        GTEST_SKIP() << "needs a display";
    }
    const std::string dir = freshDir("kiru-capture-closed");
    fs::create_directories(dir);
    const pid_t pid =
        spawn(kCapture + "--size 320x240 --video " + dir + "/v.mp4 2>" + dir + ".stderr");
    const Window window = windowFind(x.get(), pid);
    ASSERT_NE(window, 0u) << "no window appeared";
    ASSERT_TRUE(waitUntil([&] { return begun(dir, "v.mp4"); }, 60s));
    std::this_thread::sleep_for(500ms);
    windowEnd(x.get(), window, NoSymbol);
    EXPECT_EQ(waitExit(pid), 3);
    const std::string line = oneLine(dir + ".stderr");
    std::smatch after;
    ASSERT_TRUE(std::regex_search(line, after,
                                  std::regex(R"(the window was closed after frame (\d+) of 4023)")))
        << line;
    const std::string decoded = framesProbe(dir + "/v.mp4");
    EXPECT_NE(decoded.find("," + after[1].str() + "\n"), std::string::npos) << decoded;
    EXPECT_FALSE(begun(dir, "v.mp4"));
}

// A run killed outright (SIGKILL) leaves its temporary file. The next run into that folder
// removes the files of kiru-capture's pattern that no live run holds (of the video's name beside
// the video, of any still's name beside the stills) and nothing else; a run beside it, writing
// the same video, leaves its temporary file alone, and it completes.
TEST(Capture, TheNextRunClearsWhatAKilledRunLeft) {
    const std::string dir = freshDir("kiru-capture-litter");
    fs::create_directories(dir);
    const std::string video = " --video " + dir + "/v.mp4 2>/dev/null";
    const auto temps = [&] {
        std::set<std::string> names;
        for (const auto& [name, what] : snapshot(dir)) {
            if (name.starts_with(".v.mp4.") && name.size() == std::strlen(".v.mp4.Ab12Cd")) {
                names.insert(name);
            }
        }
        return names;
    };
    const pid_t killed = spawn(kNoDisplay + kCapture + "--size 320x240" + video);
    ASSERT_TRUE(waitUntil([&] { return begun(dir, "v.mp4"); }, 60s));
    kill(killed, SIGKILL);
    EXPECT_EQ(waitExit(killed), 128 + SIGKILL);
    const std::set<std::string> stale = temps();
    ASSERT_EQ(stale.size(), 1u);
    for (const char* name : {".frame-000005.png.Ab12Cd", ".notes.Ab12Cd", ".frame-5.png.Ab12Cd.x",
                             ".v.mp4.Ab12C", "frame-000005.png.Ab12Cd"}) {
        std::ofstream(dir + "/" + name) << "left";
    }
    // The next run clears the killed one's file as it starts, and writes its own.
    const pid_t live = spawn(kNoDisplay + kCapture + "--size 320x240 --frames 1-2400" + video);
    ASSERT_TRUE(waitUntil(
        [&] {
            const std::set<std::string> now = temps();
            return now.size() == 1 && !stale.contains(*now.begin());
        },
        60s));
    const std::set<std::string> own = temps();
    // A run beside it leaves its file alone.
    EXPECT_EQ(
        waitExit(spawn(kNoDisplay + kCapture + "--size 160x120 --frames 1 --out " + dir + video)),
        0);
    const std::string state = readFile("/proc/" + std::to_string(live) + "/stat");
    ASSERT_TRUE(!state.empty() && state.find(") Z") == std::string::npos)
        << "the live run ended too soon to tell";
    EXPECT_EQ(temps(), own);
    EXPECT_EQ(waitExit(live, 300s), 0);
    EXPECT_TRUE(temps().empty());
    const auto after = snapshot(dir);
    for (const char* name :
         {".notes.Ab12Cd", ".frame-5.png.Ab12Cd.x", ".v.mp4.Ab12C", "frame-000005.png.Ab12Cd"}) {
        EXPECT_TRUE(after.contains(name)) << name;
    }
    EXPECT_FALSE(after.contains(".frame-000005.png.Ab12Cd"));
    EXPECT_EQ(framesProbe(dir + "/v.mp4").substr(0, 5), "h264,");
}

// A whole loop through the real frame loop (under the sanitizers too, when the suite is built
// with them): every 8th frame draws without an OpenGL error, which would end the run. Scene 1
// switches every 3-D drawable off and restores the bars and captions, so its second pass repeats
// the first frame for frame.
TEST(Capture, WritesTheChosenFramesAndTheDemoLoopsBack) {
    const std::string dir = freshDir("kiru-capture-loop");
    constexpr int kLoop = 480 + 841 + 961 + 540 + 1201; // updates of scenes 1 to 5
    std::string frames = std::to_string(kLoop + 1) + "," + std::to_string(kLoop + 201) + "," +
                         std::to_string(kLoop + 401);
    int listed = 3;
    for (int frame = 1; frame <= kLoop; frame += 8, ++listed) {
        frames += "," + std::to_string(frame);
    }
    ASSERT_EQ(waitExit(spawn(kNoDisplay + kCapture + "--size 160x120 --frames " + frames +
                             " --out " + dir + " 2>" + dir + ".stderr"),
                       600s),
              0)
        << readFile(dir + ".stderr");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), listed);
    for (int frame : {1, 201, 401}) {
        const Picture first = stillRead(dir, frame);
        ASSERT_FALSE(first.rgb.empty()) << frame;
        EXPECT_EQ(stillRead(dir, frame + kLoop), first) << "frame " << frame;
    }
}

// A kiru-capture alone in a folder, started from another, finds no image anywhere: it refuses in
// one line that names the image, with status 1, and writes nothing.
TEST(Capture, WithNoImagesAnywhereItRefusesAndWritesNothing) {
    const std::string dir = freshDir("kiru-capture-alone");
    fs::create_directories(dir + "/bin");
    fs::create_directories(dir + "/work");
    fs::copy_file(KIRU_CAPTURE_PATH, dir + "/bin/kiru-capture");
    EXPECT_EQ(waitExit(spawn(kNoDisplay + "cd " + dir + "/work && exec ../bin/kiru-capture 2>" +
                             dir + "/stderr")),
              1);
    EXPECT_EQ(oneLine(dir + "/stderr").rfind("kiru-capture: cannot load the image res/", 0), 0u)
        << readFile(dir + "/stderr");
    EXPECT_TRUE(fs::is_empty(dir + "/work"));
}

// The frame among first..last whose still is the picture: the closest, when it is close (on
// average within 1/255) and the only one that is.
int frameOf(const Picture& picture, int first, int last) {
    const std::string dir = freshDir("kiru-realtime-stills");
    const std::string size = std::to_string(picture.width) + "x" + std::to_string(picture.height);
    const std::string frames = std::to_string(first) + "-" + std::to_string(last);
    waitExit(spawn(kCapture + "--size " + size + " --frames " + frames + " --out " + dir));
    std::vector<std::pair<double, int>> distances; // a missing still is as far as can be
    for (int frame = first; frame <= last; ++frame) {
        const Picture still = stillRead(dir, frame);
        double sum = 0;
        for (size_t i = 0; i < picture.rgb.size(); ++i) {
            sum += i < still.rgb.size() ? std::abs(still.rgb[i] - picture.rgb[i]) : 255;
        }
        distances.push_back({sum / picture.rgb.size(), frame});
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
    const Clock::time_point started = Clock::now();
    const pid_t pid = spawn(std::string("exec ") + KIRU_REALTIME_PATH + " 320 240 0");
    const Window window = windowFind(x.get(), pid);
    ASSERT_NE(window, 0u) << "no window appeared";
    std::vector<std::pair<double, Picture>> shots; // seconds since start, pixels
    for (const double at : {10.0, 16.0}) {
        std::this_thread::sleep_until(started + std::chrono::duration<double>(at));
        const double before = std::chrono::duration<double>(Clock::now() - started).count();
        Picture pixels = windowPixels(x.get(), window, 320, 240);
        const double after = std::chrono::duration<double>(Clock::now() - started).count();
        shots.push_back({(before + after) / 2, std::move(pixels)});
    }
    windowEnd(x.get(), window, XK_Escape);
    EXPECT_EQ(waitExit(pid), 0);
    std::vector<std::pair<double, int>> seen; // seconds, frame
    for (const auto& [seconds, pixels] : shots) {
        const int latest = static_cast<int>(seconds * 60) + 1;
        const int frame = frameOf(pixels, latest - 150, latest + 30);
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
