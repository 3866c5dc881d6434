// With no GL context at all every GL entry point that GLEW loads is still null, so any GL call
// from these paths would crash the test.
#include <gtest/gtest.h>

#include "render/shaders.h"

namespace {

TEST(CompileShader, NullSourceOrShaderZeroMakesNoGlCallAndPrintsNothing) {
    ASSERT_EQ(glShaderSource, nullptr) << "this test needs a process without a GL context";
    testing::internal::CaptureStdout();
    EXPECT_EQ(compileShader(0, flatColorProgram.vertex), 0);
    EXPECT_EQ(compileShader(7, nullptr), 0);
    EXPECT_EQ(compileShader(0, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

} // namespace
