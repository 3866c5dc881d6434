// The multisampled framebuffer on a real context: what it refuses. Its frames are the end-to-end
// test Video.EachEndingWritesItsFormatWithEveryFrame's, through kiru-capture itself.
#include <gtest/gtest.h>

#include "capture/multisample.h"
#include "gl_harness.h"

namespace {

// Asked for more samples than the context offers, it refuses in one line and makes nothing.
TEST(Multisample, MoreSamplesThanOfferedAreRefused) {
    const int limit = multisampleLimit();
    Multisample target;
    std::string error;
    EXPECT_FALSE(multisampleStart(target, limit + 1, kHarnessWidth, kHarnessHeight, error));
    EXPECT_NE(error.find("cannot draw with " + std::to_string(limit + 1) + " samples a pixel"),
              std::string::npos)
        << error;
    EXPECT_EQ(target.framebuffer, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
