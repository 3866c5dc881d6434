// The rendering core against a real GL context: compile logs, failures and the textures.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "gl_harness.h"
#include "render/shaders.h"
#include "render/texture.h"
#include "stage/demo_state.h"

namespace {

TEST(Programs, CompileLogsGoToStandardOutputAndFailuresGiveZero) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(buildProgram(flatColorProgram.vertex, "#version 120\nvoid main() { nope = 1; }"), 0u);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("nope"), std::string::npos);
    const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
    testing::internal::CaptureStdout();
    EXPECT_EQ(compileShader(shader, texturedProgram.vertex), 1);
    EXPECT_EQ(compileShader(0, texturedProgram.vertex), 0);
    EXPECT_EQ(compileShader(shader, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Textures, LinearClampedAndOneOfItsOwnForEveryInstance) {
    const GLuint texture = textureLoad("res/box1.png");
    GLint value = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), texture);
    for (GLenum name : {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER}) {
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        EXPECT_EQ(value, GL_LINEAR);
    }
    for (GLenum name : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    }
    EXPECT_EQ(textureLoad("res/no-such-image.png"), 0u);
    const std::set<GLuint> all = {
        boxA.texture,   boxB.texture,     fieldA.texture,   fieldB.texture,   fieldC.texture,
        fieldD.texture, emitterA.texture, emitterB.texture, emitterC.texture, captions.fontTexture};
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(all.count(0), 0u);
}

} // namespace
