// Each scene as the viewer sees it: real frames of the real frame loop, captured by kiru-capture
// in one run at 800 x 600 and checked where the eye would look.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <cstdint>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// Updates that each scene runs up to and including its hand-over.
constexpr int kSceneUpdates[] = {480, 841, 961, 540, 1201};

// Capture frame of a scene's update: frame 1 is scene 1's update 1.
constexpr int frameOf(int scene, int update) {
    int frame = update;
    for (int s = 1; s < scene; ++s) {
        frame += kSceneUpdates[s - 1];
    }
    return frame;
}

constexpr int kBarsOneFrame = frameOf(1, 170); // t = 2.83: bar A with both remarks
constexpr int kBarsTwoFrame = frameOf(1, 290); // t = 4.83: bar B with its caption too
constexpr int kCubesFrame = frameOf(2, 300);   // t = 5: cubes at their closest
constexpr int kFieldFrame = frameOf(3, 240);   // t = 4: orbiting, panel in
// t = 5 and 7.73 at full brightness, then 8.33 and 8.92 inside the fade that starts at 7.75.
constexpr int kFlyFrames[] = {frameOf(4, 300), frameOf(4, 464), frameOf(4, 500), frameOf(4, 535)};
constexpr int kCreditFrame = frameOf(5, 300); // t = 5: the first credit
constexpr int kTheEndFrame = frameOf(5, 720); // t = 12: "THE END" settled

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    int lum(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return (p[0] + p[1] + p[2]) / 3;
    }
    int maxChannel(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return std::max({p[0], p[1], p[2]});
    }
};

struct Region {
    int x0, y0, x1, y1; // half-open
};

// Share of the pixels in a region whose luminance lies in [low, high].
double share(const Image& image, Region r, int low, int high) {
    long inside = 0;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            const int l = image.lum(x, y);
            inside += (l >= low && l <= high) ? 1 : 0;
        }
    }
    return static_cast<double>(inside) / (static_cast<double>(r.x1 - r.x0) * (r.y1 - r.y0));
}

long count(const Image& image, Region r, int low, int high) {
    return std::lround(share(image, r, low, high) * (r.x1 - r.x0) * (r.y1 - r.y0));
}

bool allBlack(const Image& image, Region r) {
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            if (image.maxChannel(x, y) > 8) {
                return false;
            }
        }
    }
    return true;
}

double meanLum(const Image& image, Region r) {
    double sum = 0.0;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            sum += image.lum(x, y);
        }
    }
    return sum / (static_cast<double>(r.x1 - r.x0) * (r.y1 - r.y0));
}

int maxLum(const Image& image) {
    int most = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            most = std::max(most, image.lum(x, y));
        }
    }
    return most;
}

bool loadImage(const std::string& path, Image& out) {
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (loaded == nullptr) {
        return false;
    }
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (rgb == nullptr) {
        return false;
    }
    out.width = rgb->w;
    out.height = rgb->h;
    out.rgb.resize(static_cast<size_t>(rgb->w) * rgb->h * 3);
    for (int y = 0; y < rgb->h; ++y) {
        const auto* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        std::copy(row, row + rgb->w * 3, out.rgb.begin() + static_cast<size_t>(y) * rgb->w * 3);
    }
    SDL_FreeSurface(rgb);
    return true;
}

// One capture run for all tests: the run has to play every frame up to the last one anyway.
class SceneStills : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::vector<int> frames = {kBarsOneFrame, kBarsTwoFrame, kCubesFrame,
                                   kFieldFrame,   kCreditFrame,  kTheEndFrame};
        frames.insert(frames.end(), std::begin(kFlyFrames), std::end(kFlyFrames));
        std::string list;
        for (const int f : frames) {
            list += (list.empty() ? "" : ",") + std::to_string(f);
        }
        const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                          ("kiru-scene-stills-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir);
        std::vector<std::string> args = {
            KIRU_CAPTURE_PATH, "--size", "800x600", "--frames", list, "--out", dir.string()};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        captureStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        for (const int f : frames) {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%06d.png", f);
            Image image;
            if (loadImage((dir / name).string(), image)) {
                stills_[f] = std::move(image);
            }
        }
        std::filesystem::remove_all(dir);
    }

    static void TearDownTestSuite() { stills_.clear(); }

    void SetUp() override { ASSERT_EQ(captureStatus_, 0) << "kiru-capture failed"; }

    static const Image& still(int frame) {
        static const Image missing;
        const auto it = stills_.find(frame);
        return it == stills_.end() ? missing : it->second;
    }

    static int captureStatus_;
    static std::map<int, Image> stills_;
};

int SceneStills::captureStatus_ = -1;
std::map<int, Image> SceneStills::stills_;

#define ASSERT_STILL(image)                                                                        \
    ASSERT_EQ((image).width, kWidth);                                                              \
    ASSERT_EQ((image).height, kHeight)

TEST_F(SceneStills, SceneOneBarsAreWhiteWithDarkCaptionsOnBlack) {
    const Image& a = still(kBarsOneFrame);
    ASSERT_STILL(a);
    // Bar A spans rows 180 to 300 from x = 1; nothing else is lit.
    const Region barA{1, 181, kWidth, 299};
    EXPECT_GT(share(a, barA, 250, 255), 0.8);
    EXPECT_GT(count(a, barA, 0, 80), 1500); // the two remark lines, black on white
    EXPECT_TRUE(allBlack(a, {0, 0, kWidth, 178}));
    EXPECT_TRUE(allBlack(a, {0, 302, kWidth, kHeight}));
    EXPECT_TRUE(allBlack(a, {0, 181, 1, 299})); // the bar starts one pixel in

    const Image& b = still(kBarsTwoFrame);
    ASSERT_STILL(b);
    // Bar B spans rows 400 to about 520; the gap between the bars stays black.
    const Region barB{1, 401, kWidth, 519};
    EXPECT_GT(share(b, barB, 250, 255), 0.8);
    EXPECT_GT(count(b, barB, 0, 80), 1500); // "Challenge Accepted!"
    EXPECT_GT(share(b, barA, 250, 255), 0.8);
    EXPECT_TRUE(allBlack(b, {0, 302, kWidth, 398}));
    EXPECT_TRUE(allBlack(b, {0, 523, kWidth, kHeight}));
}

TEST_F(SceneStills, SceneTwoCubesCoverTheMiddleUnderTheTitlePanel) {
    const Image& image = still(kCubesFrame);
    ASSERT_STILL(image);
    // One cube on each side of the middle band; the sky above them is empty.
    EXPECT_GT(share(image, {0, 200, kWidth / 2, 400}, 20, 255), 0.5);
    EXPECT_GT(share(image, {kWidth / 2, 200, kWidth, 400}, 20, 255), 0.5);
    EXPECT_TRUE(allBlack(image, {0, 0, kWidth, 100}));
    // The panel has risen to 0.75 H: 0.85 white over black, with the black title on it.
    const Region panel{1, 452, kWidth, 568};
    EXPECT_GT(share(image, panel, 200, 235), 0.7);
    EXPECT_GT(count(image, panel, 0, 80), 1500);
    EXPECT_TRUE(allBlack(image, {0, 572, kWidth, kHeight}));
}

TEST_F(SceneStills, SceneThreeFieldFillsTheLowerScreen) {
    const Image& image = still(kFieldFrame);
    ASSERT_STILL(image);
    EXPECT_GT(share(image, {0, kHeight * 3 / 4, kWidth, kHeight}, 10, 255), 0.95);
    EXPECT_GT(share(image, {0, kHeight / 2, kWidth, kHeight}, 10, 255), 0.9);
    // Sky above the field on the left; the title panel sits at the top right.
    EXPECT_TRUE(allBlack(image, {0, 0, 300, 100}));
    EXPECT_GT(share(image, {kWidth - 300, 35, kWidth, 95}, 200, 255), 0.6);
}

TEST_F(SceneStills, SceneFourFadesTowardsItsEnd) {
    // The brightest columns show the field's brightness (0.77 until 7.75, then falling to 0 at
    // 9), whatever the camera's path does to the rest of the picture.
    double brightest[4] = {};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(kFlyFrames[k]);
        const Image& image = still(kFlyFrames[k]);
        ASSERT_STILL(image);
        brightest[k] = maxLum(image);
    }
    EXPECT_GT(brightest[0], 120.0);
    EXPECT_NEAR(brightest[1], brightest[0], 6.0);
    const double t500 = 500.0 / 60.0;
    EXPECT_NEAR(brightest[2] / brightest[1], (9.0 - t500) / 1.25, 0.06);
    EXPECT_LT(brightest[3], 0.1 * brightest[0]);
    EXPECT_LT(meanLum(still(kFlyFrames[3]), {0, 0, kWidth, kHeight}), 5.0);
}

TEST_F(SceneStills, SceneFiveCreditsSitOnThePanelInTheLowerQuarter) {
    const Image& image = still(kCreditFrame);
    ASSERT_STILL(image);
    // The panel covers rows 450 to the bottom: 0.85 white over the room, black text on it.
    const Region panel{0, 452, kWidth, kHeight};
    EXPECT_GT(share(image, panel, 200, 255), 0.75);
    EXPECT_GT(count(image, panel, 0, 60), 2000);
    // The heading starts 30 pixels in from the left, the names end 30 pixels before the right.
    EXPECT_GT(count(image, {30, 452, 120, 530}, 0, 60), 200);
    EXPECT_EQ(count(image, {0, 452, 28, kHeight}, 0, 60), 0);
    EXPECT_EQ(count(image, {kWidth - 26, 452, kWidth, kHeight}, 0, 60), 0);

    const Image& end = still(kTheEndFrame);
    ASSERT_STILL(end);
    // "THE END" is centred on the panel.
    int left = kWidth;
    int right = -1;
    for (int y = 452; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (end.lum(x, y) < 60) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_LT(left, right);
    EXPECT_NEAR((left + right) / 2.0, kWidth / 2.0, 12.0);
    EXPECT_GT(share(end, panel, 200, 255), 0.7);
}

} // namespace
