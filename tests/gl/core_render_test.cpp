// The rendering core against a real GL context: the four programs, compile logs and textures.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <set>
#include <string>
#include <vector>

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

// PNGs of RGB and BGRA pixels decode to the same RGBA texels as an RGBA one.
TEST(Textures, OtherFormatsUploadAsTheSameRgbaTexels) {
    constexpr int kWidth = 5; // odd, so the RGB rows carry padding
    constexpr int kHeight = 3;
    std::vector<uint8_t> expected;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        expected.insert(expected.end(), {uint8_t(40 * (i % kWidth) + 10),
                                         uint8_t(70 * (i / kWidth) + 5), 200, 255});
    }
    SDL_Surface* rgba = SDL_CreateRGBSurfaceWithFormatFrom(expected.data(), kWidth, kHeight, 32,
                                                           kWidth * 4, SDL_PIXELFORMAT_RGBA32);
    const std::string path = testing::TempDir() + "kiru-format.png";
    for (Uint32 format : {SDL_PIXELFORMAT_RGBA32, SDL_PIXELFORMAT_RGB24, SDL_PIXELFORMAT_BGRA32}) {
        SDL_Surface* s = SDL_ConvertSurfaceFormat(rgba, format, 0);
        ASSERT_EQ(IMG_SavePNG(s, path.c_str()), 0);
        SDL_FreeSurface(s);
        Image image;
        ASSERT_TRUE(imageLoad(path.c_str(), image)) << imageFailure();
        ASSERT_NE(createTexture(image), 0u); // and bound
        imageFree(image);
        std::vector<uint8_t> uploaded(expected.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
        EXPECT_EQ(uploaded, expected) << SDL_GetPixelFormatName(format);
    }
    SDL_FreeSurface(rgba);
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
