#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/demo.h"

namespace {

TEST(Title, RateOfOneFrame) {
    const struct {
        int64_t elapsed, frequency;
        float fps;
    } cases[] = {
        {16666667, 1000000000, 60.0f},
        {1000, 1000, 1.0f},
        {33, 1000, 1000.0f / 33.0f},
        {1, 1000000000, 1e9f},
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(frameRate(c.elapsed, c.frequency), c.fps);
    }
}

TEST(Title, FormatsTwoDecimalsAndHoldsTheLongestFloat) {
    char title[kTitleSize];
    EXPECT_STREQ(titleFormat(title, sizeof title, 59.994f), "KIRU: 59.99");
    EXPECT_STREQ(titleFormat(title, sizeof title, 0.0f), "KIRU: 0.00");
    EXPECT_STREQ(titleFormat(title, sizeof title, INFINITY), "KIRU: inf");
    // The longest "%.2f" of a float is that of -FLT_MAX; it must fit whole.
    char longest[128];
    std::snprintf(longest, sizeof longest, "KIRU: %.2f", static_cast<double>(-FLT_MAX));
    ASSERT_LT(std::strlen(longest), kTitleSize);
    EXPECT_STREQ(titleFormat(title, sizeof title, -FLT_MAX), longest);
    // A short buffer is cut, never overrun.
    char small[8];
    EXPECT_STREQ(titleFormat(small, sizeof small, 60.0f), "KIRU: 6");
}

} // namespace
