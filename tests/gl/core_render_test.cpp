// The rendering core against a real GL context: compile logs, failures and the textures.
#include <gtest/gtest.h>

#include <SDL_image.h>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    for (const auto& [name, want] : {std::pair{GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                     {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
                                     {GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE},
                                     {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE}}) {
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        EXPECT_EQ(value, want) << name;
    }
    EXPECT_EQ(textureLoad("res/no-such-image.png"), 0u);
    const std::set<GLuint> all = {
        boxA.texture,   boxB.texture,     fieldA.texture,   fieldB.texture,   fieldC.texture,
        fieldD.texture, emitterA.texture, emitterB.texture, emitterC.texture, captions.fontTexture};
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(all.count(0), 0u);
}

std::string fileWrite(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// A real PNG of width x height pixels of one colour, written by SDL_image.
std::string pngWrite(const std::string& path, int width, int height) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
    SDL_FillRect(surface, nullptr, 0xFFFFFFFFu);
    EXPECT_EQ(IMG_SavePNG(surface, path.c_str()), 0) << path;
    SDL_FreeSurface(surface);
    return path;
}

// The image header is read before the decoder sees the file: only its first 24 bytes are written
// for the large sizes, so a decoder would fail with a reason of its own.
TEST(Textures, TooLargeRefusedFromTheHeaderAndEachBrokenImageNamedOnce) {
    const std::string dir = testing::TempDir() + "kiru-textures";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ifstream box("res/box1.png", std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(box), {}};
    ASSERT_GT(png.size(), 200u);
    const auto headerOf = [&](uint32_t width, uint32_t height) {
        std::string bytes = png.substr(0, 24);
        for (int i = 0; i < 4; ++i) {
            bytes[16 + i] = static_cast<char>(width >> (24 - 8 * i));
            bytes[20 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
        return bytes;
    };
    const struct {
        std::string path;
        const char* why; // after "cannot load the image PATH: PATH"; "" for an image that loads
    } cases[] = {
        {pngWrite(dir + "/widest.png", 4096, 1), ""},
        {pngWrite(dir + "/tallest.png", 2, 4096), ""},
        {fileWrite(dir + "/wide.png", headerOf(4097, 1)), " is 4097 x 1 pixels, more than"},
        {fileWrite(dir + "/tall.png", headerOf(1, 4097)), " is 1 x 4097 pixels, more than"},
        {fileWrite(dir + "/short.png", png.substr(0, 20)), " cannot be decoded (the file ends"},
        {fileWrite(dir + "/cut.png", png.substr(0, png.size() / 2)), " cannot be decoded ("},
    };
    if (textureSideLimit() < kImageSideLimit) {
        GTEST_SKIP() << "this GL takes textures of at most " << textureSideLimit()
                     << " pixels a side";
    }
    const size_t before = textureLoadFailures().size();
    size_t failed = 0;
    for (const auto& c : cases) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_EQ(textureLoad(c.path.c_str()) != 0, *c.why == '\0') << c.path;
        }
        failed += *c.why != '\0' ? 1 : 0;
        ASSERT_EQ(textureLoadFailures().size(), before + failed) << c.path;
        const std::string want = "cannot load the image " + c.path + ": " + c.path + c.why;
        EXPECT_TRUE(*c.why == '\0' || textureLoadFailures().back().starts_with(want))
            << textureLoadFailures().back();
    }
}

} // namespace
