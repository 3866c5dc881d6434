// The videos kiru-capture writes as sites, browsers and archives take them, read back with FFmpeg's
// own tools, across the hand-over from scene 2 to scene 3: from one run and joined by the farm.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "support.h"

namespace {

namespace fs = std::filesystem;

// 101 frames in two ranges, across scene 3's first update in frame 1322: the first key frames
// fall before and after it.
constexpr int kCount = 101;
const std::string kFrames = " --size 160x120 --frames 1300-1360,1365-1404";

// Whether each frame's "key,pts,type" is as sites and players ask: a key frame (I) at 0, 30, 60
// and 90 and nowhere else, each after a P-frame (a closed group of pictures: no B-frame before it
// refers to it), and frame n at n/60 s in the stream's ticks of 1/rate s, to the nearest one.
bool framesMatch(const std::string& path, double rate) {
    std::istringstream lines(videoProbe(path, "frame=key_frame,pts,pict_type"));
    int n = 0; // line by line: std::regex recurses for each character, too deep for a long text
    for (std::string line; std::getline(lines, line); ++n) {
        const std::string want = (n % 30 == 0 ? "1," : "0,") +
                                 std::to_string(std::lround(n * rate / 60)) +
                                 (n % 30 == 0    ? ",I"
                                  : n % 30 == 29 ? ",P"
                                                 : ",[PB]");
        if (!std::regex_match(line, std::regex(want))) {
            return false;
        }
    }
    return n == kCount;
}

// An MP4 as site upload guides ask: the index (moov) before the frames (mdat), no edit list,
// H.264 High 4:2:0 BT.709 limited range from 0 s at 60 frames per second.
void mp4Check(const std::string& path) {
    std::string trace; // the demuxer names each box it reads, in file order
    shellRun("ffprobe -v trace '" + path + "'", trace);
    EXPECT_TRUE(trace.find("type:'moov'") < trace.find("type:'mdat'") &&
                trace.find("type:'edts'") == std::string::npos &&
                trace.find("type:'elst'") == std::string::npos)
        << path;
    EXPECT_EQ(videoProbe(path, "stream=codec_name,profile,pix_fmt,color_range,color_space,"
                               "r_frame_rate,time_base,start_time,nb_read_frames"),
              "h264,High,yuv420p,tv,bt709,60/1,1/60,0.000000,101\n");
    EXPECT_TRUE(framesMatch(path, 60)) << videoProbe(path, "frame=key_frame,pts,pict_type");
}

// Every decoded frame against its still in dir (in the stills' order): the lossless master's
// equal to it, the others' at least psnr dB close.
void framesCheck(const std::string& video, const std::string& dir, double psnr) {
    const std::vector<Picture> frames = videoFrames(video, psnr > 0, 160, 120);
    const std::set<fs::path> stills(fs::directory_iterator(dir), {});
    ASSERT_TRUE(frames.size() == kCount && stills.size() == kCount) << video;
    for (auto [k, still] = std::pair{0, stills.begin()}; k < kCount; ++k, ++still) {
        const double got = pictureCompare(frames[k], pngRead(*still), 0).psnr;
        EXPECT_TRUE(psnr > 0 ? got >= psnr : frames[k] == pngRead(*still))
            << video << " against " << *still << ": " << got << " dB";
    }
}

// Drawn with four samples a pixel: H.264 in an MP4 as above, VP9 in a WebM at 60 frames per second
// with the same key frames and times (in milliseconds), and a lossless FFV1 master in RGB; each
// with every frame, close to the stills, which take the samples alike, the master equal to them.
// The samples smooth the edges of scene 3's field and keep the rest: of the pixels of a frame, at
// least 1% and at most a fifth differ from the plain frame's by more than 2/255.
TEST(Video, EachEndingWritesItsFormatWithEveryFrame) {
    const std::string dir = freshDir("kiru-video-formats");
    std::string out;
    for (const std::string& video :
         {"/v.mp4 --out " + dir + "/stills", std::string("/v.webm"), std::string("/v.mkv")}) {
        ASSERT_EQ(
            shellRun(kNoDisplay + kCapture + kFrames + " --samples 4 --video " + dir + video, out),
            0)
            << out;
    }
    mp4Check(dir + "/v.mp4");
    EXPECT_EQ(videoProbe(dir + "/v.webm",
                         "stream=codec_name,pix_fmt,color_space,r_frame_rate,nb_read_frames"),
              "vp9,yuv420p,bt709,60/1,101\n");
    EXPECT_TRUE(framesMatch(dir + "/v.webm", 1000));
    EXPECT_EQ(videoProbe(dir + "/v.mkv", "stream=codec_name,pix_fmt,r_frame_rate,nb_read_frames"),
              "ffv1,bgr0,60/1,101\n");
    for (const auto& [video, psnr] : {std::pair{"/v.mkv", 0}, {"/v.mp4", 35}, {"/v.webm", 30}}) {
        framesCheck(dir + video, dir + "/stills", psnr);
    }
    ASSERT_EQ(shellRun(kNoDisplay + kCapture + "--size 160x120 --frames 1400 --out " + dir, out),
              0);
    const double within =
        pictureCompare(stillRead(dir, 1400), stillRead(dir + "/stills", 1400), 2).within;
    EXPECT_TRUE(within >= 0.8 && within <= 0.99) << within;
}

// The same frames rendered as jobs and joined without encoding again make the video of a single
// run: of ten jobs asked for, the four whose shares, rounded down to key frames, hold frames. The
// jobs' stills are the single run's, and nothing of the jobs' own is left. A job's refusal is the
// farm's: its one line and status 2, and nothing is written; so are the farm's own, and its
// line for a program that is not there.
TEST(Video, AFarmOfJobsJoinsTheVideoOfOneRun) {
    std::string out;
    if (shellRun("command -v parallel", out) != 0) {
        GTEST_SKIP() << "needs GNU parallel (bash scripts/deps.sh farm)";
    }
    const std::string dir = freshDir("kiru-video-farm");
    ASSERT_EQ(shellRun(kNoDisplay + kCapture + kFrames + " --out " + dir + "/single", out), 0)
        << out;
    const std::string farm = kNoDisplay + "KIRU_CAPTURE='" KIRU_CAPTURE_PATH "' exec bash '" +
                             KIRU_FARM_PATH + "' --jobs 10 --" + kFrames + " --video " + dir;
    for (const std::string& video : {"/f.mp4 --out " + dir + "/stills", std::string("/f.mkv")}) {
        EXPECT_EQ(shellRun(farm + video, out), 0);
        EXPECT_EQ(out, "");
    }
    mp4Check(dir + "/f.mp4");
    framesCheck(dir + "/f.mp4", dir + "/single", 35);
    framesCheck(dir + "/f.mkv", dir + "/single", 0);
    EXPECT_EQ(shellRun("diff -r " + dir + "/single " + dir + "/stills", out), 0) << out;
    EXPECT_EQ(shellRun(farm + "/bad.mp4 --crf 52", out), 2);
    EXPECT_EQ(out, "kiru-capture: --crf takes 0 to 51 for .mp4, not 52\n");
    EXPECT_EQ(shellRun("exec bash '" KIRU_FARM_PATH "' --jobs 0", out), 2);
    EXPECT_EQ(out, "farm: --jobs takes 1 to 9999, not \"0\"\n");
    EXPECT_EQ(shellRun("KIRU_CAPTURE=" + dir + "/none exec bash '" KIRU_FARM_PATH "' -- --video " +
                           dir + "/new/v.mp4",
                       out),
              1);
    EXPECT_EQ(out, "farm: cannot start KIRU_CAPTURE=" + dir +
                       "/none: not found; name another with KIRU_CAPTURE=/path/to/kiru-capture\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 4);
}

// --stats tells the listed frames' wall and processor time, which the bench reads: no more
// processor time than the wall time on every core.
TEST(Video, StatisticsTellTheListedFramesTimes) {
    std::string out;
    ASSERT_EQ(shellRun(kNoDisplay + kCapture + "--dry-run --stats --frames 780-781", out), 0)
        << out;
    std::smatch times; // wall, processor
    ASSERT_TRUE(std::regex_match(
        out, times,
        std::regex(R"(2 frames in (\d+\.\d{3}) s, (\d+\.\d{3}) s of processor time\n)")))
        << out;
    EXPECT_LE(std::stod(times[2]), std::stod(times[1]) * std::thread::hardware_concurrency() + 0.01)
        << out;
}

} // namespace
