// The programs as a user runs them under X11: how a run ends and its status, the one-line
// messages, full-screen, what the capture leaves on disk and its stop signals, and kiru-realtime's
// frames against the capture's.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "support.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// With no display, or one named that cannot be opened, the demo says so in one line with status 1
// (the capture's line is a destinations case).
TEST(Programs, WithoutADisplayTheDemoSaysSoInOneLine) {
    ASSERT_FALSE(fs::exists("/tmp/.X11-unix/X987"));
    for (const auto& [env, why] :
         {std::pair{kNoDisplay, "SDL found only its offscreen or dummy video driver"},
          {"unset WAYLAND_DISPLAY; export DISPLAY=:987; ", "cannot open the X display \":987\""}}) {
        std::string out;
        EXPECT_EQ(shellRun(env + "exec " KIRU_PATH " 640 480 0", out), 1) << env;
        EXPECT_EQ(out, "kiru: no display (" + std::string(why) + ")\n");
    }
}

// With no arguments the window asks its window manager for full screen, and "640 480 0" does not;
// Escape ends the run with status 0. On a private display with a small window manager of its own:
// a managing one would resize every other test's window.
TEST(Programs, FullScreenUnlessTheThirdArgumentSaysOtherwise) {
    const Xvfb xvfb("1024x768x24");
    const XDisplay x = xOpen(xvfb.name.c_str());
    ASSERT_NE(x, nullptr) << "could not start Xvfb";
    // The manager ends with its display. kiru starts once it runs, so that it manages the window
    // from its first map.
    spawn("DISPLAY=" + xvfb.name + " exec matchbox-window-manager -use_titlebar no");
    ASSERT_TRUE(waitUntil(
        [&] {
            const Window root = DefaultRootWindow(x.get());
            return !windowProperty(x.get(), root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty();
        },
        30s));
    const Atom full = XInternAtom(x.get(), "_NET_WM_STATE_FULLSCREEN", False);
    for (const auto& [run, asks] : {std::pair{KIRU_PATH, 1}, {KIRU_UNPACED_PATH " 640 480 0", 0}}) {
        const pid_t pid = spawn("export DISPLAY=" + xvfb.name + "; exec " + run);
        const Window window = windowFind(x.get(), asks ? "kiru" : "kiru-unpaced");
        // The manager may set the state just after the window shows.
        const auto state = [&] {
            return windowProperty(x.get(), window, "_NET_WM_STATE", XA_ATOM);
        };
        EXPECT_TRUE(waitUntil([&] { return std::ranges::count(state(), full) == asks; }, 10s))
            << run;
        windowEnd(x.get(), window, XK_Escape);
        EXPECT_EQ(waitExit(pid), 0) << run;
    }
}

// Every entry under dir, links not followed: its kind, and a file's bytes or a link's target.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> entries;
    std::error_code none;
    for (auto i = fs::recursive_directory_iterator(dir, none); i != fs::end(i); i.increment(none)) {
        const fs::file_type type = i->symlink_status(none).type();
        entries[fs::relative(i->path(), dir)] =
            std::to_string(static_cast<int>(type)) +
            (type == fs::file_type::regular   ? readFile(i->path())
             : type == fs::file_type::symlink ? fs::read_symlink(i->path(), none).string()
                                              : "");
    }
    return entries;
}

// One destination or failure of a capture run.
struct Destination {
    const char* name;
    std::string make; // shell text that sets the folder up; it fails where this machine cannot
    std::string args; // after "--size 160x120 --frames 780-781" (in scene 2)
    int status;
    std::string says;
    std::string keeps = "";  // a video or still the run leaves whole
    std::string before = ""; // shell text before the run
};

void PrintTo(const Destination& c, std::ostream* out) {
    *out << c.name;
}

const Destination kDestinations[] = {
    {"NewName", "", "--video new/v.mp4", 0, "", "new/v.mp4"},
    {"File", "echo keep >v.mp4", "--video v.mp4", 0, "", "v.mp4"},
    {"LinkToAFile", "echo keep >t.mp4; ln -s t.mp4 v.mp4", "--video v.mp4", 0, "", "t.mp4"},
    {"Folder", "mkdir v.mp4", "--video v.mp4", 2, "is a folder"},
    {"NameOfAFolder", "", "--video new.mp4/", 2, "is a folder"},
    {"FIFO", "mkfifo v.mp4", "--video v.mp4", 2, "is a FIFO"},
    {"Device", "mknod v.mp4 c 1 7", "--video v.mp4", 2, "is a device"}, // /dev/full's
    {"LinkToNothing", "ln -s none v.mp4", "--video v.mp4", 2, "link to nothing"},
    {"FIFOAmongTheStills", "mkfifo frame-000002.png", "--frames 1-3 --out .", 2, "is a FIFO"},
    {"InNoFolder", "", "--video /dev/null/v.mp4", 2, "not a folder"},
    {"ControlCharacters", "", "--frames '1-\n2'", 2, "1-\\n2"},
    {"HelpToAFullStandardOutput", "", "--help >/dev/full", 1, "standard output: No space left"},
    {"StatisticsToAFullStandardOutput", "", "--dry-run --stats >/dev/full", 1,
     "standard output: No space left"},
    // A small file system of its own, where the test may mount one (as root).
    {"ReadOnlyFileSystem", "mkdir ro && mount -t tmpfs -o size=16k,ro none ro", "--video ro/v.mp4",
     2, "Read-only file system"},
    // The frames stay within 39 KB; the trailer, written last, passes it.
    {"FileSizeLimit", "echo keep >v.mp4", "--size 320x240 --frames 300-400 --video v.mp4", 1,
     "v.mp4: writing the trailer: File too large", "", "ulimit -f 39; "},
    // Stills of 1.1 and 22 KB: the first stays. The stills fail before the video, whose new
    // folder goes with its file.
    {"FileSizeLimitForTheStills", "", "--size 320x240 --frames 400,700 --out a --video new/v.mp4",
     1, "a/frame-000700.png: File too large", "a/frame-000400.png", "ulimit -f 10; "},
    {"DisplayNotThere", "", "--out a", 1, "no display (cannot open the X display \":987\")", "",
     "export DISPLAY=:987; "},
    // Both outputs need the new folder a, made once and removed after b and c.
    {"NoOpenGL20", "", "--out a/b --video a/c/v.mp4", 1, "OpenGL 2.0", "",
     "export MESA_GL_VERSION_OVERRIDE=1.5; "},
};

// Where a video or a still may go, and how a run fails: a new name or a regular file (or a link to
// one) is replaced, only by a complete file; a folder, FIFO, device, link to nothing, read-only
// file system or a file size limit is refused or fails with its reason, as are bad arguments
// (status 2), a display that is not there, a platform without OpenGL 2.0 and a failed write to
// standard output (status 1). Every message is one line, control characters escaped. Nothing
// that was there before changes unless the run completed, the folders a failed run made are gone,
// and nothing is left but whole stills and completed videos, with the umask's permissions.
class CaptureDestinations : public testing::TestWithParam<Destination> {
    void TearDown() override { waitExit(spawn("umount -l " + d + "/ro 2>/dev/null")); }

  protected:
    const std::string d = testing::TempDir() + "kiru-capture-destinations";
};

TEST_P(CaptureDestinations, LeaveOnlyWholeFiles) {
    const Destination& c = GetParam();
    fs::remove_all(d);
    fs::create_directories(d);
    std::string out;
    if (shellRun("cd " + d + "; " + c.make, out) != 0) {
        GTEST_SKIP() << "this machine cannot set the case up: " << out;
    }
    auto before = snapshot(d);
    EXPECT_EQ(shellRun("cd " + d + "; umask 027; " + kNoDisplay + c.before + kCapture +
                           "--size 160x120 --frames 780-781 " + c.args,
                       out),
              c.status);
    EXPECT_TRUE(c.status == 0 ? out.empty()
                              : oneLineStarting(out, "kiru-capture: ") &&
                                    out.find(c.says) != std::string::npos)
        << out;
    // A completed video or still, or a folder that holds something.
    const auto whole = [&](const std::string& name) {
        const std::string path = d + "/" + name;
        return fs::is_directory(fs::symlink_status(path)) ? !fs::is_empty(path)
               : name.ends_with(".mp4")
                   ? videoProbe(path, "stream=codec_name,nb_read_frames") == "h264,2\n"
                   : name.ends_with(".png") && fs::is_regular_file(path) &&
                         !pngRead(path).rgb.empty();
    };
    auto after = snapshot(d);
    // Under umask 027 what the run completed may be read by the group, and written by no one else.
    EXPECT_TRUE(c.keeps.empty() ||
                (after.contains(c.keeps) && whole(c.keeps) &&
                 fs::status(d + "/" + c.keeps).permissions() == static_cast<fs::perms>(0640)))
        << c.keeps;
    std::erase_if(after, [&](const auto& entry) {
        return (entry.first == c.keeps || !before.contains(entry.first)) && whole(entry.first);
    });
    before.erase(c.keeps);
    EXPECT_TRUE(after == before) << testing::PrintToString(after);
}

INSTANTIATE_TEST_SUITE_P(Capture, CaptureDestinations, testing::ValuesIn(kDestinations),
                         [](const auto& info) { return std::string(info.param.name); });

// A stop signal ends a whole-loop video after the current frame, and so does closing the window (a
// viewer's stop): 128 + the signal's number or 3, a line that says after which frame, and a video
// that plays with exactly the frames encoded. A second stop signal, of either kind, ends the run
// at once: killed by it, with the unfinished video and the folder made for it removed.
TEST(Capture, AStopKeepsTheFramesEncodedAndASecondSignalEndsAtOnce) {
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    const std::string dir = freshDir("kiru-capture-stops");
    const struct {
        int first, second, status;
        std::string says; // # stands for the frames the video holds
    } cases[] = {
        {SIGTERM, 0, 143, "stopped by SIGTERM after frame # of 4023"},
        {0, 0, 3, "the window was closed after frame # of 4023"},
        {SIGINT, SIGTERM, 143,
         "ended at once by a second stop signal, SIGTERM; the unfinished files are removed"},
        {SIGTERM, SIGINT, 130,
         "ended at once by a second stop signal, SIGINT; the unfinished files are removed"},
    };
    for (const auto& [first, second, status, says] : cases) {
        fs::remove_all(dir);
        // Lossless and large: the stop after the first signal (the queued frames and the
        // encoder's delayed ones) takes far longer than the gap, even on a busy machine.
        const pid_t pid =
            spawn((first != 0 ? kNoDisplay : "") + kCapture + "--size 1280x720 --crf 0 --video " +
                  dir + "/v.mp4 2>" + dir + ".stderr");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(dir) && !fs::is_empty(dir); }, 60s));
        std::this_thread::sleep_for(500ms);
        if (first == 0) {
            windowEnd(x.get(), windowFind(x.get(), "kiru-capture"), NoSymbol);
        }
        kill(pid, first); // signal 0 sends nothing
        // The second once the first is taken (pending no more): on a busy machine both could be
        // pending at once, and the lower number is taken first.
        const std::string state = "/proc/" + std::to_string(pid) + "/status";
        waitUntil(
            [&] { return readFile(state).find("ShdPnd:\t0000000000000000") != std::string::npos; },
            10s);
        kill(pid, second);
        EXPECT_EQ(waitExit(pid, 10s), status) << says;
        const std::string frames =
            std::to_string(std::atoi(videoProbe(dir + "/v.mp4", "stream=nb_read_frames").c_str()));
        EXPECT_EQ(readFile(dir + ".stderr"),
                  "kiru-capture: " + std::regex_replace(says, std::regex("#"), frames) + "\n");
        // Gone; or, where the first stop finished the video before the second signal came, whole.
        EXPECT_TRUE(second == 0 ? fs::exists(dir) : !fs::exists(dir) || frames != "0") << says;
    }
}

// The next run into a folder removes the temporary files of kiru-capture's pattern that runs
// killed outright left and no live run holds (of the video's name beside the video, of any
// still's name beside the stills), and nothing else; a run beside it, writing the same video,
// leaves its temporary file alone, and it completes.
TEST(Capture, TheNextRunClearsWhatAKilledRunLeft) {
    const std::string dir = freshDir("kiru-capture-litter");
    fs::create_directories(dir);
    const std::string video = " --video " + dir + "/v.mp4 2>/dev/null";
    const auto temps = [&] { // the video's temporary files
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename();
            if (std::regex_match(name, std::regex(R"(\.v\.mp4\.\w{6})"))) {
                names.insert(name);
            }
        }
        return names;
    };
    // The last two are a killed run's; the others' names only look alike.
    const std::string left[] = {
        ".notes.Ab12Cd",           ".frame-5.png.Ab12Cd.x",    ".v.mp4.Ab12C",
        "frame-000005.png.Ab12Cd", ".frame-000005.png.Ab12Cd", ".v.mp4.Ab12Cd"};
    for (const std::string& name : left) {
        std::ofstream(dir + "/" + name) << "left";
    }
    // The next run clears them as it starts, and writes its own.
    const pid_t live = spawn(kNoDisplay + kCapture + "--size 320x240 --frames 1-2400" + video);
    ASSERT_TRUE(waitUntil([&] { return temps().size() == 1 && !temps().contains(left[5]); }, 60s));
    const std::set<std::string> own = temps();
    std::string out;
    EXPECT_EQ(
        shellRun(kNoDisplay + kCapture + "--size 160x120 --frames 1 --out " + dir + video, out), 0);
    ASSERT_EQ(readFile("/proc/" + std::to_string(live) + "/stat").find(") Z"), std::string::npos)
        << "the live run ended too soon to tell";
    EXPECT_EQ(temps(), own);
    EXPECT_EQ(waitExit(live, 300s), 0);
    EXPECT_TRUE(temps().empty());
    for (const std::string& name : left) {
        EXPECT_EQ(fs::exists(dir + "/" + name), name != left[4] && name != left[5]) << name;
    }
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
    for (int frame = 1; frame <= kLoop; frame += 8) {
        frames += "," + std::to_string(frame);
    }
    std::string out;
    ASSERT_EQ(
        shellRun(kNoDisplay + kCapture + "--size 160x120 --frames " + frames + " --out " + dir, out,
                 600s),
        0)
        << out;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3 + (kLoop + 7) / 8);
    for (int frame : {1, 201, 401}) {
        const Picture first = stillRead(dir, frame);
        EXPECT_TRUE(!first.rgb.empty() && stillRead(dir, frame + kLoop) == first) << frame;
    }
}

// Copies of kiru-capture and kiru-realtime alone in a folder, started from another, find no image
// anywhere: the capture refuses in one line that names the image, with status 1, and writes
// nothing; the demo names each image once (though several instances load each), with the last
// place it looked, beside the program, runs on and ends with status 0.
TEST(MissingImages, TheCaptureRefusesAndTheDemoNamesEachOnceAndRunsOn) {
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    const std::string dir = freshDir("kiru-alone");
    fs::create_directories(dir + "/work");
    fs::create_directories(dir + "/bin");
    fs::copy_file(KIRU_CAPTURE_PATH, dir + "/bin/kiru-capture");
    fs::copy_file(KIRU_REALTIME_PATH, dir + "/bin/kiru-realtime");
    std::string out;
    EXPECT_EQ(shellRun(kNoDisplay + "cd " + dir + "/work && exec ../bin/kiru-capture", out), 1);
    EXPECT_TRUE(oneLineStarting(out, "kiru-capture: cannot load the image res/")) << out;
    EXPECT_TRUE(fs::is_empty(dir + "/work"));
    const pid_t pid =
        spawn("cd " + dir + "/work && exec ../bin/kiru-realtime 320 240 0 >../out 2>&1");
    windowEnd(x.get(), windowFind(x.get(), "kiru-realtime", R"(320x240 KIRU: (\d+\.\d\d|inf))"),
              XK_Escape);
    EXPECT_EQ(waitExit(pid), 0);
    std::string lines;
    for (const std::string image : {"particle1", "font1", "box1"}) {
        lines += "kiru: cannot load the image res/" + image + ".png: not found \\(looked for res/" +
                 image + ".png, .*, " + dir + "/bin/res/" + image + ".png\\)\n";
    }
    EXPECT_TRUE(std::regex_match(readFile(dir + "/out"), std::regex(lines)))
        << readFile(dir + "/out");
}

// kiru-realtime keeps the demo's clock on the wall clock under Xvfb, whose swap does not wait:
// what is on screen at two moments seconds apart (in scene 2, where every frame differs) is the
// capture's frame of about 60 updates per real second since, and never ahead of the time since
// start.
TEST(Realtime, SixtyUpdatesPerSecondOfWallClock) {
    const XDisplay x = xOpen();
    ASSERT_NE(x, nullptr) << "needs a display";
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    const pid_t pid = spawn("exec " KIRU_REALTIME_PATH " 320 240 0");
    const Window window = windowFind(x.get(), "kiru-realtime");
    std::vector<std::pair<double, Picture>> shots; // seconds since start, pixels
    for (const double at : {10.0, 16.0}) {
        std::this_thread::sleep_until(started + std::chrono::duration<double>(at));
        const Clock::time_point before = Clock::now();
        Picture pixels = windowPixels(x.get(), window, 320, 240);
        const std::chrono::duration<double> middle = before + (Clock::now() - before) / 2 - started;
        shots.push_back({middle.count(), std::move(pixels)});
    }
    windowEnd(x.get(), window, XK_Escape);
    EXPECT_EQ(waitExit(pid), 0);
    std::vector<int> seen; // the frames shown
    for (const auto& [seconds, pixels] : shots) {
        const int latest = static_cast<int>(seconds * 60) + 1;
        seen.push_back(frameMatch(pixels, latest - 150, latest + 30));
        ASSERT_TRUE(seen.back() > 0 && seen.back() <= latest)
            << "frame " << seen.back() << " at " << seconds << " s, where " << latest
            << " is the latest";
    }
    const double rate = (seen[1] - seen[0]) / (shots[1].first - shots[0].first);
    std::printf("kiru-realtime: %.2f updates a second\n", rate);
    EXPECT_NEAR(rate, 60, 1.5);
}

} // namespace
