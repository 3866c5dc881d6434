// The videos kiru-capture writes as sites, browsers and archives take them, read with FFmpeg's
// own tools and, for the MP4's layout, box by box: across the hand-over from scene 2 to scene 3.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kCapture = "'" KIRU_CAPTURE_PATH "' ";
// Scene 3's first update runs in frame 1322: the first key frames fall before and after it.
constexpr int kFirst = 1300;
constexpr int kCount = 101;
const std::string kFrames = std::to_string(kFirst) + "-" + std::to_string(kFirst + kCount - 1);
const std::string kSize = "160x120";
constexpr size_t kFrameBytes = 160 * 120 * 3;

// Each frame's presentation time in the stream's time base and whether it is a key frame,
// "pts key" a line, in presentation order.
std::vector<std::pair<long, int>> framesOf(const std::string& path) {
    std::istringstream lines(videoProbe(path, "frame=pts,key_frame"));
    std::vector<std::pair<long, int>> frames;
    long pts = 0;
    int key = 0;
    for (std::string line; std::getline(lines, line) && frames.size() < 100000;) {
        if (std::sscanf(line.c_str(), "%d,%ld", &key, &pts) == 2) {
            frames.push_back({pts, key});
        }
    }
    return frames;
}

// The box types of an ISO media file in file order, the containers' children after each
// container (moov, trak, edts, mdia, minf, stbl), so that an edit list anywhere shows.
void boxesRead(const std::string& bytes, size_t from, size_t to, std::vector<std::string>& types) {
    const auto number = [&](size_t at, int size) {
        uint64_t value = 0;
        for (int i = 0; i < size; ++i) {
            value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
        }
        return value;
    };
    const std::set<std::string> containers{"moov", "trak", "edts", "mdia", "minf", "stbl"};
    while (from + 8 <= to && types.size() < 10000) {
        // A size of 1: a 64-bit size follows the type; 0: the box runs to the end.
        const bool large = number(from, 4) == 1 && from + 16 <= to;
        const size_t header = large ? 16 : 8;
        const uint64_t size =
            large ? number(from + 8, 8) : (number(from, 4) != 0 ? number(from, 4) : to - from);
        types.push_back(size < header || from + size > to ? "broken" : bytes.substr(from + 4, 4));
        if (types.back() == "broken") {
            return;
        }
        if (containers.contains(types.back())) {
            boxesRead(bytes, from + header, from + size, types);
        }
        from += size;
    }
}

// An MP4 as site upload guides ask: the index first, no edit list, H.264 High 4:2:0 BT.709
// limited range from 0 s, a key frame at 0, 30, 60, 90 and nowhere else, and frame n at n/60 s.
void mp4Check(const std::string& path) {
    const std::string mp4 = readFile(path);
    std::vector<std::string> boxes;
    boxesRead(mp4, 0, mp4.size(), boxes);
    const auto at = [&](const char* type) {
        return std::find(boxes.begin(), boxes.end(), type) - boxes.begin();
    };
    const long end = static_cast<long>(boxes.size());
    EXPECT_LT(at("moov"), at("mdat")) << testing::PrintToString(boxes);
    EXPECT_LT(at("mdat"), end);
    for (const char* absent : {"elst", "edts", "broken"}) {
        EXPECT_EQ(at(absent), end) << absent;
    }
    EXPECT_EQ(videoProbe(path, "stream=codec_name,profile,pix_fmt,color_range,color_space,"
                               "r_frame_rate,time_base,start_time,nb_read_frames"),
              "h264,High,yuv420p,tv,bt709,60/1,1/60,0.000000,101\n");
    const auto frames = framesOf(path);
    ASSERT_EQ(frames.size(), size_t{kCount});
    for (size_t n = 0; n < frames.size(); ++n) {
        EXPECT_EQ(frames[n], std::make_pair(static_cast<long>(n), n % 30 == 0 ? 1 : 0)) << n;
    }
}

// Every decoded frame against its still in dir: byte for byte with no psnr, else at least that
// close.
void framesCheck(const std::string& rgb, const std::string& dir, double psnr = 0) {
    ASSERT_EQ(rgb.size(), kCount * kFrameBytes);
    for (int k = 0; k < kCount; ++k) {
        const Picture still = stillRead(dir, kFirst + k);
        ASSERT_EQ(still.rgb.size(), kFrameBytes) << kFirst + k;
        const std::string want(still.rgb.begin(), still.rgb.end());
        EXPECT_TRUE(psnr == 0 ? rgb.compare(k * kFrameBytes, kFrameBytes, want) == 0
                              : videoPsnr(rgb, k, still) >= psnr)
            << "frame " << kFirst + k << ": " << videoPsnr(rgb, k, still) << " dB";
    }
}

// Across the scene 2/3 hand-over, as site upload guides ask: H.264 High 4:2:0 BT.709 in an MP4
// with the index first, no edit list, a key frame at 0, 30, 60, 90 and nowhere else, and frame n
// at n/60 s; a WebM of VP9 at 60 frames per second; a lossless master that decodes to the stills
// byte for byte. Each format's every frame is there, and the lossy ones close to the stills.
TEST(Video, EachEndingWritesItsFormatWithEveryFrame) {
    const std::string dir = freshDir("kiru-video-formats");
    fs::create_directories(dir);
    const std::string common = kNoDisplay + "exec " + kCapture + "--size " + kSize + " --frames " +
                               kFrames + " --video " + dir;
    std::string out;
    for (const std::string& video :
         {"/v.mp4 --out " + dir + "/stills", std::string("/v.webm"), std::string("/v.mkv")}) {
        ASSERT_EQ(shellRun(common + video, out), 0) << out;
    }

    mp4Check(dir + "/v.mp4");
    EXPECT_EQ(videoProbe(dir + "/v.webm", "stream=codec_name,pix_fmt,color_space,r_frame_rate,"
                                          "nb_read_frames"),
              "vp9,yuv420p,bt709,60/1,101\n");
    // WebM counts in milliseconds: frame n at n/60 s to the nearest one.
    const auto webm = framesOf(dir + "/v.webm");
    ASSERT_EQ(webm.size(), size_t{kCount});
    for (size_t n = 0; n < webm.size(); ++n) {
        EXPECT_EQ(webm[n].first, std::lround(n * 1000.0 / 60)) << n;
    }
    EXPECT_EQ(videoProbe(dir + "/v.mkv", "stream=codec_name,pix_fmt,r_frame_rate,nb_read_frames"),
              "ffv1,bgr0,60/1,101\n");
    framesCheck(videoRgb(dir + "/v.mkv", false), dir + "/stills");
    framesCheck(videoRgb(dir + "/v.mp4", true), dir + "/stills", 35);
    framesCheck(videoRgb(dir + "/v.webm", true), dir + "/stills", 30);
}

// The same frames rendered as three jobs and joined without encoding again make the video of a
// single run: the same MP4 layout and frames (the ranges start on key frames), each frame as
// close to its still; the lossless master joins to the stills byte for byte, and each job's
// stills are those of the single run.
TEST(Video, AFarmOfThreeJobsJoinsTheVideoOfOneRun) {
    std::string out;
    if (shellRun("command -v parallel", out) != 0) {
        GTEST_SKIP() << "needs GNU parallel (bash scripts/deps.sh farm)";
    }
    const std::string dir = freshDir("kiru-video-farm");
    fs::create_directories(dir);
    ASSERT_EQ(shellRun(kNoDisplay + "exec " + kCapture + "--size " + kSize + " --frames " +
                           kFrames + " --out " + dir + "/single",
                       out),
              0)
        << out;
    const std::string farm = kNoDisplay + "KIRU_CAPTURE='" KIRU_CAPTURE_PATH "' exec bash '" +
                             KIRU_FARM_PATH + "' --jobs 3 -- --size " + kSize + " --frames " +
                             kFrames;
    ASSERT_EQ(shellRun(farm + " --video " + dir + "/f.mp4 --out " + dir + "/stills", out), 0)
        << out;
    ASSERT_EQ(shellRun(farm + " --video " + dir + "/f.mkv", out), 0) << out;
    EXPECT_TRUE(out.empty()) << out;

    mp4Check(dir + "/f.mp4");
    framesCheck(videoRgb(dir + "/f.mp4", true), dir + "/single", 35);
    framesCheck(videoRgb(dir + "/f.mkv", false), dir + "/single");
    for (int frame = kFirst; frame < kFirst + kCount; ++frame) {
        EXPECT_EQ(stillRead(dir + "/stills", frame), stillRead(dir + "/single", frame)) << frame;
    }
    // Nothing of the jobs' own is left beside the outputs.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 4);
    // A job's refusal is the farm's: its one line and status 2, and nothing more is written.
    EXPECT_EQ(shellRun(farm + " --crf 52 --video " + dir + "/bad.mp4", out), 2);
    EXPECT_EQ(out, "kiru-capture: --crf takes 0 to 51 for .mp4, not 52\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 4);
}

// With no kiru-capture to run, the farm says so before it makes anything: one line naming the
// program it looked for and how to name another, status 1, and the destination's folder as it was.
TEST(Video, AFarmWithoutItsProgramSaysSoAndMakesNothing) {
    std::string out;
    if (shellRun("command -v parallel", out) != 0) {
        GTEST_SKIP() << "needs GNU parallel (bash scripts/deps.sh farm)";
    }
    const std::string dir = freshDir("kiru-video-farm-none");
    fs::create_directories(dir);
    EXPECT_EQ(shellRun("KIRU_CAPTURE=" + dir +
                           "/kiru-capture exec bash '" KIRU_FARM_PATH "' -- --video " + dir +
                           "/new/v.mp4",
                       out),
              1);
    EXPECT_EQ(out, "farm: cannot start KIRU_CAPTURE=" + dir +
                       "/kiru-capture: not found; name another with "
                       "KIRU_CAPTURE=/path/to/kiru-capture\n");
    EXPECT_TRUE(fs::is_empty(dir));
}

// --samples 4 across the field of scene 3, for stills and video alike: where the plain frame's
// 3 x 3 neighbourhood is all one colour the picture stays (within 2/255), and on its edges pixels
// take values between their neighbours' that the plain frame does not have. --samples 3 is
// refused as an argument; 8 is drawn, or refused in one line where the OpenGL offers fewer.
TEST(Video, SamplesSmoothTheEdgesAndKeepTheRest) {
    const std::string dir = freshDir("kiru-video-samples");
    fs::create_directories(dir);
    const std::string run = kNoDisplay + "exec " + kCapture + "--size 320x240 --frames 2000 ";
    std::string out;
    ASSERT_EQ(shellRun(run + "--out " + dir + "/plain", out), 0) << out;
    ASSERT_EQ(shellRun(run + "--samples 4 --out " + dir + "/smooth --video " + dir + "/v.mkv", out),
              0)
        << out;
    const Picture plain = stillRead(dir + "/plain", 2000);
    const Picture smooth = stillRead(dir + "/smooth", 2000);
    ASSERT_EQ(plain.rgb.size(), size_t{320 * 240 * 3});
    ASSERT_EQ(smooth.rgb.size(), plain.rgb.size());
    const std::string master = videoRgb(dir + "/v.mkv", false);
    EXPECT_TRUE(master == std::string(smooth.rgb.begin(), smooth.rgb.end()))
        << "the video's frame is not the still's";
    // The largest channel difference between pixel i of a and pixel j of b.
    const auto difference = [](const Picture& a, size_t i, const Picture& b, size_t j) {
        const auto d = [&](size_t c) { return std::abs(a.rgb[i * 3 + c] - b.rgb[j * 3 + c]); };
        return std::max({d(0), d(1), d(2)});
    };
    int inside = 0, insideChanged = 0, edges = 0, between = 0;
    for (int32_t y = 1; y + 1 < plain.height; ++y) {
        for (int32_t x = 1; x + 1 < plain.width; ++x) {
            const size_t i = static_cast<size_t>(y) * plain.width + x;
            int spread = 0;
            bool matchesANeighbour = false;
            for (int d = 0; d < 9; ++d) { // the 3 x 3 neighbourhood
                const size_t j = i + (d / 3 - 1) * plain.width + d % 3 - 1;
                spread = std::max(spread, difference(plain, i, plain, j));
                matchesANeighbour |= difference(smooth, i, plain, j) <= 2;
            }
            if (spread <= 2) {
                ++inside;
                insideChanged += difference(smooth, i, plain, i) > 2 ? 1 : 0;
            } else if (spread >= 64) {
                ++edges;
                between += matchesANeighbour ? 0 : 1;
            }
        }
    }
    ASSERT_GT(edges, 200) << "no field on screen";
    EXPECT_LE(insideChanged, inside / 1000) << "of " << inside;
    EXPECT_GE(between, edges / 20) << "of " << edges << " edge pixels";

    EXPECT_EQ(shellRun(run + "--samples 3 --out " + dir + "/three", out), 2);
    EXPECT_EQ(out, "kiru-capture: --samples takes 2, 4 or 8, not 3\n");
    const int eight = shellRun(run + "--samples 8 --out " + dir + "/eight", out);
    if (eight == 0) {
        EXPECT_EQ(stillRead(dir + "/eight", 2000).rgb.size(), plain.rgb.size());
    } else {
        EXPECT_EQ(eight, 1);
        EXPECT_TRUE(std::regex_match(out, std::regex("kiru-capture: cannot draw with 8 samples "
                                                     "a pixel: this OpenGL offers at most \\d\n")))
            << out;
        EXPECT_FALSE(fs::exists(dir + "/eight"));
    }
    EXPECT_FALSE(fs::exists(dir + "/three"));
}

} // namespace
