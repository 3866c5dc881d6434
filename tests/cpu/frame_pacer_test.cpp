// Pacing by the wall clock, worked out by hand at 1/60 s an update: the first frame runs update 1,
// every later frame the whole updates owed since the one before, rounded to the nearest.
#include <gtest/gtest.h>

#include <cmath>
#include <ranges>
#include <vector>

#include "app/frame_pacer.h"

namespace {

constexpr double kStep = 1.0 / 60.0;

// Frames every `interval` seconds from 0, count of them.
std::vector<double> every(double interval, int count) {
    auto times =
        std::views::iota(0, count) | std::views::transform([=](int k) { return k * interval; });
    return {times.begin(), times.end()};
}

TEST(FramePacer, UpdatesOwedForTheRealTimeOnEveryDisplay) {
    std::vector<double> stall = every(kStep, 4);
    stall.insert(stall.end(), {1.05, 1.05 + kStep, 1.05 + 2 * kStep});
    const struct {
        const char* name;
        std::vector<double> times; // of the frames, seconds
        std::vector<int32_t> want; // updates of each frame; empty: only the clock rule is checked
        int32_t most;              // largest run in one frame
    } displays[] = {
        // A 60 Hz display whose timestamps wander by up to 0.6 ms: one update each frame.
        {"60 Hz, jitter", {0, 0.0172, 0.0330, 0.0506, 0.0664, 0.0839}, {1, 1, 1, 1, 1, 1}, 1},
        // 144 Hz: owed 5/12, 10/12, 3/12, 8/12, 1/12 of an update after the first frame.
        {"144 Hz", every(1.0 / 144, 6), {1, 0, 1, 0, 1, 0}, 1},
        {"144 Hz for a second", every(1.0 / 144, 145), {}, 1},
        {"30 Hz", every(2 * kStep, 5), {1, 2, 2, 2, 2}, 2},
        // Owed 1.47 updates: rounded down, the clock stays within half an update.
        {"owed 1.47", {0, 1.47 * kStep}, {1, 1}, 1},
        // A stall of about a second runs 4 updates and drops the rest of its backlog.
        {"stall", stall, {1, 1, 1, 1, 4, 1, 1}, 4},
        // Owed 4.4 updates: 4 run and 0.4 is kept, so that 0.2 more owe one.
        {"owed 4.4", {0, 4.4 * kStep, 4.6 * kStep}, {1, 4, 1}, 4},
        // A clock that steps back costs nothing and gives nothing.
        {"backwards", {0, 0.4 * kStep, 0.2 * kStep, 0.9 * kStep}, {1, 0, 0, 1}, 1},
    };
    for (const auto& d : displays) {
        SCOPED_TRACE(d.name);
        FramePacer pacer;
        int32_t total = 0;
        int32_t most = 0;
        for (size_t k = 0; k < d.times.size(); ++k) {
            const int32_t updates = framePacerAdvance(pacer, d.times[k]);
            total += updates;
            most = std::max(most, updates);
            if (!d.want.empty()) {
                EXPECT_EQ(updates, d.want[k]) << "frame " << k;
            }
            // Without a stall the demo keeps within half an update of the wall clock.
            if (d.most < 4) {
                EXPECT_LE(std::fabs(total - 1 - d.times[k] / kStep), 0.5 + 1e-9) << "frame " << k;
            }
        }
        EXPECT_EQ(most, d.most);
    }
}

// A frame that runs no update may sleep until a whole one is owed, and not longer; before the
// first frame one is owed already.
TEST(FramePacer, WaitsUntilAWholeUpdateIsOwed) {
    FramePacer pacer;
    EXPECT_EQ(framePacerWait(pacer), 0.0);
    EXPECT_EQ(framePacerAdvance(pacer, 10.0), 1);
    EXPECT_NEAR(framePacerWait(pacer), kStep, 1e-12);
    EXPECT_EQ(framePacerAdvance(pacer, 10.0 + 0.25 * kStep), 0);
    EXPECT_NEAR(framePacerWait(pacer), 0.75 * kStep, 1e-12);
    EXPECT_EQ(framePacerAdvance(pacer, 10.0 + kStep), 1);
    EXPECT_EQ(framePacerAdvance(pacer, 10.0 + 2.4 * kStep), 1); // 1.4 owed: 0.4 left
    EXPECT_NEAR(framePacerWait(pacer), 0.6 * kStep, 1e-9);
}

} // namespace
