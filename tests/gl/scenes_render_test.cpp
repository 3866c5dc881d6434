// Each scene as the viewer sees it: frames of the real frame loop, captured by one kiru-capture
// run at 800 x 600 and checked where the eye would look.
#include <gtest/gtest.h>

#include <SDL_image.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Each pixel's brightest channel, so that black means black in every channel; empty unless the
// file is an 800 x 600 image.
std::vector<uint8_t> load(const std::string& path) {
    std::vector<uint8_t> levels;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    SDL_Surface* rgb =
        loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
    for (int y = 0; rgb != nullptr && rgb->w == 800 && rgb->h == 600 && y < 600; ++y) {
        const auto* p = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        for (int x = 0; x < 800; ++x, p += 3) {
            levels.push_back(std::max({p[0], p[1], p[2]}));
        }
    }
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(loaded);
    return levels;
}

struct Region {
    int x0, y0, x1, y1; // half-open
};

// Share of a region's pixels whose level lies in [low, high].
double share(const std::vector<uint8_t>& image, Region r, int low, int high) {
    long n = 0;
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            n += image[y * 800 + x] >= low && image[y * 800 + x] <= high;
        }
    }
    return static_cast<double>(n) / ((r.x1 - r.x0) * (r.y1 - r.y0));
}

// One capture for every scene: the run has to play all the frames up to the last one anyway.
TEST(SceneStills, EachSceneLooksRight) {
    // Scenes start after frames 0, 480, 1321, 2282 and 2822. Scene 1 at t = 2.83 and 4.83, scene 2
    // at 5, scene 3 at 4, scene 4 at 5 (full brightness), 8.33 and 8.92 (fading), scene 5 at 5.
    const int kFrames[] = {170, 290, 780, 1561, 2582, 2782, 2817, 3122};
    const std::string dir = "/tmp/kiru-scene-stills-" + std::to_string(getpid());
    std::string frames;
    for (const int f : kFrames) {
        frames += (frames.empty() ? "" : ",") + std::to_string(f);
    }
    const std::string command = std::string("'") + KIRU_CAPTURE_PATH +
                                "' --size 800x600 --frames " + frames + " --out '" + dir + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::vector<uint8_t>> s;
    for (const int f : kFrames) { // frame-000170.png
        s.push_back(load(dir + "/frame-" + std::to_string(1000000 + f).substr(1) + ".png"));
    }
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(std::none_of(s.begin(), s.end(), [](const auto& image) { return image.empty(); }));

    struct Check {
        const char* what;
        int still, low, high; // levels low..high counted in the still's region
        Region region;
        double least, most; // bounds on their share
    };
    const Check kChecks[] = {
        {"1: bar A (rows 180-300 from x = 1) white", 0, 250, 255, {1, 181, 800, 299}, 0.8, 1},
        {"1: bar A's remarks dark", 0, 0, 80, {1, 181, 800, 299}, 0.03, 1},
        {"1: black above bar A", 0, 9, 255, {0, 0, 800, 178}, 0, 0},
        {"1: black below bar A", 0, 9, 255, {0, 302, 800, 600}, 0, 0},
        {"1: bar B (rows 400-520) white", 1, 250, 255, {1, 401, 800, 519}, 0.8, 1},
        {"1: bar B's caption dark", 1, 0, 80, {1, 401, 800, 519}, 0.03, 1},
        {"1: black between the bars", 1, 9, 255, {0, 302, 800, 398}, 0, 0},
        {"1: black below bar B", 1, 9, 255, {0, 523, 800, 600}, 0, 0},
        {"2: a cube left of the middle", 2, 20, 255, {0, 200, 400, 400}, 0.5, 1},
        {"2: a cube right of the middle", 2, 20, 255, {400, 200, 800, 400}, 0.5, 1},
        {"2: black sky", 2, 9, 255, {0, 0, 800, 100}, 0, 0},
        {"2: panel at 0.75 H, 0.85 white", 2, 200, 235, {1, 452, 800, 568}, 0.7, 1},
        {"2: the panel's title dark", 2, 0, 80, {1, 452, 800, 568}, 0.03, 1},
        {"2: black below the panel", 2, 9, 255, {0, 572, 800, 600}, 0, 0},
        {"3: the field fills the lower half", 3, 10, 255, {0, 300, 800, 600}, 0.93, 1},
        {"3: black sky on the left", 3, 9, 255, {0, 0, 300, 100}, 0, 0},
        {"5: the credits panel in the lower quarter", 7, 200, 255, {0, 452, 800, 600}, 0.75, 1},
        {"5: the credits dark on it", 7, 0, 60, {0, 452, 800, 600}, 0.03, 1},
        {"5: no panel above the lower quarter", 7, 200, 255, {0, 300, 800, 448}, 0, 0},
    };
    for (const Check& c : kChecks) {
        SCOPED_TRACE(c.what);
        const double v = share(s[c.still], c.region, c.low, c.high);
        EXPECT_TRUE(v >= c.least && v <= c.most) << v;
    }
    // Scene 4: the brightest columns show the field's brightness, whatever the camera's path.
    const auto top = [&](int k) { return *std::max_element(s[k].begin(), s[k].end()); };
    EXPECT_GT(top(4), 120);
    EXPECT_NEAR(top(5) / static_cast<double>(top(4)), (9.0 - 500.0 / 60.0) / 1.25, 0.06);
    EXPECT_LT(top(6), 0.1 * top(4));
}

} // namespace
