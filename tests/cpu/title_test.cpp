#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/demo.h"

namespace {

TEST(Title, RateOfTheLastFrameWithTwoDecimalsInABoundedBuffer) {
    char title[kTitleSize];
    EXPECT_STREQ(titleFormat(title, sizeof title, frameRate(16666667, 1000000000)), "KIRU: 60.00");
    EXPECT_STREQ(titleFormat(title, sizeof title, frameRate(33, 1000)), "KIRU: 30.30");
    EXPECT_STREQ(titleFormat(title, sizeof title, frameRate(0, 1000)), "KIRU: inf");
    // The longest "%.2f" of a float is that of -FLT_MAX; it must fit whole.
    char longest[128];
    std::snprintf(longest, sizeof longest, "KIRU: %.2f", static_cast<double>(-FLT_MAX));
    ASSERT_LT(std::strlen(longest), kTitleSize);
    EXPECT_STREQ(titleFormat(title, sizeof title, -FLT_MAX), longest);
    char small[8]; // a short buffer is cut, never overrun
    EXPECT_STREQ(titleFormat(small, sizeof small, 60.0f), "KIRU: 6");
}

} // namespace
