#include <gtest/gtest.h>

#include <cfloat>

#include "app/demo.h"

namespace {

TEST(Title, RateOfTheLastFrameWithTwoDecimalsInABoundedBuffer) {
    char title[kTitleSize];
    EXPECT_STREQ(titleFormat(title, sizeof title, frameRate(16666667, 1000000000)), "KIRU: 60.00");
    EXPECT_STREQ(titleFormat(title, sizeof title, frameRate(33, 1000)), "KIRU: 30.30");
    EXPECT_STREQ(titleFormat(title, sizeof title, frameRate(0, 1000)), "KIRU: inf");
    // The longest "%.2f" of a float is that of -FLT_MAX, -(2^128 - 2^104); it must fit whole.
    EXPECT_STREQ(titleFormat(title, sizeof title, -FLT_MAX),
                 "KIRU: -340282346638528859811704183484516925440.00");
    char small[8]; // a short buffer is cut, never overrun
    EXPECT_STREQ(titleFormat(small, sizeof small, 60.0f), "KIRU: 6");
}

} // namespace
